// Typed handles: which objects each ZEM handle class accepts, and the one
// way every class turns a handle or a selector into its own type.
//
// Every class X derived from SUM_VobObject declares
//   static constexpr SUM_HandleKind handle_kind = SUM_HandleKind::<KIND>;
// and a constructor X(const SUM_Vob&, tbs_dbid_t), and then writes
//   static X convert(const SUM_VobObject& o) { return sum_convert_as<X>(o); }
//   static int construct_from_selector(const SUM_String& text, const SUM_Vob& vob, X& out,
//                                      int widen = 0) {
//     return sum_construct_from_selector_as(text, vob, out, widen);
//   }
#ifndef SUM_SUM_HANDLE_KIND_H
#define SUM_SUM_HANDLE_KIND_H

#include "services/vob.h"
#include "sum/sum_string.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"

// The typed handle classes.
enum class SUM_HandleKind : int {
  ACTIVITY,
  BASELINE,
  COMPONENT,
  FOLDER,
  PROJECT,
  STREAM,
  TIMELINE,
  REPLICA,
  BRANCH_TYPE,
  LABEL_TYPE,
  VERMAP,
  BRANCH,
  ELEMENT,
  VERSION,
};

// What one handle class accepts.
struct SUM_HandleKindInfo {
  SUM_HandleKind kind;
  const char* class_name;    // "SUM_Activity"
  const char* construct_op;  // trace name of its construct_from_selector
  // The selector kind its selectors are resolved with; VOB_SEL_ANY for
  // classes whose objects are named by a text that carries its own kind.
  vob_objsel_kind_t selector_kind;
  // Metatypes accepted as they stand (0 ends the list).
  vob_mtype_t mtypes[4];
  // The older storage form: objects of metatype 28 whose type object is one
  // of these well-known objects of their VOB (0 ends the list).
  vob_wkobj_t activity_like_types[3];
};

// The entry of `kind`.
const SUM_HandleKindInfo& sum_handle_kind_info(SUM_HandleKind kind);

// 1 when `obj` is an object that handles of `kind` may name, else 0 (also
// for a null handle and when the object's metatype or type cannot be read).
int sum_handle_kind_accepts(SUM_HandleKind kind, const SUM_VobObject& obj);

// Resolves selector `text` with `kind`'s selector kind, using `default_vob`
// for a text that names no VOB (lookup flags 24; with `widen`, 25 to look
// in the admin VOBs as well). On success `found` is the object and 0 is
// returned; a lookup failure passes its status up; an object that `kind`
// does not accept gives 1001. `found` is null on failure.
int sum_handle_kind_resolve(SUM_HandleKind kind, const SUM_String& text, const SUM_Vob& default_vob,
                            int widen, SUM_VobObject& found);

// X for the same object when X accepts it, else a null X.
template <typename X>
X sum_convert_as(const SUM_VobObject& obj) {
  if (sum_handle_kind_accepts(X::handle_kind, obj))
    return X(obj.vob(), obj.dbid());
  return X();
}

// The X named by selector `text` (see sum_handle_kind_resolve): 0 and `out`
// set; otherwise the status, with `out` null.
template <typename X>
int sum_construct_from_selector_as(const SUM_String& text, const SUM_Vob& default_vob, X& out,
                                   int widen) {
  SUM_VobObject found;
  int status = sum_handle_kind_resolve(X::handle_kind, text, default_vob, widen, found);
  out = status == 0 ? X(found.vob(), found.dbid()) : X();
  return status;
}

#endif  // SUM_SUM_HANDLE_KIND_H
