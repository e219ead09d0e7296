// SUM_BaselineDependency and the dependency side of SUM_Baseline: the
// member records of a composite baseline, their lazy resolution, and the
// dependency scopes.
#include "sum/sum_baseline_dependency.h"

#include <cstring>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/vob.h"
#include "services/vob_zem_baseline.h"
#include "sum/sum_cache.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_hash_tab.h"
#include "sum/sum_status.h"
#include "sum/sum_stg_area.h"
#include "sum/sum_trace.h"
#include "sum/xml_element.h"

namespace {

constexpr const char* kSource = "sum_baseline_dependency";

constexpr const char* kInfoTag = "bl_info";
constexpr const char* kDepsTag = "deps_v1";
constexpr const char* kDepTag = "dep";
constexpr const char* kDepSelTag = "dep_sel";
constexpr const char* kCompSelTag = "comp_sel";
constexpr const char* kUniversalVob = "vobuuid:";

// The member records of baselines read while a cache-control scope is open.
// A record is written once, when its baseline is made.
SUM_Cache<SUM_Baseline, SUM_BaselineDependencyList>& records_cache() {
  static auto* cache = new SUM_Cache<SUM_Baseline, SUM_BaselineDependencyList>(
      SUM_String("baseline dependencies"), 0);
  return *cache;
}

// The VOB named by the "@" part of a selector: a tag, or "vobuuid:<family>"
// whose VOB object carries the family UUID as its oid.
int resolve_vob_part(const std::string& part, vob_vob_h& out) {
  std::string text = part.rfind(kUniversalVob, 0) == 0
                         ? "oid:" + part.substr(std::strlen(kUniversalVob)) + "@" + part
                         : "vob:" + part;
  tbs_dbid_t dbid = 0;
  return vob_resolve_general(text.c_str(), VOB_SEL_ANY, nullptr, VOB_RESOLVE_ALLOW_UNIVERSAL, &out,
                             &dbid);
}

// Resolves `selector` to an object of selector kind `kind`, answering a
// DependencyStatus and printing why it failed unless `quiet`.
int resolve_selector(const SUM_String& selector, vob_objsel_kind_t kind, int quiet,
                     SUM_VobObject& out) {
  vob_objsel_t parsed;
  if (vob_utl_parse_objsel(selector, &parsed) != 0 || parsed.vob.empty())
    return SUM_BaselineDependency::UNRESOLVABLE;
  vob_vob_h vob = nullptr;
  int status = resolve_vob_part(parsed.vob, vob);
  if (status != 0) {
    bool missing = status == SUM_NOT_FOUND;
    if (!quiet)
      imsg_print_chosen(
          IMSG_ERROR,
          missing ? sum_baseline_msg::VOBUnavailable : sum_baseline_msg::CannotResolveVOB,
          parsed.vob.c_str());
    return missing ? SUM_BaselineDependency::VOB_UNAVAILABLE : SUM_BaselineDependency::UNRESOLVABLE;
  }
  std::string object = (parsed.kind.empty() ? "" : parsed.kind + ":") + parsed.name;
  std::string rebuilt = object + "@" + parsed.vob;
  tbs_dbid_t dbid = 0;
  vob_vob_h found_vob = nullptr;
  status = vob_resolve_general(rebuilt.c_str(), kind, vob,
                               VOB_RESOLVE_ALLOW_UNIVERSAL | VOB_RESOLVE_USE_DEFAULT_VOB,
                               &found_vob, &dbid);
  if (status != 0) {
    sum_baseline_msg message = status == SUM_NOT_FOUND ? sum_baseline_msg::NonExistent
                               : status == TBS_ST_BAD_ARGUMENT
                                   ? sum_baseline_msg::CannotResolve
                                   : sum_baseline_msg::UnavailableNonExistent;
    if (!quiet)
      imsg_print_chosen(IMSG_ERROR, message, vob_utl_objsel_kind_to_str(kind), selector);
    return SUM_BaselineDependency::UNRESOLVABLE;
  }
  out = SUM_VobObject(SUM_Vob(found_vob), dbid);
  return SUM_BaselineDependency::RESOLVED;
}

// Resolves `selector` (of `kind`) into `cached` the first time, while
// `status` is NOT_RESOLVED, and keeps the outcome in `status`; answers it.
template <class Handle>
int resolve_once(const SUM_String& selector, vob_objsel_kind_t kind, int quiet, int& status,
                 Handle& cached) {
  if (status != SUM_BaselineDependency::NOT_RESOLVED)
    return status;
  SUM_VobObject found;
  status = resolve_selector(selector, kind, quiet, found);
  if (status == SUM_BaselineDependency::RESOLVED) {
    cached = Handle::convert(found);
    if (cached.is_null())
      status = SUM_BaselineDependency::UNRESOLVABLE;
  }
  return status;
}

// The child of `element` named `name`, or null.
const XML_Element* child_named(const XML_Element& element, const char* name) {
  const XML_ElementList& children = element.sub_elements();
  for (unsigned i = 0; i < children.count(); ++i)
    if (children[i].name() == name)
      return &children[i];
  return nullptr;
}

}  // namespace

