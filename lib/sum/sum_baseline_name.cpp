// SUM_Baseline naming: the project's naming template, the date and time
// shared by baselines made together, the names of import baselines, and the
// uniqueness suffix.
#include <strings.h>

#include <cstdlib>
#include <string>

#include "services/date.h"
#include "services/imsg.h"
#include "services/sysutl.h"
#include "services/vob.h"
#include "sum/sum_baseline.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_component.h"
#include "sum/sum_os_user.h"
#include "sum/sum_project.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"
#include "sum/sum_utl_names.h"

namespace {

constexpr const char* kSource = "sum_baseline_name";

constexpr const char* kForceUniqueVar = "ZEM_FORCE_UNIQUE_BLNAME";
constexpr const char* kImportSuffix = "IMPORT";

// How many numbered candidates a unique name is looked for among.
constexpr int kUniqueTries = 10000;
constexpr int kMaxName = 255;

// The date and time texts shared by the baselines of one group: filled by
// the first baseline of the group that needs them while `keep` is set.
struct GroupDateTime {
  bool keep = false;
  std::string date;
  std::string time;
};

GroupDateTime& group() {
  static GroupDateTime shared;
  return shared;
}

// The current date ("20261206") or time ("220405") text, shared within a
// group.
std::string date_time_text(int token) {
  GroupDateTime& g = group();
  std::string& slot = token == DATE_TOKEN_DATE ? g.date : g.time;
  if (g.keep && !slot.empty())
    return slot;
  date_timeval_t now;
  date_get_timeval(&now);
  std::string text = date_fmt_numeric_token(now.sec, token);
  if (g.keep)
    slot = text;
  return text;
}

vob_mtype_t baseline_mtype(const SUM_Vob& pvob) {
  return pvob.supports_fc_objs() ? VOB_MTYPE_BASELINE : VOB_MTYPE_CHECKPOINT;
}

// Whether a baseline of `pvob` is named `name`: `taken` 1 or 0.
int name_taken(const SUM_Vob& pvob, const SUM_String& name, int& taken) {
  tbs_dbid_t dbid = 0;
  int status = vob_obj_resolve(pvob.handle(), name, baseline_mtype(pvob), &dbid);
  if (status == SUM_NOT_FOUND) {
    taken = 0;
    return SUM_OK;
  }
  if (status == 0)
    taken = 1;
  return status;
}

// `base`, or when a baseline has that name, `base` + "." + n for the first
// free n from `start` (at least 1). No free name: 1001 after a message.
int unique_name(const SUM_Vob& pvob, const SUM_String& base, int start, SUM_String& out) {
  int taken = 0;
  int status = name_taken(pvob, base, taken);
  if (status != 0 || !taken) {
    if (status == 0)
      out = base;
    return status;
  }
  int first = start < 1 ? 1 : start;
  for (int n = first; n < first + kUniqueTries; ++n) {
    SUM_String candidate;
    candidate.Format("%s.%d", static_cast<const char*>(base), n);
    if (candidate.GetLength() > kMaxName)
      break;
    if ((status = name_taken(pvob, candidate, taken)) != 0)
      return status;
    if (!taken) {
      out = candidate;
      return SUM_OK;
    }
  }
  imsg_print(IMSG_ERROR, sum_baseline_msg::NoUniqueName, base);
  return SUM_FAILED;
}

// `text` cut to the longest baseline name, with the warning when cut.
SUM_String cut_to_limit(const SUM_String& text) {
  if (text.GetLength() <= SUM_Baseline::kMaxNameBase)
    return text;
  imsg_print(IMSG_WARNING, sum_baseline_msg::NameTruncated);
  return text.Left(SUM_Baseline::kMaxNameBase);
}

bool force_unique() {
  const char* value = std::getenv(kForceUniqueVar);
  return value != nullptr && strcasecmp(value, "true") == 0;
}

// What the tokens of a template expand from.
struct NamingContext {
  const char* base = "";
  SUM_Project project;
  SUM_Stream stream;
  SUM_Component component;  // may be null
};

// The expansion of one template token; 1001 after the message for a token
// outside the table.
int expand_token(const SUM_String& token, const NamingContext& context, SUM_String& out) {
  if (token == "basename") {
    out = context.base;
  } else if (token == "project") {
    return context.project.name(out);
  } else if (token == "component") {
    if (!context.component.is_null())
      return context.component.name(out);
    out = "<component>";
  } else if (token == "stream") {
    return context.stream.name(out);
  } else if (token == "date") {
    out = date_time_text(DATE_TOKEN_DATE).c_str();
  } else if (token == "time") {
    out = date_time_text(DATE_TOKEN_TIME).c_str();
  } else if (token == "user") {
    SUM_OsUser user;
    char login[256] = "";
    if (SUM_OsUser::current_user(user) == 0)
      user.login_name(login);
    out = login;
  } else if (token == "host") {
    out = sysutl_hostname().c_str();
  } else {
    imsg_print(IMSG_ERROR, sum_baseline_msg::InvalidToken, token);
    return SUM_FAILED;
  }
  return SUM_OK;
}

// The template tokens in force for `project`.
int template_tokens(const SUM_Project& project, const SUM_Component& component,
                    SUM_StringList& tokens, bool& only_basename) {
  SUM_StringList stored;
  int status = project.get_blname_template_list(stored);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_baseline_msg::TemplateUnreadable, project.any_fullname());
    return status;
  }
  only_basename = stored.count() == 1 && stored[0] == "basename";
  if (only_basename && force_unique()) {
    SUM_StringList widened;
    widened.append("project");
    widened.append("basename");
    if (!component.is_null())
      widened.append("component");
    widened.append("stream");
    tokens = widened;
    return SUM_OK;
  }
  tokens = stored;
  return SUM_OK;
}

}  // namespace

