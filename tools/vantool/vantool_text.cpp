// Small text helpers the commands share.
#include "vantool_text.h"

#include <ctime>

#include "sum/sum_utl_names.h"

namespace vantool {

std::string time_text(long seconds) {
  std::time_t t = seconds;
  std::tm tm_utc;
  gmtime_r(&t, &tm_utc);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm_utc);
  return buf;
}

std::vector<std::string> split_commas(const std::string& list) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    std::string item =
        list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (!item.empty())
      items.push_back(item);
    if (comma == std::string::npos)
      break;
    start = comma + 1;
  }
  return items;
}

std::string joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items)
    text += (text.empty() ? "" : ", ") + item;
  return text;
}

std::string text_of(const SUM_String& s) {
  return static_cast<const char*>(s);
}

std::string label_of(const SUM_VobObject& obj) {
  SUM_String name, tag;
  SUM_NamedObject(obj.vob(), obj.dbid()).name(name);
  obj.vob().tag(tag);
  return text_of(name) + "@" + text_of(tag);
}

bool new_object_operand(const char* command, const std::string& operand, const char* kind,
                        imsg_checked_id<const char*> malformed, vob_objsel_t& parsed, SUM_Vob& pvob,
                        int& exit) {
  if (sum_utl_parse_selector(operand.c_str(), parsed) != 0 || parsed.vob.empty() ||
      (!parsed.kind.empty() && parsed.kind != kind)) {
    exit = usage_error(*find_command(command), imsg_format(malformed, operand.c_str()).c_str());
    return false;
  }
  if (SUM_Vob::construct_from_pname_or_tag(parsed.vob.c_str(), 0, pvob) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::NoSuchVob, parsed.vob.c_str());
    exit = kExitFailure;
    return false;
  }
  return true;
}

}  // namespace vantool
