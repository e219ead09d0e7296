// SUM_Policy: the named switches that govern how a project and its streams
// work, the table that defines them, and their stored forms.
//
// Every policy has a fixed id (0 to 17; 18 is "no policy"), a key (also its
// stored name), a user name and a description (both from the policy
// catalog), an object type (1: project only; 2: project and stream, where
// the project may delegate the decision to each stream) and a visibility.
//
// Values are texts: "True"/"False" for the snapshot-view policies 0 to 3 and
// for 4 and 5 on project VOBs below feature level 3; "ENABLED", "DISABLED"
// and "ENABLED_BY_STREAM" for the others; "SIMPLE" or "DEFAULT" for the
// project model (14); a baseline naming template (15).
//
// Stored forms, on the objects the policies belong to:
//   - policies 0 to 3 of a project: each in its own process variable named by
//     its key, holding "True" or "False"; absent reads as "False";
//   - the other policies of a project: process variable "POLICY_PROJECT_PVAR"
//     holding an element tree whose root is named like the variable, with one
//     child per policy whose tag is the id in decimal and whose text is the
//     value ("<POLICY_PROJECT_PVAR><4>ENABLED</4></POLICY_PROJECT_PVAR>");
//   - a stream's own values: "POLICY_STREAM_PVAR" in the same form, holding
//     only policies of type 2.
// The functions here read and write those forms on any object handle; the
// project and stream classes add the checks and messages of their context.
#ifndef SUM_SUM_POLICY_H
#define SUM_SUM_POLICY_H

#include "sum/sum_list.h"
#include "sum/sum_lists.h"
#include "sum/sum_string.h"
#include "sum/sum_vob_object.h"

class SUM_Policy {
 public:
  // Policy ids.
  enum Id : int {
    UNIX_INT_SNAP = 0,
    UNIX_DEV_SNAP = 1,
    WIN_INT_SNAP = 2,
    WIN_DEV_SNAP = 3,
    DELIVER_REQUIRE_REBASE = 4,
    DELIVER_NCO_DEVSTR = 5,
    INTRAPROJECT_DELIVER_FOUNDATION_CHANGES = 6,
    INTRAPROJECT_DELIVER_ALLOW_MISSING_TGTCOMPS = 7,
    INTERPROJECT_DELIVER = 8,
    INTERPROJECT_DELIVER_FOUNDATION_CHANGES = 9,
    INTERPROJECT_DELIVER_REQUIRE_TGTCOMP_VISIBILITY = 10,
    INTERPROJECT_DELIVER_ALLOW_NONMOD_TGTCOMPS = 11,
    CHPROJECT_UNRESTRICTED = 12,
    CHSTREAM_UNRESTRICTED = 13,
    PROJECT_MODEL = 14,
    BASELINE_NAMING_TEMPLATE = 15,
    DELIVER_NCO_SELACT = 16,
    REBASE_CO = 17,
    NONE = 18,
  };
  // Object types: where a policy is set.
  enum ObjType : int { PROJECT_ONLY = 1, PROJECT_AND_STREAM = 2, NO_OBJECT = 3 };

  // No policy (id 18), no value, not changed.
  SUM_Policy() = default;
  // Policy `id` (any number; is_valid tells whether it is in the table)
  // with no value, not changed.
  explicit SUM_Policy(int id) : id_(id) {}
  SUM_Policy(const SUM_Policy& other) = default;
  SUM_Policy& operator=(const SUM_Policy& other) = default;
  virtual ~SUM_Policy() = default;

  // Equal ids, whatever the values.
  bool operator==(const SUM_Policy& other) const { return id_ == other.id_; }
  bool operator!=(const SUM_Policy& other) const { return id_ != other.id_; }

  // 1 when `id` is in the table (0 to 17), else 0.
  static int is_valid(int id);
  // 0 when `value` is a project model ("SIMPLE" or "DEFAULT"); otherwise
  // prints "Unknown model value ..." at error severity and returns 1002.
  static int validate_model_value(const SUM_String& value);
  // The id of the policy whose key is `key` (case-sensitive); 1002 without
  // a message when no policy has it.
  static int name_to_id(const SUM_String& key, int& id);

