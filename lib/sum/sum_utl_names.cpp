// Naming utilities: name checks, title conversion, unique names, type
// listings and bulk resolution of universal selectors.
#include "sum/sum_utl_names.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <map>
#include <string>
#include <vector>

#include "services/date.h"
#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_vob_object.h"

namespace {

constexpr const char* kSource = "sum_utl_names";
constexpr int kMaxNameBytes = 255;
constexpr int kTitleCopyBytes = 1024;
constexpr int kTitleCutBytes = 60;
constexpr int kUniqueNameRounds = 20;

// One character of a multibyte text: its bytes and, when they form a valid
// character of the current locale, its wide value.
struct MbChar {
  std::string bytes;
  bool valid = false;
  wchar_t wc = 0;
};

// Splits `text` into characters of the current locale; a byte that starts
// no valid character stands alone and is marked invalid.
std::vector<MbChar> split_chars(const char* text, size_t length) {
  std::vector<MbChar> chars;
  std::mbstate_t state{};
  size_t pos = 0;
  while (pos < length) {
    MbChar c;
    wchar_t wc = 0;
    size_t used = std::mbrtowc(&wc, text + pos, length - pos, &state);
    if (used == static_cast<size_t>(-1) || used == static_cast<size_t>(-2) || used == 0) {
      state = std::mbstate_t{};
      used = 1;
    } else {
      c.valid = true;
      c.wc = wc;
    }
    c.bytes.assign(text + pos, used);
    pos += used;
    chars.push_back(c);
  }
  return chars;
}

// Letters, digits and the three punctuation characters names may hold.
bool is_name_char(const MbChar& c) {
  return c.valid &&
         (std::iswalnum(static_cast<wint_t>(c.wc)) || c.wc == L'-' || c.wc == L'_' || c.wc == L'.');
}

// An optional sign followed by at least one decimal digit, and nothing else.
bool is_decimal_integer(const char* text) {
  if (*text == '-' || *text == '+')
    ++text;
  if (*text == '\0')
    return false;
  for (; *text != '\0'; ++text)
    if (*text < '0' || *text > '9')
      return false;
  return true;
}

// One number from 1 to 9999 for a unique-name suffix. The generator is
// seeded anew before each draw from the time, the process id and a counter,
// so that processes started in the same second draw different numbers.
int draw_suffix_number() {
  static unsigned counter = 0;
  date_timeval_t now;
  date_get_timeval(&now);
  unsigned seed = static_cast<unsigned>(now.sec * static_cast<long>(getpid())) + counter++;
  std::srand(seed);
  return std::rand() % 9999 + 1;
}

}  // namespace

int sum_utl_is_ok_name(const SUM_String& name) {
  SUM_Trace trace("sum_utl_is_ok_name");
  int length = name.GetLength();
  if (length == 0) {
    imsg_print(IMSG_ERROR, sum_utl_msg::NameEmpty);
    return 0;
  }
  if (length > kMaxNameBytes) {
    imsg_print(IMSG_ERROR, sum_utl_msg::NameTooLong);
    return 0;
  }
  for (const MbChar& c : split_chars(name, static_cast<size_t>(length))) {
    if (!is_name_char(c)) {
      imsg_print(IMSG_ERROR, sum_utl_msg::NameIllegalCharacters);
      return 0;
    }
  }
  if (name == "." || name == ".." || name == "...") {
    imsg_print(IMSG_ERROR, sum_utl_msg::NameNotPermitted);
    return 0;
  }
  if (is_decimal_integer(name)) {
    imsg_print(IMSG_ERROR, sum_utl_msg::KorvaneDoesNotSupport, name);
    return 0;
  }
  return 1;
}

int sum_utl_is_usable_name(const char* name, vob_mtype_t mtype, const SUM_Vob& vob) {
  if (name == nullptr)
    return 0;
  SUM_String text(name);
  return sum_utl_is_ok_name(text) && sum_utl_is_unique_name(text, mtype, vob) ? 1 : 0;
}

