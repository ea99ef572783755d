#pragma once

#include <chrono>
#include <memory>

#include <vmime/net/timeoutHandler.hpp>

namespace store::imap {

// Gives up on a server that stays silent for `limit`, so an unreachable or stalled server ends in
// an error instead of a hang. The library resets the clock whenever data arrives.
class Timeouts : public vmime::net::timeoutHandlerFactory {
 public:
  explicit Timeouts(std::chrono::milliseconds limit) : limit_(limit) {}
  std::shared_ptr<vmime::net::timeoutHandler> create() override;

 private:
  std::chrono::milliseconds limit_;
};

}  // namespace store::imap
