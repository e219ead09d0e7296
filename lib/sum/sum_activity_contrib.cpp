// SUM_Activity: the integrated configuration of a deliver or rebase
// activity, written when the operation finishes, and the activities the
// operation brought into its stream, found by comparing the configuration
// before and after it.
#include <cstring>

#include "services/imsg.h"
#include "sum/sum_activity.h"
#include "sum/sum_activity_internal.h"
#include "sum/sum_baseline.h"
#include "sum/sum_baseline_diff.h"
#include "sum/sum_baseline_diff2.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_component.h"
#include "sum/sum_project.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum/sum_trace.h"
#include "sum/sum_utl_list_strings.h"
#include "sum/sum_virtual_baseline.h"
#include "sum/xml_element.h"

namespace {

constexpr const char* kSource = "sum_activity_contrib";

// Children of the integrated-configuration record (read back by
// SUM_Activity::read_integration_record).
constexpr const char* kContribChild = "CONTRIB_BLS";
constexpr const char* kOldFoundChild = "OLD_FOUND";
constexpr const char* kDelByBlChild = "DELBYBL";
constexpr const char* kDelByBlText = "TRUE";

bool is_rebase_record(const char* name) {
  return std::strcmp(name, PVAR_ZEM_GEN_ZEM_REBASE) == 0;
}

bool is_deliver_record(const char* name) {
  return std::strcmp(name, PVAR_ZEM_GEN_ZEM_DELIVER) == 0;
}

// Appends to `parent` a child `name` holding the universal selectors of
// `baselines` joined by "," (empty for an empty list).
int append_baseline_child(const char* name, const SUM_BaselineList& baselines,
                          XML_Element& parent) {
  SUM_String text;
  int status = sum_utl_bllist2str(baselines, text);
  if (status != 0)
    return status;
  parent.sub_elements().append(XML_Element(name, text));
  return SUM_OK;
}

// The record's text for `record_name`.
int integration_record_text(const char* record_name, const SUM_BaselineList& contrib,
                            const SUM_BaselineList& old_found, int delivered_by_baseline,
                            SUM_String& out) {
  XML_Element root(record_name);
  int status = append_baseline_child(kContribChild, contrib, root);
  if (status == 0 && is_rebase_record(record_name))
    status = append_baseline_child(kOldFoundChild, old_found, root);
  if (status != 0)
    return status;
  if (is_deliver_record(record_name) && delivered_by_baseline)
    root.sub_elements().append(XML_Element(kDelByBlChild, kDelByBlText));
  return root.string(out, 0);
}

SUM_BaselineVRList as_vr_list(const SUM_BaselineList& baselines) {
  SUM_BaselineVRList out;
  for (unsigned i = 0; i < baselines.count(); ++i)
    out.append(SUM_BaselineVR(baselines[i]));
  return out;
}

// Keeps, in order, the entries of `list` whose component is in `modifiable`.
int keep_modifiable(const SUM_ComponentList& modifiable, SUM_BaselineVRList& list) {
  SUM_BaselineVRList kept;
  for (unsigned i = 0; i < list.count(); ++i) {
    SUM_Component component;
    int status = list[i].component(component);
    if (status != 0)
      return status;
    if (modifiable.find(component) >= 0)
      kept.append(list[i]);
  }
  list = kept;
  return SUM_OK;
}

// The newest of `group` (baselines of one component): the one the others
// are ancestors of.
int newest_of(const SUM_BaselineList& group, SUM_Baseline& out) {
  for (unsigned i = 0; i < group.count(); ++i) {
    SUM_BaselineList others = group;
    others.remove(i);
    int older = 0;
    int status = others.count() > 0 ? group[i].is_ancestor_of(others, older) : 0;
    if (status != 0)
      return status;
    if (!older) {
      out = group[i];
      return SUM_OK;
    }
  }
  return SUM_NOT_FOUND;
}

// A deliver's two sides on the target stream `target`, per component of
// the delivered baselines `contrib`: before, the baseline of the target's
// timeline entry just before the first entry recording one of them; after,
// the newest of them. SUM_NOT_FOUND when the delivery's entry or the one
// before it is missing (never recorded, or removed since).
int deliver_sides(const SUM_Stream& target, const SUM_BaselineList& contrib,
                  SUM_BaselineList& before, SUM_BaselineList& after) {
  SUM_ComponentList done;
  for (unsigned i = 0; i < contrib.count(); ++i) {
    SUM_Component component;
    SUM_Timeline timeline;
    SUM_TimelineEntryList entries;
    int status = contrib[i].component(component);
    if (status != 0)
      return status;
    if (done.find(component) >= 0)
      continue;
    done.append(component);
    SUM_BaselineList group;
    for (unsigned j = i; j < contrib.count(); ++j) {
      SUM_Component other;
      if ((status = contrib[j].component(other)) != 0)
        return status;
      if (other == component)
        group.append(contrib[j]);
    }
    if ((status = target.component_timeline(component, timeline)) != 0 ||
        (status = timeline.entries(entries)) != 0)
      return status;
    unsigned first = 0;
    for (first = 0; first < entries.count(); ++first) {
      SUM_Baseline delivered;
      if (entries[first].kind() == SUM_TimelineEntry::KIND_2 &&
          entries[first].baseline(delivered) == 0 && group.find(delivered) >= 0)
        break;
    }
    SUM_Baseline old_side, new_side;
    if (first == 0 || first >= entries.count() || entries[first - 1].baseline(old_side) != 0)
      return SUM_NOT_FOUND;
    if ((status = newest_of(group, new_side)) != 0)
      return status;
    before.append(old_side);
    after.append(new_side);
  }
  return SUM_OK;
}

}  // namespace

