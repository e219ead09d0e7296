// Message service: prints catalogued and literal messages by severity,
// decides what trace output is wanted, and lets callers capture output by
// replacing the per-severity handler slots.
//
// Output: severities 0 to 3 and 10 go to standard output, 4 to 9 to standard
// error. Warnings (4) and errors (6 and 7) carry the header "<program>: Warning: "
// or "<program>: Error: " on their first line; every other severity is printed
// as it stands. 1 and 3 are printed like 0, 7 like 6, 9 like 8.
// Handlers receive the formatted text without any header.
#ifndef SERVICES_IMSG_H
#define SERVICES_IMSG_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>

// Severities of the message service.
enum imsg_severity : int {
  IMSG_INFO = 0,
  IMSG_FRAGMENT = 2,  // printed without a header, for indentation inside a report
  IMSG_WARNING = 4,
  IMSG_CONTINUATION = 5,  // continuation lines of a warning or report
  IMSG_ERROR = 6,
  IMSG_TRACE = 8,
  IMSG_NOTICE = 10,  // a notice shown while detaching views from a stream
};

// Number of handler slots: one per severity 0 to 10.
constexpr int IMSG_NUM_PROCS = 11;

// A message catalog, fixed at build time. `facility_count` holds the facility
// number in its high 16 bits and the number of messages in its low 16 bits;
// `texts` has that many printf-style formats, indexed from 0.
struct imsg_catalog_t {
  const char* library;  // the owning library, e.g. "sum_lib"
  const char* name;     // e.g. "sum/stream"
  uint32_t facility_count;
  const char* const* texts;
};

inline int imsg_catalog_facility(const imsg_catalog_t* c) {
  return static_cast<int>(c->facility_count >> 16);
}
inline int imsg_catalog_count(const imsg_catalog_t* c) {
  return static_cast<int>(c->facility_count & 0xffffu);
}

// The format of entry `index`, or null when the catalog is null or the index
// out of range.
const char* imsg_catalog_text(const imsg_catalog_t* catalog, int index);

// Catalog registry: libraries register their catalogs so that tools can list
// and look them up by name. Registering the same catalog twice is harmless.
void imsg_register_catalog(const imsg_catalog_t* catalog);
// The registered catalog of that name, or null.
const imsg_catalog_t* imsg_find_catalog(const char* name);
// Number of registered catalogs and the i-th in registration order.
int imsg_catalog_registered_count();
const imsg_catalog_t* imsg_catalog_registered(int i);

// A handler slot: receives the formatted text and the argument installed with
// the slots.
using imsg_proc_t = void (*)(const char* text, void* arg);

// The 11 handler slots now installed and their common argument. Slots are
// never null: a slot that was never replaced holds the service's own printer.
void imsg_get_redirect_procs(imsg_proc_t procs[IMSG_NUM_PROCS], void** arg);
// Installs 11 slots and their argument. A null slot restores the service's
// own printer for that severity.
void imsg_set_redirect_procs(const imsg_proc_t procs[IMSG_NUM_PROCS], void* arg);

// Printing. Never fails as far as the caller is concerned. A catalog index out
// of range prints a notice naming the catalog and the index instead.
void imsg_print(int severity, const imsg_catalog_t* catalog, int index, ...);
void imsg_vprint(int severity, const imsg_catalog_t* catalog, int index, va_list args);
// A literal format: the library's form for trace status lines and for text
// that is already formatted.
void imsg_print_literal(int severity, const char* format, ...);
void imsg_vprint_literal(int severity, const char* format, va_list args);
// Trace output (severity 8) of a facility: printed only by the caller's own
// decision (see imsg_should_trace); the facility is carried for handlers that
// separate facilities and is otherwise not shown.
void imsg_trace_print(const char* facility, const imsg_catalog_t* catalog, int index, ...);
void imsg_trace_print_literal(const char* facility, const char* format, ...);

// Formats catalog entry `index` with `args` into `buf` of `size` bytes (cut
// to fit, always zero-terminated when size > 0). Returns the length the full
// text would have. An unknown entry formats a notice naming it.
int imsg_vsprintf(char* buf, size_t size, const imsg_catalog_t* catalog, int index, va_list args);
int imsg_sprintf(char* buf, size_t size, const imsg_catalog_t* catalog, int index, ...);

// Errors printed by this process so far (severities 6 and 7, through any
// handler): a tool whose command printed an error exits with failure even
// when the failing call's status was lost on the way up.
int imsg_error_count();

// Program name shown in warning and error headers; default "vantool".
void imsg_set_program_name(const char* name);
const char* imsg_program_name();

// Desired verbosity: the integer value of IMSG_VERBOSITY (unset or not a
// number: 0), unless set in-process, which then holds until cleared.
int imsg_get_desired_verbosity();
void imsg_set_desired_verbosity(int verbosity);
void imsg_clear_desired_verbosity();

// Whether trace output of `facility` at `level` passes the trace filter: the
// comma list of facility names in IMSG_TRACE (unset, empty or "*" means every
// facility), unless a filter was set in-process. The level is
// tested against the desired verbosity by the caller.
int imsg_should_trace(const char* facility, int level);
// Sets the trace filter in-process; null means every facility.
void imsg_set_trace_filter(const char* comma_list);
// Returns to the filter of IMSG_TRACE.
void imsg_clear_trace_filter();

// Asks a yes/no question at `severity` and reads the answer from the prompt
// input (standard input unless replaced). `attempts` is how many unrecognised
// answers are tolerated before the question counts as answered no; `flags`
// bit IMSG_PROMPT_DEFAULT_YES makes an empty line or end of input answer yes
// (otherwise no). `answer` is 1 for yes, 0 for no. Returns 0.
constexpr long IMSG_PROMPT_DEFAULT_YES = 1;
int imsg_prompt_yes_no(int severity, const char* question, long attempts, long flags, long* answer);
// Replaces the prompt input (null restores standard input).
void imsg_set_prompt_input(FILE* input);

#endif  // SERVICES_IMSG_H
