// SUM_NewConfig, SUM_FoundationChange, SUM_ConfigChange and
// SUM_RecommendChange: the change of a stream's configuration from its
// current foundation closure to a new one (a new stream, a rebase, a new
// recommendation), computed component by component, classified through the
// baseline graph, validated against the rules of the stream's place in its
// project, reported in the user's words, committed to the repository
// ("UseBaseline" hyperlinks from the stream to its explicit baselines, and
// per-component timelines) and undone.
//
// Life of a configuration: init (or init_recommend) computes the changes;
// validate classifies and checks each one; commit (or new_stream_commit)
// writes an initialised, valid configuration; undo_commit writes the
// reverse of every change. save and restore carry a valid configuration to
// another process as text (the rebase record keeps it). Operations on a
// configuration in the wrong state record an internal error and return
// 1072.
//
// The environment variable "ZEM_OVERRIDE_TIMELINE_COMPARISON" set to "true"
// (any case) makes the ancestry rules for baselines of other projects plain
// ancestor tests.
//
// Contracts: `int` statuses; out-parameters are filled only on success;
// repository failures pass up. Validity codes are results, not failures:
// validation fails only when a question cannot be answered.
#ifndef SUM_SUM_NEW_CONFIG_H
#define SUM_SUM_NEW_CONFIG_H

#include <memory>
#include <vector>

#include "sum/sum_baseline.h"
#include "sum/sum_callbacks.h"
#include "sum/sum_component.h"
#include "sum/sum_config_facts.h"
#include "sum/sum_foundation.h"
#include "sum/sum_lists.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum/sum_string.h"
#include "sum/xml_element.h"

class SUM_NewConfig;

// The callbacks a configuration calls while it works. `validated` is
// called with each change right after its validation; an answer of 1
// stops the validation pass.
struct SUM_NewConfigCBs {
  ConfigChangeCB validated;
};

// One component's change. The base class answers every operation trivially
// (valid, nothing to commit or undo, no text); the derived classes work.
class SUM_FoundationChange {
 public:
  enum Kind : int {
    NONE = 0,
    ADD = 1,
    REMOVE = 2,
    FORWARD = 3,
    BACKWARD = 4,
    SIDEWAYS = 5,
    CHANGING_IMPLIED = 6,
    ROOTLESS_SIDEWAYS = 7,
  };

  SUM_FoundationChange() = default;
  SUM_FoundationChange(SUM_NewConfig* owner, int kind, const SUM_Baseline& current,
                       const SUM_Baseline& fresh, int implied, const SUM_Component& component,
                       int modifiable)
      : owner_(owner),
        kind_(kind),
        current_(current),
        new_(fresh),
        implied_(implied),
        component_(component),
        modifiable_(modifiable) {}
  SUM_FoundationChange(const SUM_FoundationChange&) = default;
  SUM_FoundationChange& operator=(const SUM_FoundationChange&) = default;
  virtual ~SUM_FoundationChange() = default;

  // The user's text for the change's outcome (empty here).
  virtual int status_msg(SUM_String& out) const;
  // Whether the change is acceptable (always here).
  virtual int is_valid(int& valid) const;
  // Checks the change (nothing to check here).
  virtual int validate();
  // Writes the change to the stream (nothing to write here).
  virtual int commit();
  // Writes the reverse of a committed change (nothing here).
  virtual int undo_commit();
  // Appends the change's "cha" element to `parent` (nothing here).
  virtual int save(XML_Element& parent) const;

  int kind() const { return kind_; }
  // Null when the component is not in the current configuration.
  const SUM_Baseline& current_baseline() const { return current_; }
  // Null when the component leaves the configuration.
  const SUM_Baseline& new_baseline() const { return new_; }
  // 1 when the new baseline is only implied by a composite.
  int implied() const { return implied_; }
  // 1 when the current baseline was only implied by a composite.
  int current_implied() const { return current_implied_; }
  const SUM_Component& component() const { return component_; }
  // 1 when the project lists the component as modifiable.
  int modifiable() const { return modifiable_; }
  SUM_NewConfig* config() const { return owner_; }

  void set_kind(int kind) { kind_ = kind; }
  void set_new_baseline(const SUM_Baseline& baseline, int implied) {
    new_ = baseline;
    implied_ = implied ? 1 : 0;
  }
  void set_current_implied(int implied) { current_implied_ = implied ? 1 : 0; }

