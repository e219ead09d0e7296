// What the titles of projects and streams share. A title is free text kept
// beside the object; an object whose stored title is empty shows its name.
// Changing a title is one change operation: nothing happens when the object
// already shows the wanted title, otherwise the operation's trigger object
// fires around the permission check and the write.
//
// `Obj` is SUM_Project or SUM_Stream: it offers name(SUM_String&),
// title(SUM_String&) and check_permission().
#ifndef SUM_SUM_TITLE_H
#define SUM_SUM_TITLE_H

#include <string>

#include "sum/sum_status.h"
#include "sum/sum_string.h"
#include "sum/sum_trigger_base.h"
#include "sum/sum_vob_object.h"

// Reads `obj`'s title: `read(text)` gives the stored text (a status), and
// `out` becomes that text, or `obj`'s name when it is empty.
template <class Obj, class Read>
int sum_read_title(const Obj& obj, Read read, SUM_String& out) {
  std::string stored;
  int status = read(stored);
  if (status != 0)
    return status;
  if (stored.empty())
    return obj.name(out);
  out = stored.c_str();
  return SUM_OK;
}

// What a change of `obj`'s title to `new_title` asks for: `wanted` is the
// new text (null reads as ""), and `changes` is 1 when `obj` does not
// already show it (0 otherwise). A failure to read the current title is
// returned.
template <class Obj>
int sum_title_changes(const Obj& obj, const char* new_title, const char*& wanted, int& changes) {
  wanted = new_title == nullptr ? "" : new_title;
  SUM_String current;
  int status = obj.title(current);
  if (status != 0)
    return status;
  changes = current.Compare(wanted) == 0 ? 0 : 1;
  return SUM_OK;
}

// Runs a title change of `obj` inside `trigger`: the pre-operation triggers
// (which may refuse), obj's permission check, `write()` (the store's write,
// returning a status), then the post-operation triggers. The first failure
// is returned and the steps after it are not taken.
template <class Obj, class Write>
int sum_write_title(const Obj& obj, SUM_TriggerBase& trigger, Write write) {
  int status = trigger.fire_preop();
  if (status == 0)
    status = obj.check_permission();
  if (status == 0)
    status = write();
  if (status != 0)
    return status;
  return trigger.fire_postop(SUM_VobObject());
}

#endif  // SUM_SUM_TITLE_H