int sum_utl_is_unique_name(const SUM_String& name, vob_mtype_t mtype, const SUM_Vob& vob) {
  SUM_Trace trace("sum_utl_is_unique_name");
  if (vob.is_null()) {
    sum_int_error(kSource, trace.name(), __LINE__);
    return 0;
  }
  tbs_dbid_t dbid = 0;
  int status = vob_obj_resolve(vob.handle(), name, mtype, &dbid);
  if (status == SUM_NOT_FOUND)
    return 1;
  if (status != 0) {
    trace.status_line(__LINE__, status);
    imsg_print(IMSG_ERROR, sum_utl_msg::InternalErrorWhileTrying);
    return 0;
  }
  imsg_print(IMSG_ERROR, sum_utl_msg::NameInUseMessage);
  return 0;
}

SUM_String sum_utl_cvt_title_to_obj_name(const SUM_String& title) {
  SUM_Trace trace("sum_utl_cvt_title_to_obj_name");
  size_t length = static_cast<size_t>(title.GetLength());
  if (length > kTitleCopyBytes - 1)
    length = kTitleCopyBytes - 1;

  // A unit is one character of the working text; `space` marks whitespace,
  // which after the first step is always a single " ".
  struct Unit {
    std::string bytes;
    bool space = false;
    bool alpha = false;
  };
  std::vector<Unit> units;
  for (const MbChar& c : split_chars(title, length)) {
    if (is_name_char(c)) {
      units.push_back({c.bytes, false, std::iswalpha(static_cast<wint_t>(c.wc)) != 0});
    } else {
      for (size_t i = 0; i < c.bytes.size(); ++i)
        units.push_back({" ", true, false});
    }
  }
  for (Unit& u : units) {
    if (!u.space && u.bytes != "-")
      break;
    u = {" ", true, false};
  }

  std::vector<Unit> kept;
  size_t bytes = 0;
  for (const Unit& u : units) {
    if (u.space && !kept.empty() && kept.back().space)
      continue;
    kept.push_back(u);
    bytes += u.bytes.size();
    if (bytes > kTitleCutBytes)
      break;
  }

  size_t first = 0;
  size_t last = kept.size();
  while (first < last && kept[first].space)
    ++first;
  while (last > first && kept[last - 1].space)
    --last;
  std::string name;
  bool has_letter = false;
  for (size_t i = first; i < last; ++i) {
    name += kept[i].space ? "_" : kept[i].bytes;
    has_letter = has_letter || kept[i].alpha;
  }
  return has_letter ? SUM_String(name.c_str()) : SUM_String();
}

SUM_String sum_utl_generate_unique_obj_name(const SUM_String& base, vob_mtype_t mtype,
                                            int random_suffix, const SUM_Vob& vob) {
  SUM_Trace trace("sum_utl_generate_unique_obj_name");
  if (vob.is_null()) {
    sum_int_error(kSource, trace.name(), __LINE__);
    return SUM_String();
  }
  if (base.GetLength() == 0)
    return SUM_String();
  SUM_String suffix;
  if (random_suffix)
    suffix.Format(".%d", draw_suffix_number());
  for (int round = 0; round < kUniqueNameRounds; ++round) {
    SUM_String candidate(base, suffix);
    if (candidate.GetLength() > kMaxNameBytes) {
      imsg_print(IMSG_ERROR, tbs_msg::NameLongerThanBytes, candidate, kMaxNameBytes);
      return SUM_String();
    }
    tbs_dbid_t dbid = 0;
    int status = vob_obj_resolve(vob.handle(), candidate, mtype, &dbid);
    if (status == SUM_NOT_FOUND)
      return candidate;
    if (status != 0) {
      trace.status_line(__LINE__, status);
      imsg_print(IMSG_ERROR, sum_utl_msg::InternalErrorWhileTrying);
      return SUM_String();
    }
    trace.info(2, "conflict: %s", static_cast<const char*>(candidate));
    suffix.Format(".%d", draw_suffix_number());
  }
  imsg_print(IMSG_ERROR, sum_utl_msg::CantGenerateUniqueName, base);
  return SUM_String();
}

