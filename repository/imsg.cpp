// Message service: catalog registry, formatting, handler slots, verbosity and
// trace filter, yes/no prompt. Process-wide state is unguarded: callers
// serialise, as the library does.
#include "services/imsg.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// ---- catalogs -------------------------------------------------------------

std::vector<const imsg_catalog_t*>& registered_catalogs() {
  static std::vector<const imsg_catalog_t*> catalogs;
  return catalogs;
}

// ---- output ---------------------------------------------------------------

std::string& program_name() {
  static std::string name = "vantool";
  return name;
}

// Writes `text` to `stream`, with `header` before its first line. Standard
// output is flushed first so that output of both streams keeps its order.
void write_text(FILE* stream, const char* header, const char* text) {
  std::fflush(stdout);
  if (header != nullptr)
    std::fprintf(stream, "%s: %s", program_name().c_str(), header);
  std::fputs(text, stream);
  std::fflush(stream);
}

void print_stdout(const char* text, void*) {
  write_text(stdout, nullptr, text);
}
void print_stderr(const char* text, void*) {
  write_text(stderr, nullptr, text);
}
void print_warning(const char* text, void*) {
  write_text(stderr, "Warning: ", text);
}
void print_error(const char* text, void*) {
  write_text(stderr, "Error: ", text);
}

// The service's own printer for each severity.
constexpr imsg_proc_t kDefaultProcs[IMSG_NUM_PROCS] = {
    print_stdout, print_stdout, print_stdout, print_stdout, print_warning, print_stderr,
    print_error,  print_error,  print_stderr, print_stderr, print_stdout,
};

struct Slots {
  imsg_proc_t procs[IMSG_NUM_PROCS];
  void* arg = nullptr;
  Slots() { std::memcpy(procs, kDefaultProcs, sizeof procs); }
};

Slots& slots() {
  static Slots s;
  return s;
}

std::string vformat(const char* format, va_list args) {
  char small[1024];
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0)
    return std::string();
  if (static_cast<size_t>(n) < sizeof small)
    return std::string(small, n);
  std::string big(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(big.data(), big.size(), format, args);
  big.resize(static_cast<size_t>(n));
  return big;
}

std::string missing_entry_text(const imsg_catalog_t* catalog, int index) {
  std::string name = catalog != nullptr ? catalog->name : "<null>";
  return "Message " + std::to_string(index) + " of catalog \"" + name + "\" is not defined.\n";
}

std::string vformat_entry(const imsg_catalog_t* catalog, int index, va_list args) {
  const char* format = imsg_catalog_text(catalog, index);
  if (format == nullptr)
    return missing_entry_text(catalog, index);
  return vformat(format, args);
}

int& errors_printed() {
  static int count = 0;
  return count;
}

void deliver(int severity, const std::string& text) {
  if (severity < 0 || severity >= IMSG_NUM_PROCS)
    severity = IMSG_ERROR;
  if (severity == IMSG_ERROR || severity == IMSG_ERROR + 1)
    ++errors_printed();
  Slots& s = slots();
  s.procs[severity](text.c_str(), s.arg);
}

// ---- verbosity and trace filter --------------------------------------------

struct TraceSettings {
  bool verbosity_set = false;
  int verbosity = 0;
  bool filter_set = false;
  std::string filter;  // in-process filter; empty string means every facility
};

TraceSettings& trace_settings() {
  static TraceSettings t;
  return t;
}

// Whether `facility` is one of the comma-separated names of `list`. An empty
// list or a "*" entry admits every facility.
bool filter_admits(const char* list, const char* facility) {
  size_t flen = std::strlen(facility);
  const char* p = list;
  bool any_name = false;
  while (*p != '\0') {
    while (*p == ',' || *p == ' ')
      ++p;
    const char* start = p;
    while (*p != '\0' && *p != ',' && *p != ' ')
      ++p;
    size_t len = static_cast<size_t>(p - start);
    if (len == 0)
      continue;
    any_name = true;
    if ((len == 1 && *start == '*') || (len == flen && std::strncmp(start, facility, len) == 0))
      return true;
  }
  return !any_name;
}

FILE*& prompt_input() {
  static FILE* input = nullptr;
  return input;
}