struct SUM_BaselineDependency::Rep {
  SUM_Baseline owner;
  SUM_String dependency_selector;
  SUM_String component_selector;
  SUM_Baseline member;
  SUM_Component component;
  int member_status = NOT_RESOLVED;
  int component_status = NOT_RESOLVED;
  SUM_String name;
};

SUM_BaselineDependency::SUM_BaselineDependency(const SUM_Baseline& baseline,
                                               const char* dependency_selector,
                                               const char* component_selector)
    : rep_(std::make_shared<Rep>()) {
  rep_->owner = baseline;
  rep_->dependency_selector = dependency_selector != nullptr ? dependency_selector : "";
  rep_->component_selector = component_selector != nullptr ? component_selector : "";
}

int SUM_BaselineDependency::dependency(SUM_Baseline& out, int quiet) const {
  SUM_Trace trace("SUM_BaselineDependency::dependency");
  if (rep_ == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = resolve_once(rep_->dependency_selector, VOB_SEL_BASELINE, quiet, rep_->member_status,
                            rep_->member);
  if (status == RESOLVED)
    out = rep_->member;
  return status;
}

int SUM_BaselineDependency::component(SUM_Component& out, int quiet) const {
  SUM_Trace trace("SUM_BaselineDependency::component");
  if (rep_ == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = resolve_once(rep_->component_selector, VOB_SEL_COMPONENT, quiet,
                            rep_->component_status, rep_->component);
  if (status == RESOLVED)
    out = rep_->component;
  return status;
}

const SUM_String& SUM_BaselineDependency::dependency_selector() const {
  static const SUM_String empty;
  return rep_ != nullptr ? rep_->dependency_selector : empty;
}

const SUM_String& SUM_BaselineDependency::component_selector() const {
  static const SUM_String empty;
  return rep_ != nullptr ? rep_->component_selector : empty;
}

const SUM_Baseline& SUM_BaselineDependency::baseline() const {
  static const SUM_Baseline none;
  return rep_ != nullptr ? rep_->owner : none;
}

const char* SUM_BaselineDependency::any_name() const {
  if (rep_ == nullptr)
    return "<null object>";
  SUM_Baseline member;
  SUM_String name;
  if (dependency(member, 1) == RESOLVED && member.name(name) == 0)
    rep_->name = name;
  else
    rep_->name = rep_->dependency_selector;
  return rep_->name;
}

bool SUM_BaselineDependency::operator==(const SUM_BaselineDependency& other) const {
  if (rep_ == other.rep_)
    return true;
  if (rep_ == nullptr || other.rep_ == nullptr)
    return false;
  return rep_->owner == other.rep_->owner &&
         rep_->dependency_selector == other.rep_->dependency_selector &&
         rep_->component_selector == other.rep_->component_selector;
}

int SUM_BaselineDependency::deps_to_xml(const SUM_BaselineList& members, XML_Element& element) {
  SUM_Trace trace("SUM_BaselineDependency::deps_to_xml");
  XML_ElementList made;
  for (unsigned i = 0; i < members.count(); ++i) {
    SUM_Component component;
    SUM_String member_sel;
    SUM_String component_sel;
    if (members[i].is_null())
      return sum_int_error(kSource, trace.name(), __LINE__);
    int status = members[i].component(component);
    if (status == 0)
      status = members[i].univ_selector(member_sel);
    if (status == 0)
      status = component.univ_selector(component_sel);
    if (status != 0)
      return trace.checked(__LINE__, status);
    XML_Element dep{SUM_String(kDepTag)};
    dep.sub_elements().append(XML_Element(kDepSelTag, member_sel));
    dep.sub_elements().append(XML_Element(kCompSelTag, component_sel));
    made.append(dep);
  }
  for (unsigned i = 0; i < made.count(); ++i)
    element.sub_elements().append(made[i]);
  return SUM_OK;
}

int SUM_BaselineDependency::deps_to_xml_text(const SUM_BaselineList& members, SUM_String& text) {
  SUM_Trace trace("SUM_BaselineDependency::deps_to_xml_text");
  if (members.count() == 0) {
    text = "";
    return SUM_OK;
  }
  XML_Element deps{SUM_String(kDepsTag)};
  int status = deps_to_xml(members, deps);
  if (status != 0)
    return trace.checked(__LINE__, status);
  XML_Element info{SUM_String(kInfoTag)};
  info.sub_elements().append(deps);
  SUM_String written;
  if ((status = info.string(written, 0)) != 0)
    return trace.checked(__LINE__, status);
  text = written;
  return SUM_OK;
}

int SUM_BaselineDependency::xml_to_deps(const SUM_Baseline& baseline, const XML_Element& element,
                                        SUM_BaselineDependencyList& out) {
  SUM_Trace trace("SUM_BaselineDependency::xml_to_deps");
  const XML_Element* deps = &element;
  if (element.name() == kInfoTag)
    deps = child_named(element, kDepsTag);
  SUM_BaselineDependencyList read;
  if (deps != nullptr) {
    const XML_ElementList& children = deps->sub_elements();
    for (unsigned i = 0; i < children.count(); ++i) {
      if (children[i].name() != kDepTag)
        continue;
      const XML_Element* dep_sel = child_named(children[i], kDepSelTag);
      const XML_Element* comp_sel = child_named(children[i], kCompSelTag);
      if (dep_sel == nullptr)
        return sum_int_error(kSource, trace.name(), __LINE__);
      read.append(SUM_BaselineDependency(baseline, dep_sel->value(),
                                         comp_sel != nullptr ? comp_sel->value() : ""));
    }
  }
  out = read;
  return SUM_OK;
}

int SUM_BaselineDependency::xml_text_to_deps(const SUM_Baseline& baseline, const SUM_String& text,
                                             SUM_BaselineDependencyList& out) {
  SUM_Trace trace("SUM_BaselineDependency::xml_text_to_deps");
  if (text.GetLength() == 0) {
    out = SUM_BaselineDependencyList();
    return SUM_OK;
  }
  XML_Element info;
  int status = XML_Element::parse(text, info);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, xml_to_deps(baseline, info, out));
}

// ---- SUM_Baseline: dependencies ----

int SUM_Baseline::dependencies(SUM_BaselineDependencyList& out) const {
  SUM_Trace trace("SUM_Baseline::dependencies");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_BaselineDependencyList records;
  if (records_cache().lookup(*this, records)) {
    out = records;
    return SUM_OK;
  }
  vob_zem_baseline_info_t info;
  int status = vob_zem_baseline_get_info(vob_.handle(), dbid_, &info);
  if (status == 0)
    status = SUM_BaselineDependency::xml_text_to_deps(*this, info.deps_xml.c_str(), records);
  if (status != 0)
    return trace.checked(__LINE__, status);
  records_cache().enter(*this, records);
  out = records;
  return SUM_OK;
}

int SUM_Baseline::dependencies(SUM_BaselineList& members, int& unavailable) const {
  SUM_Trace trace("SUM_Baseline::dependencies");
  SUM_BaselineDependencyList records;
  int status = dependencies(records);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_BaselineList resolved;
  int missing = 0;
  for (unsigned i = 0; i < records.count(); ++i) {
    SUM_Baseline member;
    int how = records[i].dependency(member, 0);
    if (how == SUM_BaselineDependency::VOB_UNAVAILABLE) {
      missing = 1;
      continue;
    }
    if (how != SUM_BaselineDependency::RESOLVED)
      break;  // an unresolvable member ends the list; what came before stands
    resolved.append(member);
  }
  members = resolved;
  unavailable = missing;
  return SUM_OK;
}

int SUM_Baseline::has_dependencies(int& result) const {
  SUM_Trace trace("SUM_Baseline::has_dependencies");
  SUM_BaselineDependencyList records;
  int status = dependencies(records);
  if (status != 0)
    return trace.checked(__LINE__, status);
  result = records.count() > 0 ? 1 : 0;
  return SUM_OK;
}

int SUM_Baseline::dependency_scope(SUM_ComponentList& out) const {
  SUM_Trace trace("SUM_Baseline::dependency_scope");
  SUM_BaselineList members;
  int unavailable = 0;
  int status = dependencies(members, unavailable);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_ComponentList scope;
  for (unsigned i = 0; i < members.count(); ++i) {
    SUM_Component component;
    if ((status = members[i].component(component)) != 0)
      return trace.checked(__LINE__, status);
    if (scope.find(component) < 0)
      scope.append(component);
  }
  out = scope;
  return SUM_OK;
}

int SUM_Baseline::full_dependency_scope(SUM_ComponentList& out) const {
  SUM_Trace trace("SUM_Baseline::full_dependency_scope");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_CacheControl cache_scope;
  // Breadth first over the member tree; each baseline is expanded once.
  SUM_BaselineList pending;
  pending.append(*this);
  SUM_BaselineList seen;
  SUM_ComponentList scope;
  for (unsigned next = 0; next < pending.count(); ++next) {
    SUM_BaselineList members;
    int unavailable = 0;
    int status = pending[next].dependencies(members, unavailable);
    if (status != 0)
      return trace.checked(__LINE__, status);
    for (unsigned i = 0; i < members.count(); ++i) {
      if (seen.find(members[i]) >= 0)
        continue;
      seen.append(members[i]);
      pending.append(members[i]);
      SUM_Component component;
      if ((status = members[i].component(component)) != 0)
        return trace.checked(__LINE__, status);
      if (scope.find(component) < 0)
        scope.append(component);
    }
  }
  out = scope;
  return SUM_OK;
}

// ---- SUM_Baseline: dependents across PVOBs ----

namespace {

// One unit of indentation of the dependents listing.
constexpr const char* kIndentUnit = "    ";

// The selector of `obj`, or the baseline-catalog text `unavailable`.
SUM_String selector_or(const SUM_VobObject& obj, sum_baseline_msg unavailable) {
  SUM_String text;
  if (obj.is_null() || obj.selector(text) != 0)
    text = imsg_text(unavailable);
  return text;
}

// The baselines of one PVOB, in dbid order, in either storage form.
int baselines_of(const SUM_Vob& pvob, std::vector<tbs_dbid_t>& out) {
  vob_mtype_t mtype = pvob.supports_fc_objs() ? VOB_MTYPE_BASELINE : VOB_MTYPE_CHECKPOINT;
  SUM_VobCursor cursor(pvob);
  int status = cursor.open(mtype);
  if (status != 0)
    return status;
  tbs_dbid_t dbid = 0;
  while ((status = cursor.next(dbid)) == 0) {
    int is = 0;
    if ((status = vob_zem_baseline_is(pvob.handle(), dbid, &is)) != 0)
      return status;
    if (is)
      out.push_back(dbid);
  }
  return status == SUM_NOT_FOUND ? SUM_OK : status;
}

// Enters the resolved members of `composite` into `table`.
int enter_members(const SUM_Baseline& composite,
                  SUM_HashTab<SUM_Baseline, SUM_BaselineList>& table) {
  SUM_BaselineDependencyList records;
  int status = composite.dependencies(records);
  if (status != 0)
    return status;
  for (unsigned i = 0; i < records.count(); ++i) {
    SUM_Baseline member;
    if (records[i].dependency(member, 1) != SUM_BaselineDependency::RESOLVED) {
      imsg_print(IMSG_WARNING, sum_baseline_msg::BrokenComposite, composite.any_fullname());
      continue;
    }
    SUM_BaselineList* dependents = table.lookup(member);
    if (dependents == nullptr) {
      table.enter(member, SUM_BaselineList());
      dependents = table.lookup(member);
    }
    if (dependents->find(composite) < 0)
      dependents->append(composite);
  }
  return SUM_OK;
}

}  // namespace

int SUM_Baseline::compute_reverse_dependencies(const SUM_VobList& pvobs,
                                               SUM_HashTab<SUM_Baseline, SUM_BaselineList>& table) {
  SUM_Trace trace("SUM_Baseline::compute_reverse_dependencies");
  SUM_CacheControl cache_scope;
  for (unsigned i = 0; i < pvobs.count(); ++i) {
    std::vector<tbs_dbid_t> baselines;
    int status = baselines_of(pvobs[i], baselines);
    if (status != 0)
      return trace.checked(__LINE__, status);
    for (tbs_dbid_t dbid : baselines)
      if ((status = enter_members(SUM_Baseline(pvobs[i], dbid), table)) != 0)
        return trace.checked(__LINE__, status);
  }
  return SUM_OK;
}

int SUM_Baseline::reverse_dependency_lookup(
    const SUM_HashTab<SUM_Baseline, SUM_BaselineList>& table, int print, int recurse, int level,
    SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_Baseline::reverse_dependency_lookup");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  const SUM_BaselineList* dependents = table.lookup(*this);
  if (print && level == 0)
    imsg_print(IMSG_INFO, sum_baseline_msg::DependentsHeading, any_fullname());
  if (dependents == nullptr)
    return SUM_OK;
  SUM_String indent;
  for (int i = 0; i <= level; ++i)
    indent += kIndentUnit;
  for (unsigned i = 0; i < dependents->count(); ++i) {
    const SUM_Baseline& dependent = (*dependents)[i];
    if (out.find(dependent) >= 0)
      continue;  // listed already (a shared dependent, or a loop in broken records)
    out.append(dependent);
    if (print) {
      SUM_Component component;
      if (dependent.component(component) != 0)
        component = SUM_Component();
      imsg_print(IMSG_INFO, sum_baseline_msg::DependentLine, indent,
                 selector_or(dependent, sum_baseline_msg::BaselineUnavailable),
                 selector_or(component, sum_baseline_msg::ComponentUnavailable));
    }
    if (recurse) {
      int status = dependent.reverse_dependency_lookup(table, print, recurse, level + 1, out);
      if (status != 0)
        return trace.checked(__LINE__, status);
    }
  }
  return SUM_OK;
}

namespace {

// The dependents of `baseline` in every registered PVOB.
int search_dependents(const SUM_Baseline& baseline, int print, int recurse, SUM_BaselineList& out) {
  imsg_print(IMSG_WARNING, sum_baseline_msg::Searching, baseline.any_fullname());
  SUM_VobList pvobs;
  int status = SUM_Vob::get_all_pvobs_list(pvobs);
  if (status != 0)
    return status;
  SUM_HashTab<SUM_Baseline, SUM_BaselineList> table(64);
  if ((status = SUM_Baseline::compute_reverse_dependencies(pvobs, table)) != 0)
    return status;
  SUM_BaselineList found;
  if ((status = baseline.reverse_dependency_lookup(table, print, recurse, 0, found)) != 0)
    return status;
  out = found;
  return SUM_OK;
}

}  // namespace

int SUM_Baseline::reverse_dependency_list(SUM_BaselineList& out, int recurse) const {
  SUM_Trace trace("SUM_Baseline::reverse_dependency_list");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, search_dependents(*this, 0, recurse, out));
}

int SUM_Baseline::reverse_dependency_print(int recurse) const {
  SUM_Trace trace("SUM_Baseline::reverse_dependency_print");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_BaselineList found;
  return trace.checked(__LINE__, search_dependents(*this, 1, recurse, found));
}
