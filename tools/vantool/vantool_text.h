// Small text helpers the commands share.
#ifndef VANTOOL_VANTOOL_TEXT_H
#define VANTOOL_VANTOOL_TEXT_H

#include <string>
#include <vector>

namespace vantool {

// A time as "2026-12-06T02:15:20Z" (UTC), from seconds since the epoch.
std::string time_text(long seconds);

// Comma-separated items, empty ones dropped.
std::vector<std::string> split_commas(const std::string& list);

}  // namespace vantool

#endif  // VANTOOL_VANTOOL_TEXT_H
