// A small JSON writer for the -json output of listing commands.
#ifndef VANTOOL_VANTOOL_JSON_H
#define VANTOOL_VANTOOL_JSON_H

#include <cstddef>
#include <string>
#include <vector>

namespace vantool {

// `text` as a JSON string literal, with quotes and escapes.
std::string json_quote(const std::string& text);

// Builds one JSON document. Keys are given before values inside objects;
// commas are placed by the writer.
class JsonWriter {
 public:
  JsonWriter& begin_object();
  JsonWriter& end_object();
  JsonWriter& begin_array();
  JsonWriter& end_array();
  JsonWriter& key(const std::string& name);
  JsonWriter& value(const std::string& text);
  JsonWriter& value(const char* text) { return value(std::string(text)); }
  JsonWriter& value(long number);
  JsonWriter& value(int number) { return value(static_cast<long>(number)); }
  JsonWriter& value(bool flag);
  // JSON null: a value that is not there (an operation not in progress).
  JsonWriter& value(std::nullptr_t);
  // The document, ending with a newline.
  std::string str() const { return out_ + "\n"; }

 private:
  void before_value();

  std::string out_;
  std::vector<bool> first_;  // per open container: no element written yet
  bool after_key_ = false;
};

}  // namespace vantool

#endif  // VANTOOL_VANTOOL_JSON_H