void SUM_Baseline::start_group_create() {
  GroupDateTime& g = group();
  g.keep = true;
  g.date.clear();
  g.time.clear();
}

void SUM_Baseline::end_group_create() {
  GroupDateTime& g = group();
  g.keep = false;
  g.date.clear();
  g.time.clear();
}

int SUM_Baseline::compute_baseline_name(const char* base, const SUM_Stream& stream,
                                        const SUM_Component& component, int unique_start,
                                        SUM_String& name_base, SUM_String& name) {
  return compute_baseline_name(base, stream, component, 0, unique_start, name_base, name);
}

int SUM_Baseline::compute_baseline_name(const char* base, const SUM_Stream& stream,
                                        const SUM_Component& component, int allow_no_component,
                                        int unique_start, SUM_String& name_base, SUM_String& name) {
  SUM_Trace trace("SUM_Baseline::compute_baseline_name");
  if (base == nullptr || (component.is_null() && !allow_no_component) ||
      (component.is_null() && stream.is_null()))
    return sum_int_error(kSource, trace.name(), __LINE__);
  const SUM_Vob pvob = stream.is_null() ? component.vob() : stream.vob();
  SUM_String expanded;
  bool only_basename = true;
  if (stream.is_null()) {
    expanded = base;
  } else {
    NamingContext context;
    context.base = base;
    context.stream = stream;
    context.component = component;
    int status = stream.project(context.project);
    SUM_StringList tokens;
    if (status == 0)
      status = template_tokens(context.project, component, tokens, only_basename);
    if (status != 0)
      return trace.checked(__LINE__, status);
    for (unsigned i = 0; i < tokens.count(); ++i) {
      SUM_String part;
      if ((status = expand_token(tokens[i], context, part)) != 0)
        return trace.checked(__LINE__, status);
      if (i > 0)
        expanded += "_";
      expanded += part;
    }
  }
  SUM_String cut = cut_to_limit(expanded);
  if (!sum_utl_is_ok_name(cut))
    return trace.checked(__LINE__, SUM_FAILED);
  SUM_String unique;
  if (!stream.is_null() && force_unique()) {
    int taken = 0;
    int status = name_taken(pvob, cut, taken);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (taken) {
      imsg_print(IMSG_ERROR, sum_baseline_msg::NoUniqueName, cut);
      return trace.checked(__LINE__, SUM_FAILED);
    }
    unique = cut;
  } else {
    int start = stream.is_null() || only_basename ? unique_start : 0;
    int status = unique_name(pvob, cut, start, unique);
    if (status != 0)
      return trace.checked(__LINE__, status);
  }
  name_base = cut;
  name = unique;
  return SUM_OK;
}

int SUM_Baseline::compute_import_baseline_name(const char* lbtype_name,
                                               const SUM_Component& component, SUM_String& name) {
  SUM_Trace trace("SUM_Baseline::compute_import_baseline_name");
  if (lbtype_name == nullptr || component.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String component_name;
  int status = component.name(component_name);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_String joined;
  joined.Format("%s_%s_%s", lbtype_name, static_cast<const char*>(component_name), kImportSuffix);
  SUM_String cut = cut_to_limit(joined);
  if (!sum_utl_is_ok_name(cut))
    return trace.checked(__LINE__, SUM_FAILED);
  return trace.checked(__LINE__, unique_name(component.vob(), cut, 0, name));
}
