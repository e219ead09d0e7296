// The tracker bridge: the library's calls into the change-request tracker.
//
// Every operation is static, takes library handles by reference and returns
// a status (0 = success); results come back in int& flags or SUM_String&
// texts. A flag is only written on success. The bridge is bound to the
// tracker by the tracker library; the library calls these entry points only
// for projects and activities that are bound to the tracker.
#ifndef SERVICES_BRELT_H
#define SERVICES_BRELT_H

class SUM_Activity;
class SUM_ActivityList;
class SUM_Project;
class SUM_Replica;
class SUM_Stream;
class SUM_String;
class SUM_View;
class SUM_Vob;

// A tracker project and a session on the tracker, filled by the deliver check.
class CBrelt_TKProject;
class CBrelt_CoreSession;

class CBrelt_CA_GetInfo {
 public:
  // 0 when the bridge works on this platform; else the status callers fail with.
  static int ChkForTarsenSupport();
  // Whether the tracker is installed for `project`'s database (`installed` 1 or 0).
  static int IsTarsenInstalled(const SUM_Project& project, int& installed);
  // The tracker connection that serves `database`; empty when none.
  static int GetConnectionByUserDatabase(const char* database, SUM_String& connection);
  // Re-reads the record types usable as activities for `project`; `count` of them.
  static int RefreshTKActivityEntityDefNames(const SUM_Project& project, int& count);
};

class CBrelt_CA_SUMProject {
 public:
  // `any` is 1 when a project of `pvob` other than `project` (which may be
  // null) is bound to the tracker.
  static int AnySUMProjectsTKEnabled(const SUM_Vob& pvob, const SUM_Project* project, int& any);
};

class CBrelt_CA_Sync {
 public:
  // Asks whether the record `entity_id` allows its activity or project to be
  // removed (`ok` 1 or 0), then reports the removal with `behavior` (the
  // caller's removal mode).
  static int SUM2TK_OKToDestroyAct(const char* entity_id, int& ok);
  static int SUM2TK_ActDestroy(const char* entity_id, const SUM_Activity& activity, int behavior);
  static int SUM2TK_OKToDestroyProj(const char* entity_id, int& ok);
  static int SUM2TK_ProjDestroy(const char* entity_id, const SUM_Project& project, int behavior);
  // Carries a title or name change to the bound record.
  static int SUM2TK_ActHeadChange(const SUM_Activity& activity, const char* title);
  static int SUM2TK_ProjNameChange(const SUM_Project& project, const char* name);
  // Tells the tracker that `activity` is no longer current in `view`, or that
  // `view` changed its current activity (either activity may be null).
  static int SUM2TK_ActViewChange(const SUM_Activity& activity, const SUM_View& view);
  static int SUM2TK_ViewActChange(const SUM_View& view, const SUM_Activity& old_activity,
                                  const SUM_Activity& new_activity);
};

// Tracker policies. For each policy P: P_IsPolicyEnabled answers whether the
// project enables it; P_RunPolicy runs it, and a nonzero status refuses the
// operation or reports that the policy failed.
class CBrelt_CA_Policy {
 public:
  // Around a change of an activity.
  static int DoTKActionBeforeChact_IsPolicyEnabled(const SUM_Project& project, int& enabled);
  static int DoTKActionBeforeChact_RunPolicy(const SUM_Activity& activity);
  static int DoTKActionAfterChact_IsPolicyEnabled(const SUM_Project& project, int& enabled);
  static int DoTKActionAfterChact_RunPolicy(const SUM_Activity& activity);
  static int DoTKTransAfterChact_IsPolicyEnabled(const SUM_Project& project, int& enabled);
  static int DoTKTransAfterChact_RunPolicy(const SUM_Activity& activity);

  // Before a deliver: both flags and the tracker objects the run needs.
  static int ChkBeforeDeliver_ChkMstrBeforeDeliver_IsPolicyEnabled(const SUM_Project& project,
                                                                   int& chk_before,
                                                                   int& chk_mstr_before,
                                                                   CBrelt_TKProject& tk_project,
                                                                   CBrelt_CoreSession& session);
  static int ChkBeforeDeliver_IsPolicyEnabled(const SUM_Project& project, int& enabled);
  // `target` is the target stream's selector, `posted` whether the deliver is
  // posted to another replica, `target_view` the target view's tag.
  static int ChkBeforeDeliver_RunPolicy(const SUM_ActivityList& activities, const char* target,
                                        int posted, const char* target_view);
  static int ChkMstrBeforeDeliver_IsPolicyEnabled(const SUM_Project& project, int& enabled);
  static int ChkMstrBeforeDeliver_RunPolicy(const SUM_ActivityList& activities,
                                            const SUM_Replica& target_master);

  // After a deliver's check-in, per delivered activity.
  static int TKActAfterDeliver_IsPolicyEnabled(const SUM_Project& project, int& enabled);
  static int TKActAfterDeliver_RunPolicy(const SUM_Activity& activity);
  static int DoTKTransAfterDeliver_IsPolicyEnabled(const SUM_Project& project, int& enabled);
  static int DoTKTransAfterDeliver_RunPolicy(const SUM_Activity& activity);
  static int ChkMstrAfterDeliver_IsPolicyEnabled(const SUM_Project& project, int& enabled);

  // Moves the mastership of the activity's record to `replica`.
  static int ChMasterTKRecord(const SUM_Activity& activity, const SUM_Replica& replica);
};

class CBrelt_CA_StartWork {
 public:
  // Before setting `activity` current in `view` from a client; nonzero forbids.
  static int PreambleFromUI(const SUM_Activity& activity, const SUM_View& view);
  // Whether a version may move from activity `from` to activity `to`; nonzero forbids.
  static int ValidateCanMoveVersion(const SUM_Activity& from, const SUM_Activity& to);
};

class CBrelt_CA_LiteTKAct {
 public:
  // Creates a tracker record for `activity`, binds it, and sets it in `view`.
  static int CreateAndBindSetView(const SUM_Activity& activity, const SUM_View& view);
  // Moves the record bound to `activity` to its complete state.
  static int TransitionToComplete(const SUM_Activity& activity);
};

// Consistency scans of tracker bindings, used by repair.
class CBrelt_KVScan {
 public:
  // `is_fix` repairs what the scan finds, `is_force` repairs without asking,
  // `scope` selects how far a scan reaches (0 the object, 1 with its children).
  CBrelt_KVScan(int is_fix, int is_force, int scope);
  int KVScan_SumVob(const SUM_Vob& pvob);
  int KVScan_Project(const SUM_Project& project, int flags, const char* record, int recurse);
  int KVScan_Activity(const SUM_Activity& activity, int flags);

 private:
  int is_fix_;
  int is_force_;
  int scope_;
};

#endif  // SERVICES_BRELT_H
