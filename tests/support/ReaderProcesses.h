#pragma once

// The reader processes of personal folder files that this test program started.

#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "store/pff/PffReader.h"

// The readers this program started, the newest (the highest process number) last.
inline std::vector<pid_t> Readers() {
  std::vector<pid_t> readers;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream children(task.path() / "children");
    for (pid_t pid; children >> pid;) {
      std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline");
      const std::string command{std::istreambuf_iterator<char>(in), {}};
      if (command.find(store::pff::kReaderOption) != std::string::npos) readers.push_back(pid);
    }
  }
  std::sort(readers.begin(), readers.end());
  return readers;
}
