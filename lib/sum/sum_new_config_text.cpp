// The saved text of a configuration change: an "ncfg" element tree naming
// the stream ("strm") and holding one "cha" element per change with its
// kind, component and baselines, so that a later process (resuming or
// cancelling a rebase) works on the very change that was computed.
//
//   <ncfg><strm>stream:S@\pvob</strm>
//     <cha><cha_kind>forward</cha_kind><cha_comp>component:C@\pvob</cha_comp>
//          <cha_cbl>baseline:B1@\pvob</cha_cbl><cha_nbl>baseline:B2@\pvob</cha_nbl></cha>
//   </ncfg>
//
// "cha_nibl" stands for "cha_nbl" when the new baseline is implied by a
// composite, and "cha_cibl" for "cha_cbl" when the current one was.
#include <memory>
#include <string>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_new_config.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_new_config_text";

constexpr const char* kTagNames[] = {"none",     "ncfg",    "strm",     "cha",      "cha_kind",
                                     "cha_comp", "cha_cbl", "cha_cibl", "cha_nibl", "cha_nbl"};
constexpr int kTagCount = static_cast<int>(sizeof kTagNames / sizeof kTagNames[0]);

// Appends a leaf `tag` holding the universal selector of `object`.
int append_selector(XML_Element& parent, int tag, const SUM_VobObject& object) {
  SUM_String selector;
  int status = object.univ_selector(selector);
  if (status == 0)
    parent.sub_elements().append(XML_Element(SUM_String(SUM_NewConfig::tag2str(tag)), selector));
  return status;
}

}  // namespace

const char* SUM_NewConfig::tag2str(int tag) {
  return tag > TAG_NONE && tag < kTagCount ? kTagNames[tag] : kTagNames[TAG_NONE];
}

int SUM_NewConfig::str2tag(const char* text) {
  if (text == nullptr)
    return TAG_NONE;
  for (int i = 1; i < kTagCount; ++i)
    if (std::string(kTagNames[i]) == text)
      return i;
  return TAG_NONE;
}

