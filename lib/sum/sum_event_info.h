// SUM_EventInfo: what the repository records with a change besides the
// change itself, the user's comment and the code of the operation making it.
#ifndef SUM_SUM_EVENT_INFO_H
#define SUM_SUM_EVENT_INFO_H

#include "services/vob.h"
#include "sum/sum_string.h"

class SUM_EventInfo {
 public:
  // An empty comment and operation code 0 (none).
  SUM_EventInfo() = default;
  SUM_EventInfo(const SUM_String& comment, int opcode) : comment_(comment), opcode_(opcode) {}
  SUM_EventInfo(const SUM_EventInfo& other) : comment_(other.comment_), opcode_(other.opcode_) {}
  SUM_EventInfo& operator=(const SUM_EventInfo& other) {
    comment_ = other.comment_;
    opcode_ = other.opcode_;
    return *this;
  }
  virtual ~SUM_EventInfo() = default;

  const SUM_String& comment() const { return comment_; }
  int opcode() const { return opcode_; }
  void set_comment(const SUM_String& comment) { comment_ = comment; }
  void set_opcode(int opcode) { opcode_ = opcode; }

  // The record the repository's writing calls take. It points into this
  // object: valid until the comment changes or the object dies.
  const vob_event_info_t* info() const {
    info_.comment = comment_;
    info_.opcode = opcode_;
    return &info_;
  }

 private:
  SUM_String comment_;
  int opcode_ = 0;
  mutable vob_event_info_t info_;
};

#endif  // SUM_SUM_EVENT_INFO_H