  // The user name ("DeliverReqRebase") and description from the policy
  // catalog; "" for an id outside the table. The user name is looked up on
  // first use and kept.
  const char* name() const;
  const char* description() const;
  // 1 when users see the policy (all but the project model and the
  // baseline naming template), else 0.
  int visible() const;
  // The key, which is also the name the policy is stored under
  // ("POLICY_DELIVER_REQUIRE_REBASE"); "" for an id outside the table.
  const char* pvar_name() const;
  // The built-in default value of every policy: 0.
  int default_value() const { return 0; }
  // PROJECT_ONLY, PROJECT_AND_STREAM, or NO_OBJECT outside the table.
  int obj_type() const;
  int policy_id() const { return id_; }

  // The value text ("" when none has been set).
  const SUM_String& value() const { return value_; }
  // Sets the value; an empty text is 1072 after an internal-error record.
  // Does not mark the policy changed.
  int set_value(const SUM_String& value);
  // The changed flag: set when update_list gave the policy a new value, so
  // that writers know what to store.
  void set_changed(int changed) { changed_ = changed; }
  int get_changed() const { return changed_; }

  // The value a policy has where nothing is stored: "False" for 0 to 3,
  // "DEFAULT" for the project model, "basename" for the baseline naming
  // template, "DISABLED" for every other id.
  static SUM_String default_text(int id);
  // 1 when `value` is a value of policy `id` at VOB feature level
  // `feature_level`: on a project (`on_stream` 0) or as a stream's own value
  // (`on_stream` 1, only policies of type 2, never "ENABLED_BY_STREAM").
  // "ENABLED_BY_STREAM" is a project value of type-2 policies only; the
  // baseline naming template is one or more of the tokens "project",
  // "basename", "component", "stream", "date", "time", "user", "host" joined
  // by "_". Else 0.
  static int valid_value(int id, const SUM_String& value, int feature_level, int on_stream);
  // The value that applies on a stream whose project holds `project_value`
  // and which holds `stream_value` itself (each "" when not stored): the
  // stream's own value when the project delegates ("ENABLED_BY_STREAM"),
  // otherwise the project's. An empty value that applies reads "DISABLED".
  static SUM_String value_in_context(const SUM_String& project_value,
                                     const SUM_String& stream_value);

  // Lists. The policy of an id is found in a list by equality (ids).
  // The value of policy `id` in `list`; 1002 when it is not there.
  static int lookup(const SUM_PolicyList& list, int id, SUM_String& value);
  // Sets policy `id` in `list` to `value`: a different value replaces the
  // old one, a policy not yet listed is appended; either way it is marked
  // changed and the answer is 0. The same value answers 1067 and changes
  // nothing. Refused with 1002 after a message at error severity: an id
  // outside the table ("Invalid policy ID ..."), a project model other than
  // "SIMPLE" or "DEFAULT" ("Unknown model value ..."). An empty value is
  // 1072. Values are otherwise not checked here: writers check them
  // against the VOB's feature level (valid_value).
  static int update_list(SUM_PolicyList& list, int id, const SUM_String& value);
  // The same for the policy whose key is `key`; an unknown key prints
  // "Unknown policy name ..." at error severity and answers 1002.
  static int update_list(SUM_PolicyList& list, const SUM_String& key, const SUM_String& value);
  // Enable or disable the policies named by the `count` keys of `keys` in
  // `list`, for a project VOB at `feature_level`: policies 0 to 3 get "True"
  // or "False"; 4 and 5 get "ENABLED" or "DISABLED" above feature level 2
  // and "True" or "False" below; the others "ENABLED" or "DISABLED". The
  // project model and the baseline naming template are set only by their own
  // operations: each is skipped with a warning ("Policy value ... is not a
  // valid value for the project model ..." resp. "... baseline naming
  // template ..."), and the other keys still apply. An unknown key prints
  // "Unknown policy name ..." at error severity, the other keys still apply,
  // and the answer is 1001. Otherwise 0 when some policy changed, 1067 when
  // none did. A null `keys` with a positive count is 1072.
  static int enable_policies(SUM_PolicyList& list, int count, const char* const keys[],
                             int feature_level);
  static int disable_policies(SUM_PolicyList& list, int count, const char* const keys[],
                              int feature_level);
  // Delegates the policies named by `keys` to the streams: sets them to
  // "ENABLED_BY_STREAM". Skipped with a warning, besides the two policies
  // above: a project-only policy ("Policy ... may only be set on a
  // project."). Answers as enable_policies.
  static int enable_bystr_policies(SUM_PolicyList& list, int count, const char* const keys[],
                                   int feature_level);
  // Adds to `list`, with default_text, every policy it lacks: of type 1 or 2
  // for a project (`on_stream` 0), of type 2 for a stream (`on_stream` 1).
  // The added policies are not marked changed.
  static void add_defaults(SUM_PolicyList& list, int on_stream);

