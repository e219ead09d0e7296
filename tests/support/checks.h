// Short forms of the checks tests repeat most: the value a successful call
// leaves in its one out-parameter (the getters of the library's handles),
// and a call's status together with the error messages it prints.
#ifndef TESTS_SUPPORT_CHECKS_H
#define TESTS_SUPPORT_CHECKS_H

#include <gtest/gtest.h>

#include <string>

#include "sum/sum_string.h"
#include "support/imsg_capture.h"

namespace test_support {

// The value `get` leaves in its out-parameter; the call must return 0.
template <typename T, typename Obj, typename Cls>
T out(const Obj& obj, int (Cls::*get)(T&) const) {
  T value{};
  EXPECT_EQ((obj.*get)(value), 0);
  return value;
}

// As above, for getters that are not const.
template <typename T, typename Obj, typename Cls>
T out(Obj& obj, int (Cls::*get)(T&)) {
  T value{};
  EXPECT_EQ((obj.*get)(value), 0);
  return value;
}

// As `out`, for getters that fill a SUM_String, as a std::string.
template <typename Obj, typename Cls>
std::string text(const Obj& obj, int (Cls::*get)(SUM_String&) const) {
  return std::string(static_cast<const char*>(out(obj, get)));
}

// Runs `call` while capturing messages: holds when it returns `status` and
// the error messages it prints, joined, are exactly `errors` (or, with
// `whole` false, contain `errors`).
template <typename Call>
::testing::AssertionResult fails_with(int status, const std::string& errors, Call call,
                                      bool whole = true) {
  ImsgCapture capture;
  int got = call();
  std::string printed = capture.joined(IMSG_ERROR);
  bool printed_ok = whole ? printed == errors : printed.find(errors) != std::string::npos;
  if (got == status && printed_ok)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "status " << got << " (expected " << status << "), errors \"" << printed
         << "\" (expected " << (whole ? "" : "to contain ") << "\"" << errors << "\")";
}

// As `fails_with`, where the errors need only contain `part`.
template <typename Call>
::testing::AssertionResult fails_mentioning(int status, const std::string& part, Call call) {
  return fails_with(status, part, call, false);
}

}  // namespace test_support

#endif  // TESTS_SUPPORT_CHECKS_H