int SUM_ConfigChange::save(XML_Element& parent) const {
  SUM_Trace trace("SUM_ConfigChange::save");
  const char* kind = kind2str(kind_);
  if (kind == nullptr || component_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  XML_Element change{SUM_String(SUM_NewConfig::tag2str(SUM_NewConfig::TAG_CHA))};
  change.sub_elements().append(XML_Element(
      SUM_String(SUM_NewConfig::tag2str(SUM_NewConfig::TAG_CHA_KIND)), SUM_String(kind)));
  int status = append_selector(change, SUM_NewConfig::TAG_CHA_COMP, component_);
  if (status == 0 && !current_.is_null())
    status = append_selector(
        change, current_implied_ ? SUM_NewConfig::TAG_CHA_CIBL : SUM_NewConfig::TAG_CHA_CBL,
        current_);
  if (status == 0 && !new_.is_null())
    status = append_selector(
        change, implied_ ? SUM_NewConfig::TAG_CHA_NIBL : SUM_NewConfig::TAG_CHA_NBL, new_);
  if (status != 0)
    return trace.checked(__LINE__, status);
  parent.sub_elements().append(change);
  return SUM_OK;
}

int SUM_ConfigChange::restore(SUM_NewConfig* owner, const XML_Element& element,
                              SUM_FoundationChange& out) {
  SUM_Trace trace("SUM_ConfigChange::restore");
  int kind = -1;
  SUM_Component component;
  SUM_Baseline current, fresh;
  int current_implied = 0, implied = 0;
  const XML_ElementList& items = element.sub_elements();
  for (unsigned i = 0; i < items.count(); ++i) {
    const SUM_String& value = items[i].value();
    int status = SUM_OK;
    switch (SUM_NewConfig::str2tag(items[i].name())) {
      case SUM_NewConfig::TAG_CHA_KIND:
        status = str2kind(value, kind);
        break;
      case SUM_NewConfig::TAG_CHA_COMP:
        status = SUM_Component::construct_from_selector(value, SUM_Vob(), component);
        break;
      case SUM_NewConfig::TAG_CHA_CIBL:
        current_implied = 1;
        [[fallthrough]];
      case SUM_NewConfig::TAG_CHA_CBL:
        status = SUM_Baseline::construct_from_selector(value, SUM_Vob(), current);
        break;
      case SUM_NewConfig::TAG_CHA_NIBL:
        implied = 1;
        [[fallthrough]];
      case SUM_NewConfig::TAG_CHA_NBL:
        status = SUM_Baseline::construct_from_selector(value, SUM_Vob(), fresh);
        break;
      default:
        break;  // an element this version does not know
    }
    if (status != 0) {
      imsg_print(IMSG_ERROR, sum_config_change_msg::SavedUnreadable, owner->stream().any_fullname(),
                 static_cast<const char*>(value));
      return trace.checked(__LINE__, SUM_FAILED);
    }
  }
  if (kind < 0 || component.is_null()) {
    imsg_print(IMSG_ERROR, sum_config_change_msg::SavedUnreadable, owner->stream().any_fullname(),
               "a change without kind or component");
    return trace.checked(__LINE__, SUM_FAILED);
  }
  out = SUM_FoundationChange(owner, kind, current, fresh, implied, component, 0);
  out.set_current_implied(current_implied);
  return SUM_OK;
}

int SUM_NewConfig::save(SUM_String& out) const {
  SUM_Trace trace("SUM_NewConfig::save");
  int valid = 0;
  is_valid(valid);
  if (!valid || recommend_ || stream_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  XML_Element root{SUM_String(tag2str(TAG_NCFG))};
  int status = append_selector(root, TAG_STRM, stream_);
  for (size_t i = 0; status == 0 && i < changes_.size(); ++i)
    status = changes_[i]->save(root);
  SUM_String text;
  if (status == 0)
    status = root.string(text, 0);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = text;
  return SUM_OK;
}

int SUM_NewConfig::restore(const char* text, int committed) {
  SUM_Trace trace("SUM_NewConfig::restore");
  if (initialised_ || stream_.is_null() || text == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  XML_Element root;
  if (XML_Element::parse(SUM_String(text), root) != 0 || str2tag(root.name()) != TAG_NCFG) {
    imsg_print(IMSG_ERROR, sum_config_change_msg::SavedUnreadable, stream_.any_fullname(),
               "not a saved configuration change");
    return trace.checked(__LINE__, SUM_FAILED);
  }
  int status = read_place();
  if (status == 0)
    status = read_mod_comps();
  if (status != 0)
    return trace.checked(__LINE__, status);
  std::vector<std::unique_ptr<SUM_ConfigChange>> changes;
  const XML_ElementList& items = root.sub_elements();
  for (unsigned i = 0; i < items.count(); ++i) {
    int tag = str2tag(items[i].name());
    if (tag == TAG_STRM) {
      SUM_Stream named;
      if (SUM_Stream::construct_from_selector(items[i].value(), SUM_Vob(), named) != 0 ||
          named != stream_) {
        imsg_print(IMSG_ERROR, sum_config_change_msg::SavedForOtherStream,
                   static_cast<const char*>(items[i].value()), stream_.any_fullname());
        return trace.checked(__LINE__, SUM_FAILED);
      }
      continue;
    }
    if (tag != TAG_CHA)
      continue;
    SUM_FoundationChange saved;
    if ((status = SUM_ConfigChange::restore(this, items[i], saved)) != 0)
      return trace.checked(__LINE__, status);
    changes.push_back(make_change(saved.kind(), saved.current_baseline(), saved.new_baseline(),
                                  saved.implied(), saved.component()));
    changes.back()->set_current_implied(saved.current_implied());
  }
  SUM_BaselineList before, after;
  for (const auto& change : changes) {
    if (!change->current_baseline().is_null() && !change->current_implied())
      before.append(change->current_baseline());
    if (!change->new_baseline().is_null() && !change->implied())
      after.append(change->new_baseline());
  }
  SUM_Foundation current, fresh;
  status = SUM_Foundation::construct_from_bls_no_lbl_chk(before, current);
  if (status == 0)
    status = SUM_Foundation::construct_from_bls_no_lbl_chk(after, fresh);
  if (status != 0)
    return trace.checked(__LINE__, status);
  current_foundation_ = current;
  new_foundation_ = fresh;
  changes_ = std::move(changes);
  initialised_ = validated_ = valid_ = 1;
  committed_ = committed ? 1 : 0;
  return SUM_OK;
}
