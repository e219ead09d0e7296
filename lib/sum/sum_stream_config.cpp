// SUM_Stream: the configuration of a stream (its foundation baselines,
// components and timelines), the foundation steps of stream creation, and
// recommended baselines; SUM_Project::rec_baselines.
#include <memory>
#include <vector>

#include "services/imsg.h"
#include "services/vob_zem_baseline.h"
#include "services/vob_zem_stream.h"
#include "sum/sum_baseline.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_foundation.h"
#include "sum/sum_hyperlink.h"
#include "sum/sum_new_config.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"
#include "sum/sum_timeline_cache.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"
#include "sum/xml_element.h"

namespace {

constexpr const char* kSource = "sum_stream_config";

// Lowest PVOB feature level that stores recommended baselines on streams.
constexpr int kRecblsFeatureLevel = 3;
// Repository chunk size of the stream's timelines and baselines.
constexpr size_t kChunk = 32;

// Stream catalog messages used here.
// Configuration-change catalog.

// Element names of the "ZEM_STREAM_RECBLS" tree.
constexpr const char* kRecblsRoot = "recbls";
constexpr const char* kRecblsItem = "bl";

// A stream timeline with its component.
struct ComponentTimeline {
  SUM_Component component;
  SUM_Timeline timeline;
};

// Reads every id a chunked repository listing hands out.
template <typename Fetch>
int read_all(Fetch fetch, std::vector<tbs_dbid_t>& out) {
  std::vector<tbs_dbid_t> all;
  std::vector<tbs_dbid_t> chunk;
  for (size_t offset = 0;; offset += kChunk) {
    int status = fetch(offset, kChunk, chunk);
    if (status != 0)
      return status;
    all.insert(all.end(), chunk.begin(), chunk.end());
    if (chunk.size() < kChunk)
      break;
  }
  out.swap(all);
  return SUM_OK;
}

// Every object of type `Object` in `vob` that a chunked listing hands out,
// replacing `out` (left as it was on failure).
template <typename Object, typename List, typename Fetch>
int read_objects(const SUM_Vob& vob, Fetch fetch, List& out) {
  std::vector<tbs_dbid_t> found;
  int status = read_all(fetch, found);
  if (status != 0)
    return status;
  List result;
  for (tbs_dbid_t dbid : found)
    result.append(Object(vob, dbid));
  out = result;
  return SUM_OK;
}

// The stream's timelines with their components, in creation order.
int component_timelines(const SUM_Stream& stream, std::vector<ComponentTimeline>& out) {
  SUM_TimelineList timelines;
  int status = stream.timelines(timelines);
  if (status != 0)
    return status;
  std::vector<ComponentTimeline> found;
  for (unsigned i = 0; i < timelines.count(); ++i) {
    ComponentTimeline entry;
    entry.timeline = timelines[i];
    if ((status = timelines[i].component(entry.component)) != 0)
      return status;
    found.push_back(entry);
  }
  out.swap(found);
  return SUM_OK;
}

// The component of `baseline`; a failure prints foundation message 2.
int component_of(const SUM_Baseline& baseline, SUM_Component& out) {
  int status = baseline.component(out);
  if (status != 0)
    imsg_print(IMSG_ERROR, sum_foundation_msg::NoComponent, baseline.any_fullname());
  return status;
}

}  // namespace

// ---- foundation steps of creation ------------------------------------------------------

int SUM_Stream::create(const char* name, const char* comment, const SUM_Project& project,
                       const SUM_Stream& parent, const char* title, int integration, int read_only,
                       SUM_Stream& out) {
  return create(name, comment, project, parent, title, integration, read_only, SUM_BaselineList(),
                out);
}

int SUM_Stream::check_foundation(const SUM_Project& project, const SUM_Stream& parent,
                                 int integration, const SUM_BaselineList& baselines,
                                 std::unique_ptr<SUM_NewConfig>& config) {
  SUM_Trace trace("SUM_Stream::check_foundation");
  // The stream will be placed where create places it: a development stream
  // without a parent goes into the project's integration stream.
  SUM_Stream place = parent;
  int status = SUM_OK;
  if (place.is_null() && !integration) {
    status = integration_stream(project, place);
    if (status == SUM_NOT_FOUND)
      status = SUM_OK;
    if (status != 0)
      return trace.checked(__LINE__, status);
  }
  auto made = std::make_unique<SUM_NewConfig>(project, place, integration,
                                              SUM_NewConfig::stream_creation_cbs());
  if ((status = made->init(baselines)) == 0)
    status = made->validate();
  if (status != 0)
    return trace.checked(__LINE__, status);
  int valid = 0;
  made->is_valid(valid);
  if (!valid)
    return trace.checked(__LINE__, SUM_FAILED);
  config = std::move(made);
  return SUM_OK;
}

