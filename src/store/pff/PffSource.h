#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "store/pff/ReaderProcess.h"

namespace store::pff {

// Where a personal folder file's store, folders and message lists are read from: one reader
// process for the file, started when first asked, and started again after one has ended. A walk
// over messages streams them from a reader of its own (see PffMessages).
class PffSource : public std::enable_shared_from_this<PffSource> {
 public:
  explicit PffSource(std::string path) : path_(std::move(path)) {}

  const std::string& path() const { return path_; }

  // The reader's answer; throws Error::Unreadable with its reason, or how it ended. A request
  // made while the same thread waits for another (from what runs while waiting) is refused.
  wire::Frame Ask(const wire::Frame& request);

 private:
  std::string path_;
  std::mutex lock_;
  std::atomic<std::thread::id> asking_;  // the thread whose request is under way
  std::unique_ptr<ReaderProcess> reader_;
};

}  // namespace store::pff
