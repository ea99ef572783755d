#include "store/mh/MhName.h"

#include <algorithm>

namespace store::mh::mh_name {

bool IsMessageNumber(std::string_view name) {
  return !name.empty() &&
         std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool NumberBefore(std::string_view a, std::string_view b) {
  // Compared as digit strings, so that no number is too long to compare.
  auto significant = [](std::string_view digits) {
    return digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
  };
  const std::string_view x = significant(a), y = significant(b);
  if (x.size() != y.size()) return x.size() < y.size();
  if (x != y) return x < y;
  return a.size() < b.size();
}

}  // namespace store::mh::mh_name