int SUM_Stream::commit_foundation(SUM_NewConfig& config, int integration,
                                  const char* comment) const {
  SUM_Trace trace("SUM_Stream::commit_foundation");
  int status = config.set_stream(*this);
  if (status == 0)
    status = config.new_stream_commit(comment);
  if (status != 0 || !integration)
    return trace.checked(__LINE__, status);
  SUM_BaselineList foundation;
  int stored = 0;
  if ((status = config.new_config(foundation)) == 0)
    status = vob_.is_feature_level_ge(kRecblsFeatureLevel, stored);
  if (status != 0 || !stored || foundation.count() == 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, set_recbls(foundation, comment, 0));
}

// ---- foundation and components ---------------------------------------------------------

int SUM_Stream::uses_baselines_util(SUM_BaselineList& out, int& unavailable) const {
  SUM_Trace trace("SUM_Stream::uses_baselines_util");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_BaselineList targets;
  int lost = 0;
  SUM_VobObjectIter walk(*this, VOB_WK_HLTYPE_USE_BASELINE, 1);
  for (walk.first(); !walk.is_done(); walk.next()) {
    SUM_Baseline target = SUM_Baseline::convert(walk.current_item());
    if (target.is_null())
      ++lost;
    else
      targets.append(target);
  }
  if (walk.status() != 0)
    return trace.checked(__LINE__, walk.status());
  out = targets;
  unavailable = lost;
  return SUM_OK;
}

int SUM_Stream::explicit_baselines(SUM_BaselineList& out, int& unavailable) const {
  SUM_Trace trace("SUM_Stream::explicit_baselines");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_BaselineList targets;
  int lost = 0;
  std::vector<ComponentTimeline> timelines;
  int status = uses_baselines_util(targets, lost);
  if (status == 0 && targets.count() > 0)
    status = component_timelines(*this, timelines);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_BaselineList result;
  for (unsigned i = 0; i < targets.count(); ++i) {
    SUM_Baseline baseline = targets[i];
    SUM_Component component;
    if (!timelines.empty() && (status = component_of(baseline, component)) != 0)
      return trace.checked(__LINE__, status);
    for (const ComponentTimeline& entry : timelines)
      if (entry.component == component) {
        if ((status = entry.timeline.foundation_baseline(baseline)) != 0)
          return trace.checked(__LINE__, status);
        break;
      }
    result.append(baseline);
  }
  out = result;
  unavailable = lost;
  return SUM_OK;
}

int SUM_Stream::components(SUM_ComponentList& out) const {
  SUM_Trace trace("SUM_Stream::components");
  SUM_Foundation evaluated;
  int unavailable = 0;
  int status = foundation(evaluated, unavailable);
  if (status == 0)
    status = evaluated.closure_scope(out);
  return trace.checked(__LINE__, status);
}

int SUM_Stream::component_visible(const SUM_Component& component, int& visible) const {
  SUM_Trace trace("SUM_Stream::component_visible");
  if (component.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_ComponentList list;
  int status = components(list);
  if (status != 0)
    return trace.checked(__LINE__, status);
  visible = list.find(component) >= 0 ? 1 : 0;
  return SUM_OK;
}

int SUM_Stream::baseline_util(const SUM_Component& component, int kind, SUM_Baseline& out) const {
  SUM_Trace trace("SUM_Stream::baseline_util");
  if (is_null() || component.is_null() || kind < 0 || kind > 1)
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (kind == 1) {
    SUM_Timeline timeline;
    int status = component_timeline(component, timeline);
    if (status == SUM_NOT_FOUND)
      return SUM_NOT_FOUND;
    if (status == 0)
      status = timeline.latest_baseline(out);
    return status == SUM_NOT_FOUND ? SUM_NOT_FOUND : trace.checked(__LINE__, status);
  }
  SUM_Foundation evaluated;
  int unavailable = 0;
  int status = foundation(evaluated, unavailable);
  // The closure holds one baseline per component that has an effective one
  // (a component whose baselines were all eclipsed has none).
  SUM_BaselineList closure;
  SUM_ComponentList scope;
  if (status == 0 && (status = evaluated.closure(closure)) == 0)
    status = evaluated.closure_scope(scope);
  if (status != 0)
    return trace.checked(__LINE__, status);
  int index = scope.find(component);
  if (index < 0)
    return SUM_NOT_FOUND;
  out = closure[index];
  return SUM_OK;
}

int SUM_Stream::baselines(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_Stream::baselines");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__,
                       read_objects<SUM_Baseline>(
                           vob_,
                           [&](size_t offset, size_t max, std::vector<tbs_dbid_t>& chunk) {
                             return vob_zem_stream_next_baselines(vob_.handle(), dbid_, offset, max,
                                                                  chunk);
                           },
                           out));
}

