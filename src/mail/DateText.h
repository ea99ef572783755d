#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace mail {

// A point in time as the user's locale (LC_TIME) writes a date and then a time, in local time.
// Nothing when the time lies outside what the C library can represent.
std::optional<std::string> LocalDateTimeText(std::time_t when);

}  // namespace mail