  // The text form of a kind ("none", "add", ...); null for a value outside
  // the table.
  static const char* kind2str(int kind);
  // The kind of a text form; 1002 for a text outside the table.
  static int str2kind(const char* text, int& kind);

 protected:
  SUM_NewConfig* owner_ = nullptr;
  int kind_ = NONE;
  SUM_Baseline current_;
  SUM_Baseline new_;
  int implied_ = 0;
  SUM_Component component_;
  int modifiable_ = 0;
  int current_implied_ = 0;
};

// A change of a stream's foundation, with a validity code.
class SUM_ConfigChange : public SUM_FoundationChange {
 public:
  // Validity codes; each but OK names the rule the change breaks.
  enum Validity : int {
    OK = 0,
    NOT_LABELED = 1,            // the new baseline is not labeled
    MADE_IN_STREAM = 2,         // it was made in this stream
    NOT_IN_INTEGRATION = 3,     // below level 3: not the parent's foundation baseline
    NOT_FROM_INTEGRATION = 4,   // integration stream: made in a development stream
    CHILD_USES_REMOVED = 5,     // remove: child streams use the component
    MODIFIED_REMOVED = 6,       // remove: the stream modified it
    CHILD_USES_REVERTED = 7,    // backward: child streams use the component
    MODIFIED_REVERTED = 8,      // backward: the stream modified it
    CHILD_USES_SWITCHED = 9,    // sideways: child streams use the component
    MODIFIED_SWITCHED = 10,     // sideways: the stream modified it
    NOT_FROM_PARENT = 11,       // development stream rule
    FROM_OWN_INTEGRATION = 13,  // integration stream: made in an integration stream of its project
    NOT_APPROPRIATE_ANCESTOR = 16,  // development stream: origin comparison
    NOT_ANCESTOR = 17,              // development stream: plain ancestry
  };

  SUM_ConfigChange() = default;
  SUM_ConfigChange(SUM_NewConfig* owner, int kind, const SUM_Baseline& current,
                   const SUM_Baseline& fresh, int implied, const SUM_Component& component,
                   int modifiable)
      : SUM_FoundationChange(owner, kind, current, fresh, implied, component, modifiable) {}

  // The outcome in the configuration-change catalog's words: the refusal of
  // the validity code, or for an acceptable change the message of its kind.
  // A text longer than 153600 bytes is an internal error.
  int status_msg(SUM_String& out) const override;
  int is_valid(int& valid) const override;
  // Sets the validity code and, for a change of baseline, the kind found by
  // classification. Fails only when reading the repository fails.
  int validate() override;
  // Writes an acceptable change (the timeline of the component, the
  // "UseBaseline" hyperlink); an invalid one is 1072.
  int commit() override;
  // Writes the reverse change: baselines swapped, "add" and "remove"
  // exchanged, "forward" and "rootless_sideways" undone by "backward",
  // "backward" by "forward", "sideways" by "sideways".
  int undo_commit() override;
  int save(XML_Element& parent) const override;
  // Reads a "cha" element into `out`'s fields (baselines resolved); the
  // owner makes the change of its own kind from them. An element without
  // kind or component, or naming what cannot be found, is 1001 after a
  // message.
  static int restore(SUM_NewConfig* owner, const XML_Element& element, SUM_FoundationChange& out);

  int validity() const { return validity_; }
  void set_validity(int validity) { validity_ = validity; }

  // Whether the stream has modified the component: it made a baseline of
  // it, or elements under its root carry the stream's branch.
  static int has_comp_been_modified_in_stream(const SUM_Stream& stream,
                                              const SUM_Component& component, int& modified);
  // The same asked of the stream and every stream below it.
  static int has_comp_been_modified_in_str_hier(const SUM_Stream& stream,
                                                const SUM_Component& component, int& modified);
  // Whether a stream placed in `stream` has the component in its
  // foundation; a child whose foundation cannot be read counts as using it.
  static int comp_visible_in_child_streams(const SUM_Stream& stream, const SUM_Component& component,
                                           int& visible);

