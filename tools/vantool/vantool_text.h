// Small text helpers the commands share.
#ifndef VANTOOL_VANTOOL_TEXT_H
#define VANTOOL_VANTOOL_TEXT_H

#include <string>
#include <vector>

#include "sum/sum_string.h"
#include "sum/sum_vob_object.h"

namespace vantool {

// A time as "2026-12-06T02:15:20Z" (UTC), from seconds since the epoch.
std::string time_text(long seconds);

// Comma-separated items, empty ones dropped.
std::vector<std::string> split_commas(const std::string& list);

std::string text_of(const SUM_String& s);
// "NAME@TAG" of a named object, for messages and listings.
std::string label_of(const SUM_VobObject& obj);

}  // namespace vantool

#endif  // VANTOOL_VANTOOL_TEXT_H
