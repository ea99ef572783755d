#pragma once

// The reader processes of personal folder files that this test program started.

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "store/pff/PffReader.h"

// The reader processes this test started, the newest last.
inline std::vector<pid_t> Readers() {
  std::vector<std::pair<unsigned long long, pid_t>> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream statFile(entry.path() / "stat"), cmdline(entry.path() / "cmdline");
    std::string stat((std::istreambuf_iterator<char>(statFile)), {});
    std::string command((std::istreambuf_iterator<char>(cmdline)), {});
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos || command.find(store::pff::kReaderOption) == std::string::npos)
      continue;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    std::vector<std::string> after;  // from the state on
    while (fields >> field) after.push_back(field);
    if (after.size() < 20 || std::stol(after[1]) != getpid()) continue;
    found.emplace_back(std::stoull(after[19]), std::stoi(name));
  }
  std::sort(found.begin(), found.end());
  std::vector<pid_t> pids;
  for (const auto& [started, pid] : found) pids.push_back(pid);
  return pids;
}

