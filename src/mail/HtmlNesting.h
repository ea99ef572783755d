#pragma once

#include <string>
#include <string_view>

namespace mail {

// Qt's HTML reader takes time that grows with the square of the nesting depth, so a few hundred
// kilobytes of unclosed tags would stall an export for minutes. This drops the start and end
// tags nested deeper than `limit` (their text stays) and leaves ordinary HTML as it is. Tags that
// are empty or close by themselves (<br>, <p>, <li>, <td>) never count as nesting.
std::string LimitNesting(std::string_view html, int limit);

}  // namespace mail