 protected:
  int check_new_baseline();
  int check_intstream_baseline();
  int check_devstream_baseline();
  int check_forward_or_backward();
  int check_ok_to_move_backward();
  int check_ok_to_move_sideways();
  int check_ok_to_remove();
  // The stream of the configuration (null for a stream not made yet).
  const SUM_Stream& stream() const;
  // has_comp_been_modified_in_stream and comp_visible_in_child_streams for
  // this change's stream and component, through the configuration's facts.
  int modified_in_stream(int& modified);
  int used_by_children(int& used);

  int validity_ = OK;

 private:
  int commit_kind(int kind, const SUM_Baseline& to, int to_implied);
  int add_component(const SUM_Baseline& to, int to_implied);
  int remove_component();
  int move_backward(const SUM_Baseline& to);
  int move_rootless_sideways(const SUM_Baseline& to);
  int set_uses_bl_hlink(const SUM_Baseline& to, int to_implied);
};

// A change of a stream's recommended baselines. Backward and sideways
// recommendations are allowed; removing a component warns.
class SUM_RecommendChange : public SUM_ConfigChange {
 public:
  enum Validity : int {
    NOT_ON_STREAM = 1,      // neither made in, on nor delivered to the stream
    LOSES_RECOMMENDED = 2,  // drops the stream's own recommended baseline
    NOT_FROM_PROJECT = 3,   // not from the foundation or the project
    NOT_APPROPRIATE_ANCESTOR = 4,
    NOT_ANCESTOR = 5,
  };

  SUM_RecommendChange(SUM_NewConfig* owner, int kind, const SUM_Baseline& current,
                      const SUM_Baseline& fresh, int implied, const SUM_Component& component,
                      int modifiable)
      : SUM_ConfigChange(owner, kind, current, fresh, implied, component, modifiable) {}

  int status_msg(SUM_String& out) const override;
  int validate() override;
  // A recommendation is written as a whole (SUM_Stream::set_recbls); a
  // change on its own writes nothing.
  int commit() override { return 0; }
  int undo_commit() override { return 0; }

 private:
  int check_recommended_baseline();
};

class SUM_NewConfig {
 public:
  // A change of the configuration of existing stream `stream`.
  SUM_NewConfig(const SUM_Stream& stream, const SUM_NewConfigCBs& callbacks);
  // The configuration of a stream about to be made in `project`: placed in
  // `parent` (null: in the project), the integration stream when
  // `integration` is 1. set_stream names the stream once it exists.
  SUM_NewConfig(const SUM_Project& project, const SUM_Stream& parent, int integration,
                const SUM_NewConfigCBs& callbacks);
  SUM_NewConfig(const SUM_NewConfig&) = delete;
  SUM_NewConfig& operator=(const SUM_NewConfig&) = delete;
  ~SUM_NewConfig();

  // Computes the changes that take the stream from its current foundation
  // to one where `baselines` are explicit (each replacing the explicit
  // baseline of its component) and `removed` are taken out. Two given
  // baselines of one component: foundation message 22 and 1001. A removed
  // baseline not explicit now: message 12, 1001. Unreadable current
  // foundation: message 29 (28 when some of its baselines are unavailable),
  // 30 for its closure, 31 for the new closure, 47 for a baseline still
  // being made; each 1001.
  int init(const SUM_BaselineList& baselines);
  int init(const SUM_BaselineList& baselines, const SUM_BaselineList& removed);
  // Computes the change of the stream's recommended baselines to
  // `recommended`: failures are messages 25, 26, 27 and 47; a baseline of a
  // component the stream does not have is message 42; each 1001.
  int init_recommend(const SUM_BaselineList& recommended);
  // Validates every change in list order (validate_baselines), then checks
  // the new foundation for dependency cycles: a cycle makes it invalid.
  int validate();
  // Validates each change and hands it to the `validated` callback; an
  // answer of 1 stops the pass (`stopped` 1). `valid` is 1 when every
  // change validated is acceptable and the pass was not stopped.
  int validate_baselines(int& valid, int& stopped);
  // 1 when initialised, validated and valid.
  int is_valid(int& valid) const;
  // 1 when some change is not "none".
  int is_different(int& different) const;

  // Names the stream a configuration built for a new stream was made for
  // (its place must match); only before anything is committed.
  int set_stream(const SUM_Stream& stream);
  // Commits the configuration of a new stream: every change must be an
  // "add" and the configuration valid (1072 otherwise). Records `comment`
  // with the timelines made. The first failure stops the commit.
  int new_stream_commit(const char* comment);
  // Commits a valid configuration of an existing stream change by change,
  // then regenerates the stream's config spec. When a change fails, those
  // already written are undone and its status returned.
  int commit(const char* comment);
  // Undoes a committed configuration (last change first), then regenerates
  // the config spec. The first failure stops and is returned.
  int undo_commit(const char* comment);