int sum_utl_get_named_objs(const SUM_Vob& vob, const char* kind, SUM_NamedObjectList& out) {
  SUM_Trace trace("sum_utl_get_named_objs");
  if (vob.is_null() || kind == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_objsel_kind_t sel_kind = VOB_SEL_ANY;
  int status = vob_utl_str_to_objsel_kind(kind, &sel_kind);
  if (status != 0)
    return trace.checked(__LINE__, status);
  vob_mtype_t type_mtype = VOB_MTYPE_NONE;
  for (vob_mtype_t mtype : vob_utl_objsel_kind_mtypes(sel_kind)) {
    if (vob_mtype_is_type(mtype)) {
      type_mtype = mtype;
      break;
    }
  }
  if (type_mtype == VOB_MTYPE_NONE) {
    trace.status_line(__LINE__, SUM_FAILED);
    return SUM_FAILED;
  }
  std::vector<tbs_dbid_t> types;
  status = cmd_utl_get_types(vob.handle(), type_mtype, types);
  if (status != 0)
    return trace.checked(__LINE__, status);
  for (tbs_dbid_t dbid : types)
    out.append(SUM_NamedObject(vob, dbid));
  return SUM_OK;
}

int sum_utl_resolve_univ_selectors(const SUM_StringList& selectors, vob_vob_h* vobs,
                                   tbs_dbid_t* dbids, unsigned count) {
  SUM_Trace trace("sum_utl_resolve_univ_selectors");
  if (count > selectors.count() || (count > 0 && (vobs == nullptr || dbids == nullptr)))
    return sum_int_error(kSource, trace.name(), __LINE__);
  // Groups keyed by VOB text. An ordered map stands in for the library's
  // hash table of strings until that exists; it also makes the group order
  // (that of the VOB texts) one a caller can rely on.
  std::map<std::string, std::vector<std::string>> groups;
  for (unsigned i = 0; i < count; ++i) {
    const char* text = selectors[i];
    const char* at = std::strchr(text, '@');
    groups[at != nullptr ? at : ""].push_back(text);
  }
  unsigned next = 0;
  for (const auto& [vob_text, texts] : groups) {
    std::vector<vob_vob_h> found_vobs;
    std::vector<tbs_dbid_t> found_dbids;
    int status = vob_resolve_univ_selectors(texts, found_vobs, found_dbids);
    if (status == 0 && (found_vobs.size() != texts.size() || found_dbids.size() != texts.size()))
      return sum_int_error(kSource, trace.name(), __LINE__);
    if (status != 0)
      return trace.checked(__LINE__, status);
    for (size_t i = 0; i < texts.size(); ++i, ++next) {
      vobs[next] = found_vobs[i];
      dbids[next] = found_dbids[i];
      if (found_dbids[i] == 0) {
        trace.status_line(__LINE__, SUM_FAILED);
        return SUM_FAILED;
      }
    }
  }
  return SUM_OK;
}

int sum_utl_parse_selector(const char* text, vob_objsel_t& out) {
  SUM_Trace trace("sum_utl_parse_selector");
  if (text == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_objsel_t parsed;
  int status = vob_utl_parse_objsel(text, &parsed);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = parsed;
  return SUM_OK;
}

int sum_utl_type_kind_mtype(const char* kind, vob_mtype_t& out) {
  SUM_Trace trace("sum_utl_type_kind_mtype");
  if (kind == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_objsel_kind_t sel = 0;
  std::vector<vob_mtype_t> mtypes;
  if (vob_utl_str_to_objsel_kind(kind, &sel) == 0)
    mtypes = vob_utl_objsel_kind_mtypes(sel);
  if (mtypes.empty() || !vob_mtype_is_type(mtypes[0]))
    return trace.checked(__LINE__, TBS_ST_BAD_ARGUMENT);
  out = mtypes[0];
  return SUM_OK;
}
