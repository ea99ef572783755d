#pragma once

// The inputs the discovery tests read from tests/data, one case a file or a directory.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace datacases {

namespace fs = std::filesystem;

inline const fs::path kData = ORVANE_TEST_DATA;

// A file's bytes; nothing when there is no such file.
inline std::string Text(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The names of the entries of `dir` that end in `ending`, without it, in order.
inline std::vector<std::string> Names(const fs::path& dir, const std::string& ending = "") {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename();
    if (name.ends_with(ending)) names.push_back(name.substr(0, name.size() - ending.size()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A case's name as a test's name, which takes no '-'.
inline std::string TestName(const testing::TestParamInfo<std::string>& info) {
  std::string name = info.param;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
}

}  // namespace datacases
