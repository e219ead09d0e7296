// SUM_Timeline and SUM_TimelineEntry: making, reading and removing the
// timelines of streams, foundation arcs, and the searches over a timeline's
// entries (foundation baselines, latest baselines, predecessors).
#include "sum/sum_timeline.h"
#include "sum/sum_timeline_cache.h"

#include "services/imsg.h"
#include "services/vob_hlink.h"
#include "services/vob_zem_baseline.h"
#include "services/vob_zem_stream.h"
#include "sum/sum_cache.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_component.h"
#include "sum/sum_event_info.h"
#include "sum/sum_hash_tab.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_timeline";

constexpr const char* kDuplicateComment = "Created duplicate timeline entry";
constexpr const char* kDestroyComment = "Deleting Timeline";
constexpr size_t kChunk = 32;

// The component of each stream timeline asked about; always on, since a
// timeline never changes its component.
SUM_Cache<SUM_Timeline, SUM_Component>& component_cache() {
  static auto* cache = new SUM_Cache<SUM_Timeline, SUM_Component>("Timeline_to_component", 1);
  return *cache;
}

}  // namespace

SUM_Cache<SUM_Stream, SUM_TimelineList>& sum_stream_timelines_cache() {
  static auto* cache = new SUM_Cache<SUM_Stream, SUM_TimelineList>("Stream_timelines", 0);
  return *cache;
}

namespace {

// `op`, or 0 below feature level 4, whose events carry no operation codes.
int opcode_for(const SUM_Vob& vob, int op, int& out) {
  int level = 0;
  int status = vob.feature_level(level);
  if (status == 0)
    out = level >= 4 ? op : 0;
  return status;
}

// Index of the entry of `baseline` in `entries` of a timeline of `vob`, or -1.
int index_of(const SUM_TimelineEntryList& entries, const SUM_Vob& vob,
             const SUM_Baseline& baseline) {
  for (unsigned i = 0; i < entries.count() && baseline.vob() == vob; ++i)
    if (entries[i].kind() == SUM_TimelineEntry::BASELINE && entries[i].dbid() == baseline.dbid())
      return static_cast<int>(i);
  return -1;
}

// Index of the newest entry of `kind` at or before `from`, or -1.
int last_of_kind(const SUM_TimelineEntryList& entries, int from, int kind) {
  for (int i = from; i >= 0; --i)
    if (entries[static_cast<unsigned>(i)].kind() == kind)
      return i;
  return -1;
}

// Whether an entry of `kind` (any entry, for kAnyKind) follows the newest
// baseline entry of `timeline`; with no baseline entry, whether there is
// one at all.
constexpr int kAnyKind = 0;
int entry_after_latest_bl(const SUM_Timeline& timeline, int kind, int& result) {
  SUM_TimelineEntryList list;
  int status = timeline.entries(list);
  if (status != 0)
    return status;
  int last = static_cast<int>(list.count()) - 1;
  int baseline = last_of_kind(list, last, SUM_TimelineEntry::BASELINE);
  int entry = kind == kAnyKind ? last : last_of_kind(list, last, kind);
  result = entry > baseline ? 1 : 0;
  return SUM_OK;
}

}  // namespace

// ---- SUM_Timeline: making and removing ----------------------------------------------

int SUM_Timeline::create(const SUM_Component& component, const SUM_Stream& stream,
                         const SUM_Baseline& foundation, const char* comment, SUM_Timeline& out) {
  SUM_Trace trace("SUM_Timeline::create");
  if (component.is_null() || stream.is_null() || foundation.is_null() ||
      component.vob() != stream.vob())
    return sum_int_error(kSource, trace.name(), __LINE__);
  const SUM_Vob& pvob = stream.vob();
  int op = 0;
  SUM_String selector;
  int status = opcode_for(pvob, kOpDuplicateEntry, op);
  if (status == 0)
    status = component.univ_selector(selector);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_EventInfo event(comment, op);
  tbs_dbid_t dbid = 0;
  status = vob_zem_timeline_create(pvob.handle(), stream.dbid(), nullptr, event.info(), &dbid);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_Timeline made(pvob, dbid);
  status = sum_pvar_set(made, kComponentPvar, selector, op, comment);
  if (status == 0)
    status = made.add_foundation_arc(foundation, comment);
  if (status != 0) {
    vob_zem_timeline_delete(pvob.handle(), dbid, event.info());
    return trace.checked(__LINE__, status);
  }
  component_cache().enter(made, component);
  sum_stream_timelines_cache().remove(stream);
  out = made;
  return SUM_OK;
}

