// SUM_Policy: the policy table, values and their checks, policy lists, and
// the stored forms of policies on projects and streams.
#include "sum/sum_policy.h"

#include <cstring>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_utl_list_strings.h"
#include "sum/xml_element.h"

namespace {

constexpr const char* kSource = "sum_policy";

// The feature level from which policies 4 and 5 take "ENABLED"/"DISABLED"
// rather than "True"/"False".
constexpr int kEnabledValuesLevel = 3;

constexpr const char* kTrue = "True";
constexpr const char* kFalse = "False";
constexpr const char* kEnabled = "ENABLED";
constexpr const char* kDisabled = "DISABLED";
constexpr const char* kEnabledByStream = "ENABLED_BY_STREAM";
constexpr const char* kSimple = "SIMPLE";
constexpr const char* kDefaultModel = "DEFAULT";
constexpr const char* kDefaultTemplate = "basename";

// One row of the policy table: the key, the catalog entries of the user
// name and the description, the object type and the visibility.
struct PolicyRow {
  const char* key;
  sum_policy_msg name_message;
  sum_policy_msg description_message;
  int obj_type;
  int visible;
};

constexpr int kPolicyCount = 18;

// Indexed by id.
constexpr PolicyRow kTable[kPolicyCount] = {
    {"POLICY_UNIX_INT_SNAP", sum_policy_msg::UnixIntVSnap,
     sum_policy_msg::UseSnapshotViewsIntegration, 1, 1},
    {"POLICY_UNIX_DEV_SNAP", sum_policy_msg::UnixDevVSnap,
     sum_policy_msg::UseSnapshotViewsDevelopment, 1, 1},
    {"POLICY_WIN_INT_SNAP", sum_policy_msg::WinIntVSnap,
     sum_policy_msg::UseSnapshotViewsIntegrationWindows, 1, 1},
    {"POLICY_WIN_DEV_SNAP", sum_policy_msg::WinDevVSnap,
     sum_policy_msg::UseSnapshotViewsDevelopmentWindows, 1, 1},
    {"POLICY_DELIVER_REQUIRE_REBASE", sum_policy_msg::DeliverReqRebase,
     sum_policy_msg::RequireDevelopmentStreamBased, 2, 1},
    {"POLICY_DELIVER_NCO_DEVSTR", sum_policy_msg::DeliverAllowNCoDevStr,
     sum_policy_msg::DoNotAllowDeliver, 2, 1},
    {"POLICY_INTRAPROJECT_DELIVER_FOUNDATION_CHANGES",
     sum_policy_msg::IntraprojectDeliverFromFoundation,
     sum_policy_msg::DeliverChangesFoundationAddition, 2, 1},
    {"POLICY_INTRAPROJECT_DELIVER_ALLOW_MISSING_TGTCOMPS",
     sum_policy_msg::IntraprojectDeliverAllowMissingTgtcomps,
     sum_policy_msg::AllowDeliverEvenThough, 2, 1},
    {"POLICY_INTERPROJECT_DELIVER", sum_policy_msg::InterprojectDeliver,
     sum_policy_msg::AllowInterprojectDeliverProject, 2, 1},
    {"POLICY_INTERPROJECT_DELIVER_FOUNDATION_CHANGES",
     sum_policy_msg::InterprojectDeliverFromFoundation,
     sum_policy_msg::DeliverChangesFoundationAdditionChanges, 2, 1},
    {"POLICY_INTERPROJECT_DELIVER_REQUIRE_TGTCOMP_VISIBILITY",
     sum_policy_msg::InterprojectDeliverRequireTgtVisibility,
     sum_policy_msg::RequireAllSourceComponents, 2, 1},
    {"POLICY_INTERPROJECT_DELIVER_ALLOW_NONMOD_TGTCOMPS",
     sum_policy_msg::InterprojectDeliverAllowNonmodTgtcomps,
     sum_policy_msg::AllowDeliverEvenThoughModifiable, 2, 1},
    {"POLICY_CHPROJECT_UNRESTRICTED", sum_policy_msg::ChprojectUnrestricted,
     sum_policy_msg::AllowAllUsersModify, 1, 1},
    {"POLICY_CHSTREAM_UNRESTRICTED", sum_policy_msg::ChstreamUnrestricted,
     sum_policy_msg::AllowAllUsersModifyStream, 2, 1},
    {"POLICY_PROJECT_MODEL", sum_policy_msg::ProjectModel, sum_policy_msg::ProjectModelTitle, 1, 0},
    {"BASELINE_NAMING_TEMPLATE", sum_policy_msg::BaselineNamingTemplate,
     sum_policy_msg::BaselineNamingTemplateTitle, 1, 0},
    {"POLICY_DELIVER_NCO_SELACT", sum_policy_msg::DeliverAllowNCoSelAct,
     sum_policy_msg::DoNotAllowDeliverProceed, 2, 1},
    {"POLICY_REBASE_CO", sum_policy_msg::RebaseAllowCo, sum_policy_msg::AllowRebaseProceedCheckouts,
     2, 1},
};

// The tokens of a baseline naming template.
constexpr const char* kTemplateTokens[] = {"project", "basename", "component", "stream",
                                           "date",    "time",     "user",      "host"};

bool equal(const char* a, const char* b) {
  return std::strcmp(a, b) == 0;
}

// Policies 0 to 3 are stored as flags in variables of their own.
bool is_flag_policy(int id) {
  return id >= SUM_Policy::UNIX_INT_SNAP && id <= SUM_Policy::WIN_DEV_SNAP;
}

// Policies 4 and 5 had flag values below feature level 3.
bool has_old_flag_values(int id, int feature_level) {
  return (id == SUM_Policy::DELIVER_REQUIRE_REBASE || id == SUM_Policy::DELIVER_NCO_DEVSTR) &&
         feature_level < kEnabledValuesLevel;
}

bool is_template_token(const char* token, size_t length) {
  for (const char* t : kTemplateTokens)
    if (std::strlen(t) == length && std::strncmp(t, token, length) == 0)
      return true;
  return false;
}

// One or more template tokens joined by "_".
bool is_naming_template(const char* text) {
  if (*text == '\0')
    return false;
  for (;;) {
    const char* end = std::strchr(text, '_');
    size_t length = end == nullptr ? std::strlen(text) : static_cast<size_t>(end - text);
    if (!is_template_token(text, length))
      return false;
    if (end == nullptr)
      return true;
    text = end + 1;
  }
}

// What setting a policy by key does in enable_policies and its siblings.
enum class KeyAction { ENABLE, DISABLE, BY_STREAM };

// The value `action` gives policy `id` at `feature_level`.
const char* action_value(KeyAction action, int id, int feature_level) {
  if (action == KeyAction::BY_STREAM)
    return kEnabledByStream;
  bool on = action == KeyAction::ENABLE;
  if (is_flag_policy(id) || has_old_flag_values(id, feature_level))
    return on ? kTrue : kFalse;
  return on ? kEnabled : kDisabled;
}

// Applies `action` to the policies named by `keys` (see enable_policies).
int apply_keys(const SUM_Trace& trace, SUM_PolicyList& list, int count, const char* const keys[],
               int feature_level, KeyAction action) {
  if (count > 0 && keys == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int unknown = 0;
  int changed = 0;
  for (int i = 0; i < count; ++i) {
    int id = SUM_Policy::NONE;
    if (keys[i] == nullptr || SUM_Policy::name_to_id(keys[i], id) != 0) {
      imsg_print(IMSG_ERROR, sum_policy_msg::UnknownNameMessage, keys[i] == nullptr ? "" : keys[i]);
      unknown = 1;
      continue;
    }
    const char* value = action_value(action, id, feature_level);
    if (id == SUM_Policy::PROJECT_MODEL) {
      imsg_print(IMSG_WARNING, sum_policy_msg::ModelRefusedMessage, value);
      continue;
    }
    if (id == SUM_Policy::BASELINE_NAMING_TEMPLATE) {
      imsg_print(IMSG_WARNING, sum_policy_msg::TemplateRefusedMessage, value);
      continue;
    }
    if (action == KeyAction::BY_STREAM &&
        SUM_Policy(id).obj_type() != SUM_Policy::PROJECT_AND_STREAM) {
      imsg_print(IMSG_WARNING, sum_policy_msg::ProjectOnlyMessage, keys[i]);
      continue;
    }
    int status = SUM_Policy::update_list(list, id, value);
    if (status == 0)
      changed = 1;
    else if (status != TBS_ST_UNCHANGED)
      return trace.checked(__LINE__, status);
  }
  if (unknown)
    return trace.checked(__LINE__, SUM_FAILED);
  return changed ? SUM_OK : TBS_ST_UNCHANGED;
}

}  // namespace

int SUM_Policy::is_valid(int id) {
  return id >= 0 && id < kPolicyCount ? 1 : 0;
}

int SUM_Policy::validate_model_value(const SUM_String& value) {
  SUM_Trace trace("SUM_Policy::validate_model_value");
  if (equal(value, kSimple) || equal(value, kDefaultModel))
    return SUM_OK;
  imsg_print(IMSG_ERROR, sum_policy_msg::UnknownModelMessage, value);
  return trace.checked(__LINE__, SUM_NOT_FOUND);
}

int SUM_Policy::name_to_id(const SUM_String& key, int& id) {
  SUM_Trace trace("SUM_Policy::name_to_id");
  for (int i = 0; i < kPolicyCount; ++i) {
    if (equal(kTable[i].key, key)) {
      id = i;
      return SUM_OK;
    }
  }
  return trace.checked(__LINE__, SUM_NOT_FOUND);
}

const char* SUM_Policy::name() const {
  if (!is_valid(id_))
    return "";
  if (user_name_.GetLength() == 0)
    user_name_ = imsg_text(kTable[id_].name_message);
  return user_name_;
}

const char* SUM_Policy::description() const {
  if (!is_valid(id_))
    return "";
  return imsg_text(kTable[id_].description_message);
}

int SUM_Policy::visible() const {
  return is_valid(id_) ? kTable[id_].visible : 0;
}

const char* SUM_Policy::pvar_name() const {
  return is_valid(id_) ? kTable[id_].key : "";
}

int SUM_Policy::obj_type() const {
  return is_valid(id_) ? kTable[id_].obj_type : NO_OBJECT;
}

int SUM_Policy::set_value(const SUM_String& value) {
  SUM_Trace trace("SUM_Policy::set_value");
  if (value.GetLength() == 0)
    return sum_int_error(kSource, trace.name(), __LINE__);
  value_ = value;
  return SUM_OK;
}

SUM_String SUM_Policy::default_text(int id) {
  if (is_flag_policy(id))
    return kFalse;
  if (id == PROJECT_MODEL)
    return kDefaultModel;
  if (id == BASELINE_NAMING_TEMPLATE)
    return kDefaultTemplate;
  return kDisabled;
}

int SUM_Policy::valid_value(int id, const SUM_String& value, int feature_level, int on_stream) {
  if (!is_valid(id))
    return 0;
  if (on_stream && kTable[id].obj_type != PROJECT_AND_STREAM)
    return 0;
  if (is_flag_policy(id) || has_old_flag_values(id, feature_level))
    return equal(value, kTrue) || equal(value, kFalse) ? 1 : 0;
  if (id == PROJECT_MODEL)
    return equal(value, kSimple) || equal(value, kDefaultModel) ? 1 : 0;
  if (id == BASELINE_NAMING_TEMPLATE)
    return is_naming_template(value) ? 1 : 0;
  if (equal(value, kEnabled) || equal(value, kDisabled))
    return 1;
  return !on_stream && kTable[id].obj_type == PROJECT_AND_STREAM && equal(value, kEnabledByStream)
             ? 1
             : 0;
}

SUM_String SUM_Policy::value_in_context(const SUM_String& project_value,
                                        const SUM_String& stream_value) {
  const SUM_String& applies = equal(project_value, kEnabledByStream) ? stream_value : project_value;
  return applies.GetLength() == 0 ? SUM_String(kDisabled) : applies;
}

int SUM_Policy::lookup(const SUM_PolicyList& list, int id, SUM_String& value) {
  SUM_Trace trace("SUM_Policy::lookup");
  int at = list.find(SUM_Policy(id));
  if (at < 0)
    return trace.checked(__LINE__, SUM_NOT_FOUND);
  value = list[static_cast<unsigned>(at)].value();
  return SUM_OK;
}

int SUM_Policy::update_list(SUM_PolicyList& list, int id, const SUM_String& value) {
  SUM_Trace trace("SUM_Policy::update_list");
  if (!is_valid(id)) {
    imsg_print(IMSG_ERROR, sum_policy_msg::InvalidIdMessage, id);
    return trace.checked(__LINE__, SUM_NOT_FOUND);
  }
  if (value.GetLength() == 0)
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (id == PROJECT_MODEL) {
    int status = validate_model_value(value);
    if (status != 0)
      return trace.checked(__LINE__, status);
  }
  int at = list.find(SUM_Policy(id));
  if (at >= 0) {
    SUM_Policy& listed = list[static_cast<unsigned>(at)];
    if (equal(listed.value(), value))
      return TBS_ST_UNCHANGED;
    listed.value_ = value;
    listed.changed_ = 1;
    return SUM_OK;
  }
  SUM_Policy added(id);
  added.value_ = value;
  added.changed_ = 1;
  list.append(added);
  return SUM_OK;
}

int SUM_Policy::update_list(SUM_PolicyList& list, const SUM_String& key, const SUM_String& value) {
  SUM_Trace trace("SUM_Policy::update_list");
  int id = NONE;
  if (name_to_id(key, id) != 0) {
    imsg_print(IMSG_ERROR, sum_policy_msg::UnknownNameMessage, key);
    return trace.checked(__LINE__, SUM_NOT_FOUND);
  }
  int status = update_list(list, id, value);
  return status == TBS_ST_UNCHANGED ? status : trace.checked(__LINE__, status);
}

int SUM_Policy::enable_policies(SUM_PolicyList& list, int count, const char* const keys[],
                                int feature_level) {
  SUM_Trace trace("SUM_Policy::enable_policies");
  return apply_keys(trace, list, count, keys, feature_level, KeyAction::ENABLE);
}

int SUM_Policy::disable_policies(SUM_PolicyList& list, int count, const char* const keys[],
                                 int feature_level) {
  SUM_Trace trace("SUM_Policy::disable_policies");
  return apply_keys(trace, list, count, keys, feature_level, KeyAction::DISABLE);
}

int SUM_Policy::enable_bystr_policies(SUM_PolicyList& list, int count, const char* const keys[],
                                      int feature_level) {
  SUM_Trace trace("SUM_Policy::enable_bystr_policies");
  return apply_keys(trace, list, count, keys, feature_level, KeyAction::BY_STREAM);
}

void SUM_Policy::add_defaults(SUM_PolicyList& list, int on_stream) {
  SUM_Trace trace("SUM_Policy::add_defaults");
  for (int id = 0; id < kPolicyCount; ++id) {
    if (on_stream && kTable[id].obj_type != PROJECT_AND_STREAM)
      continue;
    if (list.find(SUM_Policy(id)) >= 0)
      continue;
    SUM_Policy added(id);
    added.value_ = default_text(id);
    list.append(added);
  }
}

int SUM_Policy::write_tree(const SUM_PolicyList& list, const char* pvar_name, SUM_String& text) {
  SUM_Trace trace("SUM_Policy::write_tree");
  if (pvar_name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  bool on_stream = equal(pvar_name, PVAR_ZEM_STRM_POLICY_STREAM_PVAR);
  if (!on_stream && !equal(pvar_name, PVAR_ZEM_PROJ_POLICY_PROJECT_PVAR))
    return sum_int_error(kSource, trace.name(), __LINE__);
  XML_Element root{SUM_String(pvar_name)};
  for (unsigned i = 0; i < list.count(); ++i) {
    const SUM_Policy& policy = list[i];
    if (!is_valid(policy.id_))
      return sum_int_error(kSource, trace.name(), __LINE__);
    if (policy.value_.GetLength() == 0)
      continue;
    if (on_stream ? policy.obj_type() != PROJECT_AND_STREAM : is_flag_policy(policy.id_))
      continue;
    SUM_String tag;
    tag.Format("%d", policy.id_);
    root.sub_elements().append(XML_Element(tag, policy.value_));
  }
  return trace.checked(__LINE__, root.string(text, 0));
}

int SUM_Policy::read_tree(const SUM_String& text, SUM_PolicyList& list, int& complete) {
  SUM_Trace trace("SUM_Policy::read_tree");
  SUM_PolicyList stored;
  int status = sum_utl_xml_to_list(text, stored);
  if (status != 0)
    return trace.checked(__LINE__, status);
  complete = 1;
  for (unsigned i = 0; i < stored.count(); ++i) {
    if (!is_valid(stored[i].id_)) {
      SUM_String id_text;
      id_text.Format("%d", stored[i].id_);
      imsg_print(IMSG_WARNING, sum_policy_msg::UnknownIdMessage, id_text);
      complete = 0;
      continue;
    }
    if (list.find(stored[i]) < 0)
      list.append(stored[i]);
  }
  return SUM_OK;
}

int SUM_Policy::read_stored(const SUM_VobObject& obj, const char* pvar_name, SUM_PolicyList& list,
                            int& complete) {
  SUM_Trace trace("SUM_Policy::read_stored");
  if (obj.is_null() || pvar_name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int exists = 0;
  int status = sum_pvar_exists(obj, pvar_name, exists);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!exists)
    return trace.checked(__LINE__, SUM_NOT_FOUND);
  SUM_String text;
  status = sum_pvar_get(obj, pvar_name, text);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, read_tree(text, list, complete));
}

int SUM_Policy::write_stored(const SUM_VobObject& obj, const char* pvar_name,
                             const SUM_PolicyList& list, int opcode, const SUM_String& comment) {
  SUM_Trace trace("SUM_Policy::write_stored");
  if (obj.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String text;
  int status = write_tree(list, pvar_name, text);
  if (status != 0)
    return trace.checked(__LINE__, status);
  return trace.checked(__LINE__, sum_pvar_set(obj, pvar_name, text, opcode, comment));
}

int SUM_Policy::read_flag(const SUM_VobObject& obj, int id, SUM_String& value) {
  SUM_Trace trace("SUM_Policy::read_flag");
  if (obj.is_null() || !is_flag_policy(id))
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String stored;
  int status = sum_pvar_get(obj, kTable[id].key, stored);
  if (status != 0)
    return trace.checked(__LINE__, status);
  value = equal(stored, kTrue) ? kTrue : kFalse;
  return SUM_OK;
}

int SUM_Policy::write_flag(const SUM_VobObject& obj, int id, int flag, int opcode,
                           const SUM_String& comment) {
  SUM_Trace trace("SUM_Policy::write_flag");
  if (obj.is_null() || !is_flag_policy(id))
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__,
                       sum_pvar_set(obj, kTable[id].key, flag ? kTrue : kFalse, opcode, comment));
}

int SUM_Policy::delete_obsolete_pvars(const SUM_VobObject& obj, int opcode,
                                      SUM_StringList& failed) {
  SUM_Trace trace("SUM_Policy::delete_obsolete_pvars");
  if (obj.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int first_failure = SUM_OK;
  for (int id = 0; id < kPolicyCount; ++id) {
    if (is_flag_policy(id))
      continue;
    int exists = 0;
    int status = sum_pvar_exists(obj, kTable[id].key, exists);
    if (status == 0 && exists)
      status = sum_pvar_delete(obj, kTable[id].key, opcode);
    if (status != 0 && status != SUM_NOT_FOUND) {
      trace.status_line(__LINE__, status);
      failed.append(SUM_String(kTable[id].key));
      if (first_failure == SUM_OK)
        first_failure = status;
    }
  }
  return first_failure;
}
