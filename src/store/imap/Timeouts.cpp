#include "store/imap/Timeouts.h"

namespace store::imap {
namespace {

class Deadline : public vmime::net::timeoutHandler {
 public:
  explicit Deadline(std::chrono::milliseconds limit) : limit_(limit) { resetTimeOut(); }

  bool isTimeOut() override { return std::chrono::steady_clock::now() >= deadline_; }
  void resetTimeOut() override { deadline_ = std::chrono::steady_clock::now() + limit_; }
  bool handleTimeOut() override { return false; }  // never wait longer

 private:
  std::chrono::milliseconds limit_;
  std::chrono::steady_clock::time_point deadline_;
};

}  // namespace

std::shared_ptr<vmime::net::timeoutHandler> Timeouts::create() {
  return std::make_shared<Deadline>(limit_);
}

}  // namespace store::imap
