// Process variables (PVARs): the names the library stores settings and
// operation records under, and the access rules every object kind uses.
//
// The access functions route by storage form: on a VOB with first-class ZEM
// objects to the generic object calls, on an older VOB to the activity calls.
#ifndef SUM_SUM_PVAR_H
#define SUM_SUM_PVAR_H

#include "sum/sum_string.h"
#include "sum/sum_vob_object.h"

// PVAR names and the objects that carry them.
constexpr const char* PVAR_ZEM_ACT_ZEM_INTEGRATION_ACTIVITY =
    "ZEM_INTEGRATION_ACTIVITY";                                                // activity
constexpr const char* PVAR_ZEM_ACT_VOB_MODCNT = "ACT_VOB_MODCNT";              // activity
constexpr const char* PVAR_ZEM_COMP_ROOT_DIR = "COMP_ROOT_DIR";                // component
constexpr const char* PVAR_ZEM_GEN_ZEM_DELIVER = "ZEM_DELIVER";                // stream
constexpr const char* PVAR_ZEM_GEN_ZEM_REBASE = "ZEM_REBASE";                  // stream
constexpr const char* PVAR_ZEM_GEN_ZEM_REBASE_MISC = "ZEM_REBASE_MISC";        // stream
constexpr const char* PVAR_ZEM_GEN_ZEM_DELIVER_MISC = "ZEM_DELIVER_MISC";      // stream
constexpr const char* PVAR_ZEM_POLICY_UNIX_DEV_SNAP = "POLICY_UNIX_DEV_SNAP";  // project or stream
constexpr const char* PVAR_ZEM_POLICY_UNIX_INT_SNAP = "POLICY_UNIX_INT_SNAP";
constexpr const char* PVAR_ZEM_POLICY_WIN_DEV_SNAP = "POLICY_WIN_DEV_SNAP";
constexpr const char* PVAR_ZEM_POLICY_WIN_INT_SNAP = "POLICY_WIN_INT_SNAP";
constexpr const char* PVAR_ZEM_PROJ_POLICY_PROJECT_PVAR = "POLICY_PROJECT_PVAR";    // project
constexpr const char* PVAR_ZEM_PROJ_SUM_PROJ_INT_STREAM = "SUM_PROJ_INT_STREAM";    // project
constexpr const char* PVAR_ZEM_PROJ_SUM_PROJ_MOD_COMPS = "SUM_PROJ_MOD_COMPS";      // project
constexpr const char* PVAR_ZEM_PROJ_SUM_REBASE_PLEVEL = "SUM_REBASE_PLEVEL";        // project
constexpr const char* PVAR_ZEM_PROJ_SUM_TEMPLATE_PROJECT = "SUM_TEMPLATE_PROJECT";  // project
constexpr const char* PVAR_ZEM_PROJ_TEMPL_PROJECT_CUSTOM_INFO =
    "TEMPL_PROJECT_CUSTOM_INFO";                                                // project
constexpr const char* PVAR_ZEM_STRM_MOD_COMPS = "SUM_STREAM_MOD_COMPS";         // stream
constexpr const char* PVAR_ZEM_STRM_POLICY_STREAM_PVAR = "POLICY_STREAM_PVAR";  // stream
constexpr const char* PVAR_ZEM_STRM_RECBLS = "ZEM_STREAM_RECBLS";               // stream
constexpr const char* PVAR_ZEM_STRM_SPECIAL_FOLDER_TYPE =
    "SUM_Stream_special_folder_type";                               // stream
constexpr const char* PVAR_ZEM_STRM_SUM_CSPEC_ID = "SUM_CSPEC_ID";  // stream
constexpr const char* PVAR_ZEM_STRM_ZEM_DELIVER_INTEGRATION_VIEW = "ZEM_DELIVER_INTEGRATION_VIEW";
constexpr const char* PVAR_ZEM_STRM_ZEM_DELIVER_TGT = "ZEM_DELIVER_TGT";              // stream
constexpr const char* PVAR_ZEM_TASK_PROVIDER_CONF = "KV_CMI_CONTEXT";                 // stream
constexpr const char* PVAR_ZEM_TL_SUM_TIMELINE_COMPONENT = "SUM_Timeline_Component";  // timeline
constexpr const char* BRELT_ACT_ENTITYDEF_NAME_PVAR = "BRELT_ACT_ENTITYDEF_NAME";     // activity
constexpr const char* BRELT_ACT_DISPLAY_NAME_PVAR = "BRELT_ACT_DISPLAY_NAME";         // activity
constexpr const char* BRELT_ACT_MODIFIED_WHILE_TK_SUSPENDED_PVAR =
    "BRELT_ACT_MODIFIED_WHILE_TK_SUSPENDED";  // activity; its set value below
constexpr const char* BRELT_ACT_MODIFIED_WHILE_TK_SUSPENDED_VALUE = "ModifiedWhileTKSuspended";
constexpr const char* BRELT_PROJ_ENTITYDEF_NAME_PVAR = "BRELT_PROJ_ENTITYDEF_NAME";  // project
constexpr const char* BRELT_PROJ_ENABLED_SUSPENDED_PVAR =
    "BRELT_PROJ_ENABLED_SUSPENDED";  // project
constexpr const char* BRELT_PROJ_ENABLED_SUSPENDED_VALUE = "EnabledButSuspended";
constexpr const char* BRELT_VOB_USER_DATABASE_NAME_PVAR = "BRELT_VOB_USER_DATABASE_NAME";  // PVOB
constexpr const char* BRELT_ENTDEF_NAME_LIST_PVAR = "BRELT_ENTDEF_NAME_LIST";              // PVOB
constexpr const char* BRELT_ENTDEF_NAME_LIST_CACHE_PVAR = "BRELT_ENTDEF_NAME_LIST_CACHE";  // PVOB
constexpr const char* BRELT_ALLOW_SUBMIT_FROM_KORVANE_PVAR = "BRELT_ALLOW_SUBMIT_FROM_KORVANE";

// Reads a PVAR; an absent one reads as the empty string with status 0.
int sum_pvar_get(const SUM_VobObject& obj, const char* name, SUM_String& value);
// Whether the PVAR is set (also when set to the empty string).
int sum_pvar_exists(const SUM_VobObject& obj, const char* name, int& exists);
// Writes a PVAR replicated to every replica (or, _local, kept at this
// replica), recording an event with operation kind `op` and `comment`.
int sum_pvar_set(const SUM_VobObject& obj, const char* name, const char* value, int op,
                 const char* comment);
int sum_pvar_set_local(const SUM_VobObject& obj, const char* name, const char* value, int op,
                       const char* comment);
// The repository's test of the PVAR against `value`: 0 equal, 1087
// different, 1002 not set.
int sum_pvar_test(const SUM_VobObject& obj, const char* name, const char* value);
// Atomic compare-and-set: 0 when the PVAR held `expected` (null or "": when
// unset) and now holds `value`; 1087 when it held something else.
int sum_pvar_test_and_set(const SUM_VobObject& obj, const char* name, const char* expected,
                          const char* value, int op);
// Deletes a PVAR (1002 when not set).
int sum_pvar_delete(const SUM_VobObject& obj, const char* name, int op);
int sum_pvar_delete_local(const SUM_VobObject& obj, const char* name, int op);

#endif  // SUM_SUM_PVAR_H