// ---- timelines --------------------------------------------------------------------------

int SUM_Stream::timelines(SUM_TimelineList& out) const {
  SUM_Trace trace("SUM_Stream::timelines");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (sum_stream_timelines_cache().lookup(*this, out))
    return SUM_OK;
  SUM_TimelineList found;
  int status = read_objects<SUM_Timeline>(
      vob_,
      [&](size_t offset, size_t max, std::vector<tbs_dbid_t>& chunk) {
        return vob_zem_stream_next_timelines(vob_.handle(), dbid_, offset, max, chunk);
      },
      found);
  if (status != 0)
    return trace.checked(__LINE__, status);
  sum_stream_timelines_cache().enter(*this, found);
  out = found;
  return SUM_OK;
}

int SUM_Stream::component_timeline(const SUM_Component& component, SUM_Timeline& out) const {
  SUM_Trace trace("SUM_Stream::component_timeline");
  if (is_null() || component.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<ComponentTimeline> timelines;
  int status = component_timelines(*this, timelines);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (const ComponentTimeline& entry : timelines)
    if (entry.component == component) {
      out = entry.timeline;
      return SUM_OK;
    }
  return SUM_NOT_FOUND;
}

int SUM_Stream::component_timeline_autocreate(const SUM_Component& component,
                                              SUM_Timeline& out) const {
  SUM_Trace trace("SUM_Stream::component_timeline_autocreate");
  if (is_null() || component.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int local = 0;
  int status = check_local_mastership(local);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!local)
    return trace.checked(__LINE__, SUM_FAILED);
  status = component_timeline(component, out);
  if (status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  SUM_Baseline foundation;
  status = baseline_util(component, 0, foundation);
  if (status == SUM_NOT_FOUND) {
    imsg_print(IMSG_ERROR, sum_stream_msg::NoBaselineInStream, component.any_fullname(),
               any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, SUM_Timeline::create(component, *this, foundation, "", out));
}

int SUM_Stream::fdn_bl_at_bl(const SUM_Component& component, const SUM_Baseline& baseline,
                             SUM_Baseline& out) const {
  SUM_Trace trace("SUM_Stream::fdn_bl_at_bl");
  SUM_Timeline timeline;
  int status = component_timeline(component, timeline);
  if (status == SUM_NOT_FOUND)
    return SUM_NOT_FOUND;
  if (status == 0)
    status = timeline.fdn_bl_at_bl(baseline, out);
  return status == SUM_NOT_FOUND ? SUM_NOT_FOUND : trace.checked(__LINE__, status);
}

// ---- recommended baselines -------------------------------------------------------------

int SUM_Stream::recbls(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_Stream::recbls");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int stored = 0;
  int status = vob_.is_feature_level_ge(kRecblsFeatureLevel, stored);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!stored) {
    SUM_Project owner;
    if ((status = project(owner)) == 0)
      status = owner.rec_baselines(out);
    return trace.checked(__LINE__, status);
  }
  SUM_String text;
  if ((status = pvar(PVAR_ZEM_STRM_RECBLS, text)) != 0)
    return trace.checked(__LINE__, status);
  SUM_BaselineList result;
  if (text.GetLength() > 0) {
    XML_Element root;
    if ((status = XML_Element::parse(text, root)) != 0)
      return trace.checked(__LINE__, status);
    const XML_ElementList& items = root.sub_elements();
    for (unsigned i = 0; i < items.count(); ++i) {
      if (items[i].name().Compare(kRecblsItem) != 0)
        continue;
      SUM_Baseline baseline;
      if ((status = SUM_Baseline::construct_from_selector(items[i].value(), SUM_Vob(), baseline)) !=
          0)
        return trace.checked(__LINE__, status);
      result.append(baseline);
    }
  }
  out = result;
  return SUM_OK;
}

int SUM_Stream::set_recbls(const SUM_BaselineList& list, const char* comment,
                           int fire_triggers) const {
  SUM_Trace trace("SUM_Stream::set_recbls");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int stored = 0;
  int status = vob_.is_feature_level_ge(kRecblsFeatureLevel, stored);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!stored) {
    imsg_print(IMSG_ERROR, sum_stream_msg::RecblsLevel, any_fullname(), vob_.any_name());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  SUM_Project owner;
  if ((status = project(owner)) != 0)
    return trace.checked(__LINE__, status);
  // The recommendation is checked against the one read here and written
  // only while it is still the stored one: a change by another command
  // meanwhile (during the triggers, say) makes this one fail whole.
  SUM_String before;
  if ((status = pvar(PVAR_ZEM_STRM_RECBLS, before)) != 0)
    return trace.checked(__LINE__, status);
  SUM_TrigChStream trigger(*this, owner, "recommended baselines", comment);
  if (fire_triggers && (status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  if ((status = check_permission()) != 0)
    return trace.checked(__LINE__, status);
  SUM_String text;
  if (list.count() > 0) {
    if ((status = check_recommendation(list)) != 0)
      return trace.checked(__LINE__, status);
    XML_Element root{SUM_String(kRecblsRoot)};
    for (unsigned i = 0; i < list.count(); ++i) {
      SUM_String selector;
      if ((status = list[i].univ_selector(selector)) != 0)
        return trace.checked(__LINE__, status);
      root.sub_elements().append(XML_Element(SUM_String(kRecblsItem), selector));
    }
    if ((status = root.string(text, 0)) != 0)
      return trace.checked(__LINE__, status);
  }
  status = test_and_set_pvar(PVAR_ZEM_STRM_RECBLS, before, text, kOpChange);
  if (status == TBS_ST_CAS_MISMATCH) {
    imsg_print(IMSG_ERROR, sum_config_change_msg::RecommendedChangedMeanwhile, any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (fire_triggers)
    status = trigger.fire_postop(SUM_VobObject());
  return trace.checked(__LINE__, status);
}

// Each recommended baseline is checked as a change of the stream's
// recommendation; every refusal prints its message.
int SUM_Stream::check_recommendation(const SUM_BaselineList& list) const {
  SUM_Trace trace("SUM_Stream::check_recommendation");
  SUM_Foundation proposed;
  int conflicts = 0;
  int status = SUM_Foundation::construct_from_bls_no_lbl_chk(list, proposed);
  if (status == 0)
    status = proposed.conflicts(conflicts);
  if (status == 0 && conflicts) {
    proposed.diagnose_conflicts();
    status = SUM_FAILED;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_NewConfig config(*this, SUM_NewConfig::stream_creation_cbs());
  if ((status = config.init_recommend(list)) == 0)
    status = config.validate();
  if (status != 0)
    return trace.checked(__LINE__, status);
  int valid = 0;
  config.is_valid(valid);
  return valid ? SUM_OK : trace.checked(__LINE__, SUM_FAILED);
}

int SUM_Stream::default_recbls(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_Stream::default_recbls");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Project owner;
  SUM_PLevel level;
  int has_level = 1;
  int status = project(owner);
  if (status == 0) {
    status = owner.rebase_plevel(level);
    if (status == SUM_NOT_FOUND) {
      has_level = 0;
      status = SUM_OK;
    }
  }
  SUM_BaselineList foundation;
  int unavailable = 0;
  std::vector<ComponentTimeline> timelines;
  if (status == 0)
    status = explicit_baselines(foundation, unavailable);
  if (status == 0)
    status = component_timelines(*this, timelines);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_BaselineList result;
  for (unsigned i = 0; i < foundation.count(); ++i) {
    SUM_Baseline chosen = foundation[i];
    SUM_Component component;
    if ((status = component_of(chosen, component)) != 0)
      return trace.checked(__LINE__, status);
    for (const ComponentTimeline& entry : timelines) {
      if (entry.component != component)
        continue;
      SUM_Baseline latest;
      status = has_level ? entry.timeline.latest_baseline(level, latest)
                         : entry.timeline.latest_baseline(latest);
      if (status == 0)
        chosen = latest;
      else if (status != SUM_NOT_FOUND)
        return trace.checked(__LINE__, status);
      break;
    }
    result.append(chosen);
  }
  out = result;
  return SUM_OK;
}

int SUM_Project::rec_baselines(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_Project::rec_baselines");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_Stream integration;
  int status = SUM_Stream::integration_stream(*this, integration);
  if (status == SUM_NOT_FOUND) {
    out = SUM_BaselineList();
    return SUM_OK;
  }
  int stored = 0;
  if (status == 0)
    status = vob_.is_feature_level_ge(kRecblsFeatureLevel, stored);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__,
                       stored ? integration.recbls(out) : integration.default_recbls(out));
}
