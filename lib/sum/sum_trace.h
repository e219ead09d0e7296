// SUM_Trace: the scope object placed at the start of every operation.
//
// Entering a scope moves the process-wide indentation 4 spaces right and,
// when trace output at the scope's level is wanted, prints "<indent><name>:
// enter"; leaving prints "<indent><name>: exit S.UUUUUU" with the elapsed time
// and moves the indentation back. Output is wanted at level L when the
// message service's desired verbosity is at least L and its trace filter
// admits the facility "sum"; both are asked anew at every decision.
//
// Levels: 1 status lines, 2 free-form lines of utilities, 3 scopes of
// operations of wide effect, 4 every other scope (the default).
#ifndef SUM_SUM_TRACE_H
#define SUM_SUM_TRACE_H

#include "services/date.h"

class SUM_Trace {
 public:
  explicit SUM_Trace(const char* name);
  SUM_Trace(const char* name, long level);
  ~SUM_Trace();
  SUM_Trace(const SUM_Trace&) = delete;
  SUM_Trace& operator=(const SUM_Trace&) = delete;

  // 1 when trace output at `level` is wanted, else 0.
  int is_on(long level) const;
  // Prints "<indent><name>: <text>" at `level`; the text is formatted into a
  // shared 1024-byte buffer (cut there) before the level is tested.
  void info(long level, const char* format, ...) const __attribute__((format(printf, 3, 4)));
  // Measures an interval inside the scope and prints it as "S.UUUUUU ".
  void start_timer(long level);
  void print_timer(long level);
  // The status trace line after a failed call: "<name> line <line>; status =
  // <status>" at level 1.
  void status_line(int line, int status) const;
  // Passes `status` through, printing the status line first when it is not
  // 0: `return trace.checked(__LINE__, vob_obj_get_mtype(...));`.
  int checked(int line, int status) const {
    if (status != 0)
      status_line(line, status);
    return status;
  }

  const char* name() const { return name_; }
  long level() const { return level_; }

 private:
  const char* name_;
  long level_;
  date_timeval_t start_;
  date_timeval_t end_;
  date_timeval_t timer_;
};

// Current indentation of trace output: 4 spaces per open scope beyond the
// outermost, capped at 1024 spaces (257 nested scopes).
const char* sum_trace_indentation();

#endif  // SUM_SUM_TRACE_H
