// User messages: SUM_Imsg holds one formatted catalog message,
// SUM_ImsgPresenter is the interface through which operations speak to a
// user, and SUM_ImsgRedirector captures what is printed while it lives.
#ifndef SUM_SUM_IMSG_H
#define SUM_SUM_IMSG_H

#include "services/imsg.h"
#include "sum/sum_list.h"
#include "sum/sum_lists.h"
#include "sum/sum_string.h"

// A formatted user message held as text.
class SUM_Imsg {
 public:
  SUM_Imsg() = default;
  SUM_Imsg(const SUM_Imsg& other) = default;
  SUM_Imsg& operator=(const SUM_Imsg& other) = default;
  virtual ~SUM_Imsg() = default;

  const char* str() const { return text; }
  SUM_String string() const { return text; }
  // Formats entry `index` of `catalog` with the arguments (through a
  // 65,536-byte buffer; longer text is cut) and keeps the result.
  void Format(const imsg_catalog_t* catalog, int index, ...);

  SUM_String text;
};

// How operations present text and questions to a user. The defaults print
// through the message service; a graphical client derives and overrides.
// Every operation returns 0.
class SUM_ImsgPresenter {
 public:
  virtual ~SUM_ImsgPresenter() = default;
  // `text` as a literal at severity 0, 4 or 6.
  virtual int ok(const char* text) const;
  virtual int warn(const char* text) const;
  virtual int error(const char* text) const;
  // Asks the message service's yes/no prompt with the first four arguments
  // (passed on unchanged) and stores the answer (1 yes, 0 no).
  virtual int prompt_yes_no(int severity, const char* question, long attempts, long flags,
                            long& answer) const;
};

// One captured message and its type (0 information, 4 warning, 6 error).
struct ImsgWithType {
  SUM_String msg;
  int type = 0;
  bool operator==(const ImsgWithType& other) const {
    return type == other.type && msg == other.msg;
  }
};

// ImsgWithTypeList is declared with the other lists in sum/sum_lists.h.

// Captures informational, warning and error messages (severities 0, 1, 4, 5,
// 6, 7) printed while it lives; trace output and headerless fragments still
// reach the handlers installed before it. Redirectors nest when kept on the
// stack: each restores exactly the handlers it replaced.
//
// When it is destroyed holding messages and IMSG_LOST_OUTPUT is set to a
// non-empty value (decided once per process), it prints them to standard
// output under "Notice: some imsg output may not have been displayed:".
class SUM_ImsgRedirector {
 public:
  SUM_ImsgRedirector();
  virtual ~SUM_ImsgRedirector();
  SUM_ImsgRedirector(const SUM_ImsgRedirector&) = delete;
  SUM_ImsgRedirector& operator=(const SUM_ImsgRedirector&) = delete;

  // All captured texts joined in capture order, without separators.
  virtual SUM_String messages() const;
  // Number of captured messages.
  virtual int count() const;
  // Drops every captured message and resets both flags.
  virtual void clear();
  // Captures one message.
  virtual void add(const char* text, int type);
  // Hands one message to the handler installed before this redirector for
  // `severity`, with that handler's argument, so that it is displayed as if no
  // redirector existed. Uncaptured severities reach the previous handlers
  // through here too.
  virtual void skip(const char* text, int severity);

  // The i-th captured text and its type.
  const char* message(int i) const;
  int type(int i) const;

  int last_was_warning() const { return last_was_warning_; }
  int last_was_error() const { return last_was_error_; }

 private:
  ImsgWithTypeList* list_ = nullptr;
  imsg_proc_t procs_[IMSG_NUM_PROCS];
  imsg_proc_t saved_procs_[IMSG_NUM_PROCS];
  void* saved_arg_ = nullptr;
  int last_was_warning_ = 0;
  int last_was_error_ = 0;
};

// Message-service handlers installed by SUM_ImsgRedirector with the
// redirector as argument: each calls its add() with type 0, 4 or 6.
void sum_imsg_handle_info_msg(const char* text, void* redirector);
void sum_imsg_handle_warning_msg(const char* text, void* redirector);
void sum_imsg_handle_error_msg(const char* text, void* redirector);

#endif  // SUM_SUM_IMSG_H
