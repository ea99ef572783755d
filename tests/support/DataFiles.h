#pragma once

// Files kept under tests/data: inputs, the results expected of them, and tables of cases.
//
// A .fields file keeps field values, one "name: value" line a field. Values are escaped: \r, \n,
// \t, \\, and \xNN for other control characters and for a space that ends the value; after each
// line break of a value but the last, the value goes on in a line of its own, two spaces in.
// "<absent>" is a value the message does not have.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

// The names of the entries of a directory under tests/data that end in `ending`, without it,
// in order.
inline std::vector<std::string> DataNames(const std::string& directory, const std::string& ending) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(ORVANE_TEST_DATA "/" + directory))
    if (const std::string name = entry.path().filename(); name.ends_with(ending))
      names.push_back(name.substr(0, name.size() - ending.size()));
  std::sort(names.begin(), names.end());
  return names;
}

// The bytes of any file; nothing when it cannot be read.
inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The bytes of a file under tests/data; a file that is not there fails the test.
inline std::string DataFile(const std::string& path) {
  std::ifstream in(ORVANE_TEST_DATA "/" + path, std::ios::binary);
  EXPECT_TRUE(in) << "no file tests/data/" << path;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The rows of a table kept under tests/data: its lines but blank ones and # comments, each cut
// into columns at "|", blanks around them left out; a line that ends in "|" ends in an empty one.
inline std::vector<std::vector<std::string>> DataRows(const std::string& path) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(DataFile(path));
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream columns(line);
    rows.emplace_back();
    for (std::string column; std::getline(columns, column, '|');) {
      column.erase(0, column.find_first_not_of(' '));
      rows.back().push_back(column.erase(column.find_last_not_of(' ') + 1));
    }
    if (line.ends_with('|')) rows.back().emplace_back();
  }
  return rows;
}

// A test named after its case: the file's name, or the first column of its row.
inline constexpr struct {
  template <class Case>
  std::string operator()(const testing::TestParamInfo<Case>& info) const {
    std::string name;
    if constexpr (std::is_same_v<Case, std::string>) name = info.param;
    else name = info.param.at(0);
    for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
  }
} DataTestName;

// Values given as text, or as optional text that is "<absent>" when there is none.
template <class Value>
std::string FieldsText(const std::vector<std::string>& names, const std::vector<Value>& values) {
  std::string text;
  for (std::size_t field = 0; field < names.size(); ++field) {
    const std::string value = std::optional<std::string>(values[field]).value_or("<absent>");
    text += names[field] + (value.empty() ? ":" : ": ");
    for (std::size_t i = 0; i < value.size(); ++i) {
      const unsigned char c = value[i];
      char escaped[5] = {static_cast<char>(c)};
      if (const auto named = std::string_view("\\\r\n\t").find(c); named != std::string::npos) {
        std::snprintf(escaped, sizeof escaped, "\\%c", "\\rnt"[named]);
      } else if (c < ' ' || c == 0x7f || (c == ' ' && i + 1 == value.size())) {
        std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      }
      text += escaped;
      if (c == '\n' && i > 0 && value[i - 1] == '\r' && i + 1 < value.size()) text += "\n  ";
    }
    text += "\n";
  }
  return text;
}