std::string trimmed_lower(const char* line) {
  std::string s(line);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
    s.pop_back();
  size_t start = 0;
  while (start < s.size() && std::isspace(static_cast<unsigned char>(s[start])))
    ++start;
  s.erase(0, start);
  for (char& c : s)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

const char* imsg_catalog_text(const imsg_catalog_t* catalog, int index) {
  if (catalog == nullptr || index < 0 || index >= imsg_catalog_count(catalog))
    return nullptr;
  return catalog->texts[index];
}

void imsg_register_catalog(const imsg_catalog_t* catalog) {
  if (catalog == nullptr)
    return;
  auto& cats = registered_catalogs();
  for (const auto* c : cats)
    if (c == catalog)
      return;
  cats.push_back(catalog);
}

const imsg_catalog_t* imsg_find_catalog(const char* name) {
  if (name == nullptr)
    return nullptr;
  for (const auto* c : registered_catalogs())
    if (std::strcmp(c->name, name) == 0)
      return c;
  return nullptr;
}

int imsg_catalog_registered_count() {
  return static_cast<int>(registered_catalogs().size());
}

const imsg_catalog_t* imsg_catalog_registered(int i) {
  auto& cats = registered_catalogs();
  if (i < 0 || i >= static_cast<int>(cats.size()))
    return nullptr;
  return cats[static_cast<size_t>(i)];
}

void imsg_get_redirect_procs(imsg_proc_t procs[IMSG_NUM_PROCS], void** arg) {
  Slots& s = slots();
  std::memcpy(procs, s.procs, sizeof s.procs);
  if (arg != nullptr)
    *arg = s.arg;
}

void imsg_set_redirect_procs(const imsg_proc_t procs[IMSG_NUM_PROCS], void* arg) {
  Slots& s = slots();
  for (int i = 0; i < IMSG_NUM_PROCS; ++i)
    s.procs[i] = procs[i] != nullptr ? procs[i] : kDefaultProcs[i];
  s.arg = arg;
}

int imsg_error_count() {
  return errors_printed();
}

void imsg_vprint(int severity, const imsg_catalog_t* catalog, int index, va_list args) {
  deliver(severity, vformat_entry(catalog, index, args));
}

void imsg_print(int severity, const imsg_catalog_t* catalog, int index, ...) {
  va_list args;
  va_start(args, index);
  imsg_vprint(severity, catalog, index, args);
  va_end(args);
}

void imsg_vprint_literal(int severity, const char* format, va_list args) {
  deliver(severity, format != nullptr ? vformat(format, args) : std::string());
}

void imsg_print_literal(int severity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  imsg_vprint_literal(severity, format, args);
  va_end(args);
}

void imsg_trace_print(const char* /*facility*/, const imsg_catalog_t* catalog, int index, ...) {
  va_list args;
  va_start(args, index);
  imsg_vprint(IMSG_TRACE, catalog, index, args);
  va_end(args);
}

void imsg_trace_print_literal(const char* /*facility*/, const char* format, ...) {
  va_list args;
  va_start(args, format);
  imsg_vprint_literal(IMSG_TRACE, format, args);
  va_end(args);
}

int imsg_vsprintf(char* buf, size_t size, const imsg_catalog_t* catalog, int index, va_list args) {
  std::string text = vformat_entry(catalog, index, args);
  if (size > 0) {
    size_t n = text.size() < size ? text.size() : size - 1;
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
  }
  return static_cast<int>(text.size());
}

int imsg_sprintf(char* buf, size_t size, const imsg_catalog_t* catalog, int index, ...) {
  va_list args;
  va_start(args, index);
  int n = imsg_vsprintf(buf, size, catalog, index, args);
  va_end(args);
  return n;
}

void imsg_set_program_name(const char* name) {
  program_name() = name != nullptr ? name : "";
}

const char* imsg_program_name() {
  return program_name().c_str();
}

int imsg_get_desired_verbosity() {
  const TraceSettings& t = trace_settings();
  if (t.verbosity_set)
    return t.verbosity;
  const char* env = std::getenv("IMSG_VERBOSITY");
  return env != nullptr ? std::atoi(env) : 0;
}

void imsg_set_desired_verbosity(int verbosity) {
  trace_settings().verbosity_set = true;
  trace_settings().verbosity = verbosity;
}

void imsg_clear_desired_verbosity() {
  trace_settings().verbosity_set = false;
}

int imsg_should_trace(const char* facility, int /*level*/) {
  if (facility == nullptr)
    facility = "";
  const TraceSettings& t = trace_settings();
  if (t.filter_set)
    return filter_admits(t.filter.c_str(), facility) ? 1 : 0;
  const char* env = std::getenv("IMSG_TRACE");
  return env == nullptr || filter_admits(env, facility) ? 1 : 0;
}

void imsg_set_trace_filter(const char* comma_list) {
  trace_settings().filter_set = true;
  trace_settings().filter = comma_list != nullptr ? comma_list : "";
}

void imsg_clear_trace_filter() {
  trace_settings().filter_set = false;
}

int imsg_prompt_yes_no(int severity, const char* question, long attempts, long flags,
                       long* answer) {
  const long fallback = (flags & IMSG_PROMPT_DEFAULT_YES) != 0 ? 1 : 0;
  FILE* in = prompt_input() != nullptr ? prompt_input() : stdin;
  long result = 0;
  for (long tries = 0;; ++tries) {
    imsg_print_literal(severity, "%s [%s] ", question != nullptr ? question : "",
                       fallback != 0 ? "yes" : "no");
    char line[256];
    if (std::fgets(line, sizeof line, in) == nullptr) {
      result = fallback;
      break;
    }
    std::string reply = trimmed_lower(line);
    if (reply.empty()) {
      result = fallback;
      break;
    }
    if (reply == "y" || reply == "yes") {
      result = 1;
      break;
    }
    if (reply == "n" || reply == "no" || tries + 1 >= attempts) {
      result = 0;
      break;
    }
  }
  if (answer != nullptr)
    *answer = result;
  return 0;
}

void imsg_set_prompt_input(FILE* input) {
  prompt_input() = input;
}