  // The changes in list order; owned by the configuration.
  const std::vector<std::unique_ptr<SUM_ConfigChange>>& changes() const { return changes_; }
  // The explicit baselines before and after, in list order.
  int current_config(SUM_BaselineList& out) const;
  int new_config(SUM_BaselineList& out) const;
  // The effective baseline of every component in the new configuration
  // (explicit and implied), replacing `out`.
  int new_closure(SUM_BaselineList& out) const;
  // The new baselines of changes that are not "none", and of those that
  // move forward.
  int changed_baselines(SUM_BaselineList& out) const;
  int baselines_moving_forward(SUM_BaselineList& out) const;
  // Of two lists: what `to` adds, what it drops and what both hold, each in
  // its list's order.
  static void diff_bl_lists(const SUM_BaselineList& from, const SUM_BaselineList& to,
                            SUM_BaselineList& added, SUM_BaselineList& removed,
                            SUM_BaselineList& kept);

  // The "ncfg" text of an initialised, valid configuration.
  int save(SUM_String& out) const;
  // Rebuilds a configuration of this configuration's stream from saved
  // text: the change list, and both foundations from it. The restored
  // configuration is valid and, when it was, committed (`committed` 1).
  // Text naming another stream, or not "ncfg" text: 1001 after message.
  int restore(const char* text, int committed);

  const SUM_Stream& stream() const { return stream_; }
  const SUM_Project& project() const { return project_; }
  // The stream the configuration's stream is placed in (null: the project).
  const SUM_Stream& parent() const { return parent_; }
  int is_integration() const { return integration_; }
  int is_recommend() const { return recommend_; }
  const SUM_String& comment() const { return comment_; }
  // What the changes ask of streams, read once per configuration.
  SUM_ConfigFacts& facts() { return facts_; }
  // 1 when "ZEM_OVERRIDE_TIMELINE_COMPARISON" is "true" in any case.
  static int timeline_comparison_overridden();

  // The callbacks of stream creation: each invalid change prints its
  // message at error severity, and the pass goes on.
  static SUM_NewConfigCBs stream_creation_cbs();
  // The callbacks of a preview: every change prints its message, an
  // acceptable one as information, a refusal as an error.
  static SUM_NewConfigCBs preview_cbs();

  // Element names of the saved text (tag2str/str2tag), "none" for others.
  enum Tag : int {
    TAG_NONE = 0,
    TAG_NCFG,
    TAG_STRM,
    TAG_CHA,
    TAG_CHA_KIND,
    TAG_CHA_COMP,
    TAG_CHA_CBL,
    TAG_CHA_CIBL,  // the current baseline when it was implied
    TAG_CHA_NIBL,
    TAG_CHA_NBL,
  };
  static const char* tag2str(int tag);
  static int str2tag(const char* text);

 private:
  // Reads the place of an existing stream.
  int read_place();
  // The change list from the two evaluated foundations.
  int build_changes(const SUM_Foundation& current, const SUM_Foundation& fresh);
  std::unique_ptr<SUM_ConfigChange> make_change(int kind, const SUM_Baseline& current,
                                                const SUM_Baseline& fresh, int implied,
                                                const SUM_Component& component);
  int read_mod_comps();
  int read_current_foundation(SUM_Foundation& out) const;
  int regen_cspec() const;

  SUM_Stream stream_;
  SUM_Project project_;
  SUM_Stream parent_;
  int integration_ = 0;
  int place_known_ = 0;
  int recommend_ = 0;
  SUM_NewConfigCBs callbacks_;
  SUM_ComponentList project_mod_comps_;
  SUM_Foundation current_foundation_;
  SUM_Foundation new_foundation_;
  std::vector<std::unique_ptr<SUM_ConfigChange>> changes_;
  int initialised_ = 0;
  int validated_ = 0;
  int valid_ = 0;
  int committed_ = 0;
  SUM_String comment_;
  SUM_ConfigFacts facts_;
};

#endif  // SUM_SUM_NEW_CONFIG_H
