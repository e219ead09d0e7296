// Fuzzes the internal-error log: the "key=value" records every process
// appends to <KORVANE_HOME>/log/internal-errors.log and tools read back.
//
// The first byte chooses the case; the rest is the input.
//   - reading: the input becomes the log file. Any content reads with
//     status 0, never a crash: the log is shared by every process and may
//     hold torn or foreign lines, which are skipped.
//   - writing: the input, split at line breaks, gives a record's source file
//     and operation (any bytes but the line break and zero). Writing it and
//     reading the log back gives exactly those values, as the tests and the
//     tools that report internal errors rely on.
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "services/sysutl.h"
#include "services/tbs.h"

namespace {

void write_log(const std::string& content) {
  std::string path = tbs_int_error_log_path();
  FUZZ_REQUIRE(sysutl_make_dirs(path.substr(0, path.rfind('/'))) == TBS_ST_OK,
               "cannot make the log directory");
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  FUZZ_REQUIRE(static_cast<bool>(out), "cannot write the log file");
}

void check_read(const std::string& content) {
  write_log(content);
  std::vector<tbs_int_error_record> records;
  FUZZ_REQUIRE(tbs_read_int_error_log(records) == TBS_ST_OK, "reading the log failed");
}

void check_write(const std::string& content) {
  size_t newline = content.find('\n');
  std::string source = content.substr(0, newline);
  std::string operation = newline == std::string::npos ? "" : content.substr(newline + 1);
  operation = operation.substr(0, operation.find('\n'));
  write_log("");
  int line = static_cast<int>(content.size());
  tbs_log_int_error(source.c_str(), tbs_msg::InternalErrorLine, operation.c_str(), line, 0);
  std::vector<tbs_int_error_record> records;
  FUZZ_REQUIRE(tbs_read_int_error_log(records) == TBS_ST_OK, "reading the log failed");
  FUZZ_REQUIRE(records.size() == 1, "the record written is not read back");
  const tbs_int_error_record& rec = records[0];
  FUZZ_REQUIRE(rec.source_file == source, "source read back as \"" + rec.source_file + "\"");
  FUZZ_REQUIRE(rec.operation == operation, "operation read back as \"" + rec.operation + "\"");
  FUZZ_REQUIRE(rec.catalog == "tbs" && rec.entry == 35 && rec.line == line && rec.extra == 0,
               "fixed fields read back differently");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0)
    return 0;
  std::string content = fuzz_text(data + 1, size - 1);
  if (data[0] % 2 == 0)
    check_read(content);
  else
    check_write(content);
  return 0;
}
