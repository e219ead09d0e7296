// SUM_Stream: the handle of a stream of a project. A project has at most one
// integration stream, placed in the project itself; development streams are
// placed in the integration stream or in another development stream (their
// parent stream). A read-only stream holds no changes. Whether a stream is
// the integration stream or read-only is fixed when it is made.
//
// Storage forms (SUM_Vob::supports_fc_objs): in the first-class form a
// stream is an object of metatype 39, in the activity-based form an
// activity-like object of the PVOB's stream type. Both are made, walked and
// removed by the vob_zem_stream_* calls, which pick the form themselves.
// Settings are process variables: the project's "SUM_PROJ_INT_STREAM" names
// its integration stream, an integration stream's "ZEM_DELIVER_TGT" names
// its default deliver target (universal selectors; empty means none).
//
// Every change fires the stream triggers (mkstream 96, chstream 97,
// rmstream 98) and records its comment with that code.
//
// Contracts: value handle; a null handle records an internal error and
// returns 1072; out-parameters are filled only on success; a refusal prints
// its message and returns 1001; a locked stream refuses changes with 1040;
// repository failures pass up.
#ifndef SUM_SUM_STREAM_H
#define SUM_SUM_STREAM_H

#include <cstddef>
#include <vector>

#include "sum/sum_activity_base.h"
#include "sum/sum_handle_kind.h"
#include "sum/sum_project.h"
#include "sum/sum_string.h"
#include "sum/sum_vob.h"

class SUM_Stream : public SUM_ActivityBase {
 public:
  static constexpr SUM_HandleKind handle_kind = SUM_HandleKind::STREAM;
  // Operation codes recorded with stream changes.
  static constexpr int kOpCreate = 96;
  static constexpr int kOpChange = 97;
  static constexpr int kOpRemove = 98;
  // Lowest PVOB feature level that holds read-only streams.
  static constexpr int kReadOnlyFeatureLevel = 3;

  class ChildIter;

  SUM_Stream() = default;
  SUM_Stream(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_ActivityBase(vob, dbid) {}

  // The stream for the same object when it is one, else a null handle.
  static SUM_Stream convert(const SUM_VobObject& obj) { return sum_convert_as<SUM_Stream>(obj); }
  // The stream named by `text` ("stream:name@pvob", "name@pvob", or "name"
  // in `vob`); 1001 when it names another kind of object.
  static int construct_from_selector(const SUM_String& text, const SUM_Vob& vob, SUM_Stream& out,
                                     int widen = 0) {
    return sum_construct_from_selector_as(text, vob, out, widen);
  }

  // Creates stream `name` of `project` with `title` (null or "": none).
  // `parent` (null: none) is the stream to place it in and must belong to
  // `project` (1001 otherwise). An integration stream is placed in the
  // project and takes no parent (1001). A development stream without a
  // parent goes into the project's integration stream when there is one,
  // else into the project itself. Refusals, each 1001 after its message: a
  // read-only stream on a PVOB below feature level 3 (55); a read-only
  // parent (51); a "SIMPLE" project that already has its integration stream
  // (56); a second integration stream (62); an integration stream of a
  // project mastered at another replica (86); a bad or used name. A new
  // integration stream is recorded as the project's. Fires the mkstream
  // triggers; a failure after the object exists removes it again.
  static int create(const char* name, const char* comment, const SUM_Project& project,
                    const SUM_Stream& parent, const char* title, int integration, int read_only,
                    SUM_Stream& out);

  // Renames the stream (bad or used name: 1001 after its message; locked:
  // 1040). Fires the chstream triggers.
  int set_name(const char* name, const char* comment) const;
  // The title, or the name when no title is set.
  int title(SUM_String& title) const;
  // Stores the title; an unchanged title answers 0 at once.
  int set_title(const char* title, const char* comment) const;
  int set_display_name(const char* name, const char* comment) const override;

  // The project the stream belongs to.
  int project(SUM_Project& out) const;
  // The stream this one is placed in; 1002 for a stream placed in its
  // project.
  int parent_stream(SUM_Stream& out) const;
  int is_integration(int& result) const;
  int is_read_only(int& result) const;
  // Whether streams are placed in this one.
  int has_streams(int& result) const;
  // A new walk over the streams placed in this one, in creation order;
  // owned by the caller. Null for a null handle (after an internal error).
  ChildIter* child_streams() const;
  // Every stream of `project` (placed in it or below), in creation order,
  // appended to `out`.
  static int project_streams(const SUM_Project& project, std::vector<SUM_Stream>& out);
  // The integration stream of `project`; 1002 when it has none.
  static int integration_stream(const SUM_Project& project, SUM_Stream& out);

  // The default deliver target: 1002 for a read-only stream; the stored
  // target of the integration stream (1002 when none); a development
  // stream's parent stream.
  int deliver_stream(SUM_Stream& out) const;
  // Stores the integration stream's default deliver target; a null target
  // clears it. Refusals (1001): not the integration stream (60), a target
  // mastered at another replica (43), the stream itself (46), a project of
  // model "SIMPLE" (54; 53 when the model cannot be read). Fires the
  // chstream triggers.
  int set_deliver_stream(const SUM_Stream& target, const char* comment) const;

  // Whether the stream may be removed; `ok` is 0 after message 87 when a
  // trigger type names it, or 40 when it has child streams.
  int ok_to_destroy(int& ok) const;
  // Removes the stream (after ok_to_destroy: a refusal is 1001), clears the
  // project's integration stream when it was that, and makes this handle
  // null. Fires the rmstream triggers.
  int destroy(const char* comment);

 private:
  // Removes the object without checks or triggers (undoing a creation).
  int remove_object(const char* comment) const;
  // The refusals of create that need no object yet.
  static int check_create(const SUM_Project& project, const SUM_Stream& parent, int integration,
                          int read_only);
  int flags(unsigned int& out) const;
  // Whether `flag` is set in the stream's flag word, traced as `operation`.
  int has_flag(const char* operation, unsigned int flag, int& result) const;
};

// The streams placed in a stream, in creation order.
class SUM_Stream::ChildIter : public SUM_DbidChunkIter {
 public:
  static constexpr size_t kChunk = 32;
  explicit ChildIter(const SUM_Stream& parent)
      : SUM_DbidChunkIter(parent.vob(), kChunk), parent_(parent.dbid()) {}
  // The current stream; 1072 when the walk is done.
  int current_item(SUM_Stream& item) const;

 protected:
  int fetch(size_t offset, size_t max, std::vector<tbs_dbid_t>& out) override;

 private:
  tbs_dbid_t parent_;
};

#endif  // SUM_SUM_STREAM_H