SUM_Timeline::Iter* SUM_Timeline::timelines_in_vob(const SUM_Vob& vob) {
  if (vob.is_null()) {
    sum_int_error(kSource, "SUM_Timeline::timelines_in_vob", __LINE__);
    return nullptr;
  }
  return new Iter(vob);
}

int SUM_Timeline::ok_to_destroy(int& ok) const {
  SUM_Trace trace("SUM_Timeline::ok_to_destroy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_TimelineEntryList list;
  int status = entries(list);
  if (status != 0)
    return trace.checked(__LINE__, status);
  int main = 0;
  if ((status = is_main(main)) != 0)
    return trace.checked(__LINE__, status);
  ok = !main && list.count() == 1 && list[0].kind() == SUM_TimelineEntry::FOUNDATION_ARC ? 1 : 0;
  return SUM_OK;
}

int SUM_Timeline::destroy() {
  SUM_Trace trace("SUM_Timeline::destroy");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int ok = 0;
  int status = ok_to_destroy(ok);
  if (status != 0 || !ok)
    return trace.checked(__LINE__, status);
  SUM_TimelineEntryList list;
  int op = 0;
  if ((status = entries(list)) != 0 || (status = opcode_for(vob_, kOpDuplicateEntry, op)) != 0)
    return trace.checked(__LINE__, status);
  SUM_EventInfo event(kDestroyComment, op);
  SUM_Stream owner;
  if ((status = stream(owner)) != 0)
    return trace.checked(__LINE__, status);
  if ((status = vob_zem_timeline_delete(vob_.handle(), dbid_, event.info())) != 0)
    return trace.checked(__LINE__, status);
  sum_stream_timelines_cache().remove(owner);
  // The arc's hyperlink goes too. Should that fail, the link is left with a
  // broken "from" end, which no foundation question counts.
  if (vob_hlink_delete(vob_.handle(), list[0].dbid(), event.info()) != 0)
    trace.info(2, "foundation arc %u of a removed timeline stays", list[0].dbid());
  component_cache().remove(*this);
  dbid_ = 0;
  return SUM_OK;
}

// ---- SUM_Timeline: what it is ---------------------------------------------------------

int SUM_Timeline::is_main(int& result) const {
  SUM_Trace trace("SUM_Timeline::is_main");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  result = SUM_Component::convert(*this).is_null() ? 0 : 1;
  return SUM_OK;
}

int SUM_Timeline::component(SUM_Component& out) const {
  SUM_Trace trace("SUM_Timeline::component");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  // Only stream timelines are cached, so a hit needs no read of the type.
  SUM_Component found;
  if (component_cache().lookup(*this, found)) {
    out = found;
    return SUM_OK;
  }
  int main = 0;
  int status = is_main(main);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (main) {
    out = SUM_Component(vob_, dbid_);
    return SUM_OK;
  }
  SUM_String selector;
  if ((status = sum_pvar_get(*this, kComponentPvar, selector)) != 0)
    return trace.checked(__LINE__, status);
  if (selector.GetLength() == 0)
    return trace.checked(__LINE__, SUM_NOT_FOUND);
  if ((status = SUM_Component::construct_from_selector(selector, vob_, found)) != 0)
    return trace.checked(__LINE__, status);
  component_cache().enter(*this, found);
  out = found;
  return SUM_OK;
}

int SUM_Timeline::stream(SUM_Stream& out) const {
  SUM_Trace trace("SUM_Timeline::stream");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int main = 0;
  int status = is_main(main);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (main)
    return SUM_NOT_FOUND;
  tbs_dbid_t dbid = 0;
  if ((status = vob_zem_timeline_get_stream(vob_.handle(), dbid_, &dbid)) != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Stream(vob_, dbid);
  return SUM_OK;
}

// ---- SUM_Timeline: entries ------------------------------------------------------------

int SUM_Timeline::entries(SUM_TimelineEntryList& out) const {
  SUM_Trace trace("SUM_Timeline::entries");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int main = 0;
  int status = is_main(main);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_TimelineEntryList found;
  if (!main) {
    std::vector<vob_zem_timeline_entry_t> raw;
    if ((status = vob_zem_timeline_get_entries(vob_.handle(), dbid_, raw)) != 0)
      return trace.checked(__LINE__, status);
    for (const auto& e : raw)
      found.append(SUM_TimelineEntry(*this, e.etime, e.kind, e.dbid));
    out = found;
    return SUM_OK;
  }
  // A main timeline lists every baseline of its component; an entry's time
  // is the baseline's creation time.
  std::vector<tbs_dbid_t> chunk;
  for (size_t offset = 0;; offset += kChunk) {
    status = vob_zem_component_next_baselines(vob_.handle(), dbid_, offset, kChunk, chunk);
    if (status != 0)
      return trace.checked(__LINE__, status);
    for (tbs_dbid_t baseline : chunk) {
      vob_fstat_t fstat;
      if ((status = vob_obj_get_fstat_db(vob_.handle(), baseline, &fstat)) != 0)
        return trace.checked(__LINE__, status);
      found.append(SUM_TimelineEntry(*this, fstat.created, VOB_ZEM_TL_BASELINE, baseline));
    }
    if (chunk.size() < kChunk)
      break;
  }
  out = found;
  return SUM_OK;
}

int SUM_Timeline::baselines(SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_Timeline::baselines");
  return trace.checked(__LINE__, baseline_predecessors(-1, out));
}

int SUM_Timeline::baseline_predecessors(int index, SUM_BaselineList& out) const {
  SUM_Trace trace("SUM_Timeline::baseline_predecessors");
  SUM_TimelineEntryList list;
  int status = entries(list);
  if (status != 0)
    return trace.checked(__LINE__, status);
  unsigned end = index < 0 || static_cast<unsigned>(index) > list.count()
                     ? list.count()
                     : static_cast<unsigned>(index);
  SUM_BaselineList found;
  for (unsigned i = 0; i < end; ++i)
    if (list[i].kind() == SUM_TimelineEntry::BASELINE)
      found.append(SUM_Baseline(vob_, list[i].dbid()));
  out = found;
  return SUM_OK;
}

int SUM_Timeline::baseline_index(SUM_HashTab<SUM_Baseline, int>& out) const {
  SUM_Trace trace("SUM_Timeline::baseline_index");
  SUM_TimelineEntryList list;
  int status = entries(list);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out.clear();
  for (unsigned i = 0; i < list.count(); ++i)
    if (list[i].kind() == SUM_TimelineEntry::BASELINE)
      out.enter(SUM_Baseline(vob_, list[i].dbid()), static_cast<int>(i));
  return SUM_OK;
}

int SUM_Timeline::foundation_baseline(SUM_Baseline& out) const {
  SUM_Trace trace("SUM_Timeline::foundation_baseline");
  int main = 0;
  SUM_TimelineEntryList list;
  int status = entries(list);
  if (status == 0)
    status = is_main(main);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (main)
    return SUM_NOT_FOUND;
  int at =
      last_of_kind(list, static_cast<int>(list.count()) - 1, SUM_TimelineEntry::FOUNDATION_ARC);
  if (at < 0) {
    imsg_print(IMSG_ERROR, sum_msg::NoFoundationArc, any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  return trace.checked(__LINE__, list[static_cast<unsigned>(at)].baseline(out));
}

int SUM_Timeline::fdn_bl_at_bl(const SUM_Baseline& baseline, SUM_Baseline& out) const {
  SUM_Trace trace("SUM_Timeline::fdn_bl_at_bl");
  if (is_null() || baseline.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_TimelineEntryList list;
  int status = entries(list);
  if (status != 0)
    return trace.checked(__LINE__, status);
  int at = index_of(list, vob_, baseline);
  if (at < 0)
    return trace.checked(__LINE__, SUM_NOT_FOUND);
  return trace.checked(__LINE__, fdn_bl_at_offset(at, out));
}

int SUM_Timeline::fdn_bl_at_offset(int offset, SUM_Baseline& out) const {
  SUM_Trace trace("SUM_Timeline::fdn_bl_at_offset");
  int main = 0;
  SUM_TimelineEntryList list;
  int status = entries(list);
  if (status == 0)
    status = is_main(main);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (offset < 0 || static_cast<unsigned>(offset) >= list.count())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int at = last_of_kind(list, offset, SUM_TimelineEntry::FOUNDATION_ARC);
  if (at < 0) {
    if (main)
      imsg_print(IMSG_ERROR, sum_msg::NoArcOnMain);
    else
      imsg_print(IMSG_ERROR, sum_msg::NoFoundationArc, any_fullname());
    return trace.checked(__LINE__, SUM_NOT_FOUND);
  }
  return trace.checked(__LINE__, list[static_cast<unsigned>(at)].baseline(out));
}

int SUM_Timeline::latest_baseline(SUM_Baseline& out) const {
  SUM_Trace trace("SUM_Timeline::latest_baseline");
  return trace.checked(__LINE__, latest_baseline(SUM_PLevel(), 0, out));
}

int SUM_Timeline::latest_baseline(const SUM_PLevel& level, SUM_Baseline& out) const {
  SUM_Trace trace("SUM_Timeline::latest_baseline");
  return trace.checked(__LINE__, latest_baseline(level, 0, out));
}

int SUM_Timeline::latest_baseline(const SUM_PLevel& level, int labeled_only,
                                  SUM_Baseline& out) const {
  SUM_Trace trace("SUM_Timeline::latest_baseline");
  SUM_TimelineEntryList list;
  SUM_PLevelList levels;
  int status = entries(list);
  if (status == 0 && !level.is_null())
    status = SUM_PLevel::get_plevels(vob_, levels);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (int i = static_cast<int>(list.count()) - 1; i >= 0; --i) {
    const SUM_TimelineEntry& entry = list[static_cast<unsigned>(i)];
    if (entry.kind() != SUM_TimelineEntry::BASELINE)
      continue;
    SUM_Baseline candidate(vob_, entry.dbid());
    if (!level.is_null()) {
      SUM_PLevel has;
      int order = 0;
      if ((status = candidate.plevel(has)) != 0)
        return trace.checked(__LINE__, status);
      status = SUM_PLevel::compare(has, level, levels, order);
      if (status == SUM_NOT_FOUND || (status == 0 && order < 0))
        continue;  // a level below, or one the PVOB no longer has
      if (status != 0)
        return trace.checked(__LINE__, status);
    }
    if (labeled_only) {
      int labeled = 0;
      if ((status = candidate.is_labeled(labeled)) != 0)
        return trace.checked(__LINE__, status);
      if (!labeled)
        continue;
    }
    out = candidate;
    return SUM_OK;
  }
  return SUM_NOT_FOUND;
}

int SUM_Timeline::latest_interesting_ents(int& baseline_index, int& arc_index) const {
  SUM_Trace trace("SUM_Timeline::latest_interesting_ents");
  SUM_TimelineEntryList list;
  int status = entries(list);
  if (status != 0)
    return trace.checked(__LINE__, status);
  int last = static_cast<int>(list.count()) - 1;
  int arc = last_of_kind(list, last, SUM_TimelineEntry::FOUNDATION_ARC);
  if (arc < 0) {
    imsg_print(IMSG_ERROR, sum_msg::NoFoundationArc, any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  baseline_index = last_of_kind(list, last, SUM_TimelineEntry::BASELINE);
  arc_index = arc;
  return SUM_OK;
}

int SUM_Timeline::arc_after_latest_bl(int& result) const {
  SUM_Trace trace("SUM_Timeline::arc_after_latest_bl");
  // Any entry after the newest baseline that is not a baseline is an arc of
  // some kind (a foundation arc, or the other kind 2).
  return trace.checked(__LINE__, entry_after_latest_bl(*this, kAnyKind, result));
}

int SUM_Timeline::foundation_arc_after_latest_bl(int& result) const {
  SUM_Trace trace("SUM_Timeline::foundation_arc_after_latest_bl");
  return trace.checked(__LINE__,
                       entry_after_latest_bl(*this, SUM_TimelineEntry::FOUNDATION_ARC, result));
}

int SUM_Timeline::delivery_after_latest_bl(int& result) const {
  SUM_Trace trace("SUM_Timeline::delivery_after_latest_bl");
  return trace.checked(__LINE__, entry_after_latest_bl(*this, SUM_TimelineEntry::KIND_2, result));
}

int SUM_Timeline::arc_after_pred_bl(const SUM_Baseline& baseline, int& result) const {
  SUM_Trace trace("SUM_Timeline::arc_after_pred_bl");
  if (is_null() || baseline.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_TimelineEntryList list;
  int status = entries(list);
  if (status != 0)
    return trace.checked(__LINE__, status);
  int at = index_of(list, vob_, baseline);
  if (at < 0)
    return trace.checked(__LINE__, SUM_NOT_FOUND);
  int found = 0;
  for (int i = at - 1; i >= 0 && !found; --i) {
    int kind = list[static_cast<unsigned>(i)].kind();
    if (kind == SUM_TimelineEntry::BASELINE)
      break;
    found = kind == SUM_TimelineEntry::FOUNDATION_ARC ? 1 : 0;
  }
  result = found;
  return SUM_OK;
}

// ---- SUM_Timeline: new entries ----------------------------------------------------------

int SUM_Timeline::create_duplicate_entry(tbs_dbid_t arc) const {
  SUM_Trace trace("SUM_Timeline::create_duplicate_entry");
  if (is_null() || arc == 0)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int main = 0;
  SUM_Component owner;
  int has_root = 0;
  int status = is_main(main);
  if (status == 0 && main)
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (status == 0)
    status = component(owner);
  if (status == 0)
    status = owner.has_crde(has_root);
  if (status != 0)
    return trace.checked(__LINE__, status);
  // Only a rootless component's timeline repeats an arc.
  if (has_root)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int op = 0;
  if ((status = opcode_for(vob_, kOpDuplicateEntry, op)) != 0)
    return trace.checked(__LINE__, status);
  SUM_EventInfo event(kDuplicateComment, op);
  return trace.checked(
      __LINE__, vob_zem_timeline_add_entry(vob_.handle(), dbid_, VOB_ZEM_TL_FOUNDATION_ARC, arc,
                                           event.info()));
}

int SUM_Timeline::add_foundation_arc(const SUM_Baseline& baseline, const char* comment) const {
  SUM_Trace trace("SUM_Timeline::add_foundation_arc");
  if (is_null() || baseline.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int main = 0;
  int status = is_main(main);
  if (status == 0 && main)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int op = 0;
  if (status == 0)
    status = opcode_for(vob_, kOpDuplicateEntry, op);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_EventInfo event(comment, op);
  tbs_dbid_t hlink = 0;
  status =
      vob_hlink_create_wk(vob_.handle(), dbid_, VOB_WK_HLTYPE_FOUNDATION, baseline.vob().handle(),
                          baseline.dbid(), "", "", event.info(), &hlink);
  if (status != 0) {
    SUM_VobObject type;
    const char* type_name =
        vob_.wk_obj(VOB_WK_HLTYPE_FOUNDATION, type) == 0 ? type.any_name() : "Foundation";
    imsg_print(IMSG_ERROR, sum_msg::HlinkCreateFailed, type_name, any_name(), baseline.any_name());
    return trace.checked(__LINE__, status);
  }
  status = vob_zem_timeline_add_entry(vob_.handle(), dbid_, VOB_ZEM_TL_FOUNDATION_ARC, hlink,
                                      event.info());
  if (status != 0) {
    vob_hlink_delete(vob_.handle(), hlink, event.info());
    return trace.checked(__LINE__, status);
  }
  return SUM_OK;
}

int SUM_Timeline::remove_arcs_from(unsigned from, const char* comment) const {
  SUM_Trace trace("SUM_Timeline::remove_arcs_from");
  if (is_null() || from == 0)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int op = 0;
  int status = opcode_for(vob_, kOpDuplicateEntry, op);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_EventInfo event(comment, op);
  return trace.checked(__LINE__,
                       vob_zem_timeline_drop_arcs_from(vob_.handle(), dbid_, from, event.info()));
}

// ---- SUM_TimelineEntry ----------------------------------------------------------------

int SUM_TimelineEntry::kind() const {
  if (raw_kind_ == FOUNDATION_ARC || raw_kind_ == KIND_2)
    return raw_kind_;
  return BASELINE;
}

int SUM_TimelineEntry::baseline(SUM_Baseline& out) const {
  SUM_Trace trace("SUM_TimelineEntry::baseline");
  if (timeline_.is_null() || dbid_ == 0)
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (kind() == BASELINE) {
    out = SUM_Baseline(timeline_.vob(), dbid_);
    return SUM_OK;
  }
  if (kind() == KIND_2)
    return trace.checked(__LINE__, delivered_baseline(out));
  vob_vob_h vob = nullptr;
  tbs_dbid_t target = 0;
  int broken = 0;
  int status =
      vob_hlink_hlinkh_get_one_obj(timeline_.vob().handle(), dbid_, 1, &vob, &target, &broken);
  if (status == 0 && (broken || vob == nullptr))
    status = SUM_FAILED;
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_msg::NoContributingBaseline, timeline_.any_fullname());
    return trace.checked(__LINE__, status);
  }
  out = SUM_Baseline(SUM_Vob(vob), target);
  return SUM_OK;
}

int SUM_TimelineEntry::delivered_baseline(SUM_Baseline& out) const {
  // Only a delivery's hyperlink says what a kind 2 entry brought: anything
  // else named there, or a link whose baseline is gone, contributes nothing
  // that can be told.
  vob_arrow_info_t arrow;
  if (vob_hlink_hlinkh_get_arrow(timeline_.vob().handle(), dbid_, &arrow) != 0 ||
      arrow.wk_type != VOB_WK_HLTYPE_TIMELINE_CONTRIB || arrow.from_vob == nullptr ||
      arrow.from == 0)
    return SUM_NOT_FOUND;
  int exists = 0;
  int status = vob_obj_exists(arrow.from_vob, arrow.from, &exists);
  if (status != 0)
    return status;
  if (!exists)
    return SUM_NOT_FOUND;
  out = SUM_Baseline(SUM_Vob(arrow.from_vob), arrow.from);
  return SUM_OK;
}

int SUM_TimelineEntry::timeline(SUM_Timeline& out) const {
  SUM_Trace trace("SUM_TimelineEntry::timeline");
  if (timeline_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  out = timeline_;
  return SUM_OK;
}

bool SUM_TimelineEntry::operator==(const SUM_TimelineEntry& other) const {
  return etime_ == other.etime_ && raw_kind_ == other.raw_kind_ && dbid_ == other.dbid_ &&
         timeline_ == other.timeline_;
}

// ---- SUM_Timeline::Iter -----------------------------------------------------------------

int SUM_Timeline::Iter::current_item(SUM_Timeline& item) const {
  if (is_done())
    return sum_int_error(kSource, "SUM_Timeline::Iter::current_item", __LINE__);
  item = SUM_Timeline(vob(), current_dbid());
  return SUM_OK;
}

int SUM_Timeline::Iter::fetch(size_t offset, size_t max, std::vector<tbs_dbid_t>& out) {
  SUM_Trace trace("SUM_Timeline::Iter::fetch");
  return trace.checked(__LINE__, vob_zem_pvob_next_timelines(vob().handle(), offset, max, out));
}