  // Tree forms.
  // The tree text of `list` for the process variable `pvar_name`, which must
  // be "POLICY_PROJECT_PVAR" (policies 0 to 3 are left out: they have their
  // own variables) or "POLICY_STREAM_PVAR" (only policies of type 2 are
  // written), in list order; policies without a value are left out. Another
  // variable name or a policy outside the table is 1072.
  static int write_tree(const SUM_PolicyList& list, const char* pvar_name, SUM_String& text);
  // Appends to `list` the policies of tree text `text`, in document order,
  // each with its value (a child without text gives a policy without value)
  // and not marked changed. A policy already in `list` keeps its value. A
  // child whose tag is no policy of the table is skipped after the warning
  // "An unknown policy ID, ..., has been used." and `complete` is set to 0;
  // otherwise `complete` is 1. 1072 for an empty text; 1001 for a text that
  // is not a policy tree, leaving `list` untouched.
  static int read_tree(const SUM_String& text, SUM_PolicyList& list, int& complete);

  // Stored forms on an object (a project or a stream). Failures of the
  // process-variable calls pass up unchanged; a null object is 1072.
  // The policies stored in process variable `pvar_name` of `obj`, appended
  // to `list` as read_tree does; 1002 when the variable is not set.
  static int read_stored(const SUM_VobObject& obj, const char* pvar_name, SUM_PolicyList& list,
                         int& complete);
  // Replaces process variable `pvar_name` of `obj` by the tree of `list`
  // (see write_tree), recording an event with `opcode` and `comment`.
  static int write_stored(const SUM_VobObject& obj, const char* pvar_name,
                          const SUM_PolicyList& list, int opcode, const SUM_String& comment);
  // The value of snapshot policy `id` (0 to 3) of `obj`: "True" when its own
  // variable holds "True", else "False" (also when it is not set). Another id
  // is 1072.
  static int read_flag(const SUM_VobObject& obj, int id, SUM_String& value);
  // Writes "True" (nonzero `flag`) or "False" to the variable of snapshot
  // policy `id` of `obj`. Another id is 1072.
  static int write_flag(const SUM_VobObject& obj, int id, int flag, int opcode,
                        const SUM_String& comment);
  // Deletes the variables that older writers kept per policy for the
  // policies now stored in the tree (every policy but 0 to 3, by key). The
  // names of variables that could not be deleted are appended to `failed`,
  // the other deletions still happen, and the first such failure's status
  // is the answer.
  static int delete_obsolete_pvars(const SUM_VobObject& obj, int opcode, SUM_StringList& failed);

 private:
  int id_ = NONE;
  mutable SUM_String user_name_;
  SUM_String value_;
  int changed_ = 0;
};

#endif  // SUM_SUM_POLICY_H