int SUM_Activity::save_integration_config(const char* record_name, const SUM_BaselineList& contrib,
                                          const SUM_BaselineList& old_found,
                                          int delivered_by_baseline, const char* comment) const {
  SUM_Trace trace("SUM_Activity::save_integration_config");
  if (is_null() || record_name == nullptr ||
      (!is_rebase_record(record_name) && !is_deliver_record(record_name)))
    return sum_int_error(kSource, trace.name(), __LINE__);
  int in_progress = 0;
  int status = sum_act_require_integration(*this, in_progress);
  if (status != 0)
    return trace.checked(__LINE__, status);
  // The whole record is built before the single write, so a baseline whose
  // selector cannot be read leaves any stored record as it was.
  SUM_String text;
  status = integration_record_text(record_name, contrib, old_found, delivered_by_baseline, text);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, set_pvar(record_name, text, kOpChange, comment));
}

int SUM_Activity::integration_config(SUM_BaselineVRList& new_config,
                                     SUM_BaselineVRList& old_config) const {
  SUM_Trace trace("SUM_Activity::integration_config");
  SUM_BaselineList contrib;
  int status = contrib_baselines(contrib);
  if (status != 0)
    return trace.checked(__LINE__, status);
  int delivered = 0;
  if ((status = pvar_exists(PVAR_ZEM_GEN_ZEM_DELIVER, delivered)) != 0)
    return trace.checked(__LINE__, status);
  SUM_Stream owner;
  SUM_Project project;
  SUM_ComponentList modifiable;
  if ((status = sum_act_stream_and_project(*this, owner, project)) != 0 ||
      (status = project.mod_comps(modifiable)) != 0)
    return trace.checked(__LINE__, status);
  SUM_BaselineList old_found, new_found = contrib;
  if (delivered) {
    // The deliver's activity is in the target stream, whose timelines
    // record where the delivered baselines entered.
    new_found = SUM_BaselineList();
    if ((status = deliver_sides(owner, contrib, old_found, new_found)) != 0) {
      if (status == SUM_NOT_FOUND)
        imsg_print(IMSG_ERROR, sum_msg::NoBaselineList, sum_act_label(*this));
      return trace.checked(__LINE__, SUM_FAILED);
    }
  } else if ((status = old_found_baselines(old_found)) != 0) {
    return trace.checked(__LINE__, status);
  }
  SUM_BaselineVRList new_side = as_vr_list(new_found);
  SUM_BaselineVRList old_side = as_vr_list(old_found);
  if ((status = keep_modifiable(modifiable, new_side)) != 0 ||
      (status = keep_modifiable(modifiable, old_side)) != 0)
    return trace.checked(__LINE__, status);
  new_config = new_side;
  old_config = old_side;
  return SUM_OK;
}

int SUM_Activity::contrib_activities(SUM_ActivityList& out) const {
  SUM_Trace trace("SUM_Activity::contrib_activities");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int in_progress = 0;
  int status = sum_act_require_integration(*this, in_progress);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (in_progress) {
    imsg_print(IMSG_ERROR, sum_msg::SpecifiedIntegrationActivityStill);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  SUM_BaselineVRList new_config;
  SUM_BaselineVRList old_config;
  if ((status = integration_config(new_config, old_config)) != 0)
    return trace.checked(__LINE__, status);
  BaselineDiff2 comparison;
  BaselineDiffList diffs;
  if ((status = BaselineDiff2::construct(old_config, new_config, comparison)) != 0 ||
      (status = comparison.activity_diffs(SUM_Component(), nullptr, diffs)) != 0)
    return trace.checked(__LINE__, status);
  SUM_ActivityList found;
  for (unsigned i = 0; i < diffs.count(); ++i)
    found.append(diffs[i].activity());
  out = found;
  return SUM_OK;
}

int SUM_Activity::print_contributing_activities() const {
  SUM_Trace trace("SUM_Activity::print_contributing_activities");
  SUM_ActivityList activities;
  int status = contrib_activities(activities);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (unsigned i = 0; i < activities.count(); ++i) {
    SUM_String selector;
    SUM_String headline;
    if ((status = activities[i].selector(selector)) != 0 ||
        (status = activities[i].title(headline)) != 0)
      return trace.checked(__LINE__, status);
    imsg_print(IMSG_INFO, sum_msg::TabbedPair, selector, headline);
  }
  return SUM_OK;
}
