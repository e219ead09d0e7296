// Small text helpers the commands share.
#ifndef VANTOOL_VANTOOL_TEXT_H
#define VANTOOL_VANTOOL_TEXT_H

#include <string>
#include <vector>

#include "services/imsg.h"
#include "sum/sum_list.h"
#include "sum/sum_string.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_command.h"
#include "vantool_json.h"

namespace vantool {

// A time as "2026-12-06T02:15:20Z" (UTC), from seconds since the epoch.
std::string time_text(long seconds);

// Comma-separated items, empty ones dropped.
std::vector<std::string> split_commas(const std::string& list);
// The items separated by ", " ("" for none).
std::string joined(const std::vector<std::string>& items);

std::string text_of(const SUM_String& s);
// "NAME@TAG" of a named object, for messages and listings.
std::string label_of(const SUM_VobObject& obj);

// The labels of the objects of a library list, in order.
template <typename T>
std::vector<std::string> labels_of(const SUM_List<T>& list) {
  std::vector<std::string> out;
  for (unsigned i = 0; i < list.count(); ++i)
    out.push_back(label_of(list[i]));
  return out;
}

// Splits the operand of a command that makes an object, "[KIND:]NAME@PVOB"
// with KIND `kind` when given: `parsed` and the opened PVOB. A malformed
// operand is a usage error of `command` with message `malformed` (naming
// the operand); an unknown VOB fails with NoSuchVob. `exit` then holds the
// exit status.
bool new_object_operand(const char* command, const std::string& operand, const char* kind,
                        imsg_checked_id<const char*> malformed, vob_objsel_t& parsed, SUM_Vob& pvob,
                        int& exit);

// Removes `object` (its destroy(comment)) and reports it with vantool
// message `removed`, or `failed` when the removal is refused; both name the
// object's label. Answers kExitOk or kExitFailure.
template <typename Object>
int remove_reported(Object& object, const std::string& comment,
                    imsg_checked_id<const char*> removed, imsg_checked_id<const char*> failed) {
  std::string label = label_of(object);
  if (object.destroy(comment.c_str()) != 0) {
    imsg_print(IMSG_ERROR, failed, label.c_str());
    return kExitFailure;
  }
  imsg_print(IMSG_INFO, removed, label.c_str());
  return kExitOk;
}

// Prints each of `items` (a SUM_ list or a std::vector) with
// print(item, args, json), which answers false when it could not; each
// such item is reported with vantool message `failed` naming its label and
// the rest are still printed. The JSON array is printed at the end when
// -json is given. Answers kExitOk, or kExitFailure when an item failed.
template <typename Items, typename Print>
int print_listing(const ParsedArgs& args, const Items& items, imsg_checked_id<const char*> failed,
                  Print print) {
  JsonWriter json;
  json.begin_array();
  bool ok = true;
  auto print_one = [&](const auto& item) {
    if (!print(item, args, json)) {
      imsg_print(IMSG_ERROR, failed, label_of(item).c_str());
      ok = false;
    }
  };
  if constexpr (requires { items.count(); }) {
    for (unsigned i = 0; i < items.count(); ++i)
      print_one(items[i]);
  } else {
    for (const auto& item : items)
      print_one(item);
  }
  json.end_array();
  if (args.has("json"))
    imsg_print_literal(IMSG_INFO, "%s", json.str().c_str());
  return ok ? kExitOk : kExitFailure;
}

}  // namespace vantool

#endif  // VANTOOL_VANTOOL_TEXT_H
