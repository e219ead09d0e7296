// Internal-error log: one line per internal error, appended with a single
// write to <KORVANE_HOME>/log/internal-errors.log, so that records of several
// processes never interleave. A line reads
//   2026-12-06T02:15:20Z time=1796523320 pid=4711 source=sum_activity catalog=tbs
//   entry=35 operation=SUM_Activity::set_name line=120 extra=0
// (on one line); values are percent-escaped where they hold a space, a
// percent sign or a control character.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include "services/sysutl.h"
#include "services/tbs.h"

namespace {

std::string escaped(const char* text) {
  std::string out;
  for (const char* p = text != nullptr ? text : ""; *p != '\0'; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c <= ' ' || c == '%' || c == 0x7f) {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// Decodes "%HH"; a "%" not followed by two hexadecimal digits stays as it
// stands, since the log is shared and may hold lines other writers made.
std::string unescaped(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    int high = text[i] == '%' && i + 2 < text.size() ? hex_value(text[i + 1]) : -1;
    int low = high >= 0 ? hex_value(text[i + 2]) : -1;
    if (low >= 0) {
      out += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string record_line(const char* source_file, const imsg_catalog_t* catalog, int entry,
                        const char* operation, int line, int extra) {
  std::time_t now = std::time(nullptr);
  char stamp[32];
  std::tm tm_utc;
  gmtime_r(&now, &tm_utc);
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &tm_utc);
  std::ostringstream out;
  out << stamp << " time=" << static_cast<long>(now) << " pid=" << getpid()
      << " source=" << escaped(source_file)
      << " catalog=" << escaped(catalog != nullptr ? catalog->name : "") << " entry=" << entry
      << " operation=" << escaped(operation) << " line=" << line << " extra=" << extra << "\n";
  return out.str();
}

bool parse_record(const std::string& line, tbs_int_error_record& rec) {
  std::istringstream in(line);
  std::string token;
  int fields = 0;
  while (in >> token) {
    size_t eq = token.find('=');
    if (eq == std::string::npos)
      continue;
    std::string key = token.substr(0, eq);
    std::string value = unescaped(token.substr(eq + 1));
    try {
      if (key == "time")
        rec.time = std::stol(value);
      else if (key == "pid")
        rec.pid = std::stoi(value);
      else if (key == "source")
        rec.source_file = value;
      else if (key == "catalog")
        rec.catalog = value;
      else if (key == "entry")
        rec.entry = std::stoi(value);
      else if (key == "operation")
        rec.operation = value;
      else if (key == "line")
        rec.line = std::stoi(value);
      else if (key == "extra")
        rec.extra = std::stoi(value);
      else
        continue;
    } catch (const std::exception&) {
      return false;
    }
    ++fields;
  }
  return fields == 8;
}

}  // namespace

std::string tbs_int_error_log_path() {
  return sysutl_korvane_home() + "/log/internal-errors.log";
}

void tbs_log_int_error(const char* source_file,
                       imsg_checked_id<const char*, const char*, int> message,
                       const char* operation, int line, int extra) {
  imsg_print(IMSG_ERROR, message, operation != nullptr ? operation : "?",
             source_file != nullptr ? source_file : "?", line);
  std::string path = tbs_int_error_log_path();
  std::string dir = path.substr(0, path.rfind('/'));
  std::string text =
      record_line(source_file, message.catalog, message.index, operation, line, extra);
  int fd = -1;
  if (sysutl_make_dirs(dir) == TBS_ST_OK)
    fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
    imsg_print(IMSG_ERROR, tbs_msg::UnableWriteInternalError, path.c_str(), std::strerror(errno));
  if (fd >= 0)
    close(fd);
}

int tbs_read_int_error_log(std::vector<tbs_int_error_record>& records) {
  records.clear();
  std::ifstream in(tbs_int_error_log_path());
  if (!in)
    return errno == ENOENT ? TBS_ST_OK : TBS_ST_IO_ERROR;
  std::string line;
  while (std::getline(in, line)) {
    tbs_int_error_record rec;
    if (parse_record(line, rec))
      records.push_back(rec);
  }
  return TBS_ST_OK;
}
