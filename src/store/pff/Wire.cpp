#include "store/pff/Wire.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace store::pff::wire {
namespace {

constexpr std::uint32_t kAbsent = 0xFFFFFFFF;
// No frame this program writes comes near it; a length past it means the stream is broken.
constexpr std::uint32_t kLargest = 1u << 31;

void Put(std::string& out, std::uint32_t n) { out.append(reinterpret_cast<const char*>(&n), 4); }

class Input {
 public:
  Input(int fd, std::chrono::milliseconds silence, const std::function<void()>& waiting)
      : fd_(fd), silence_(silence), waiting_(waiting) {}

  bool Read(char* to, std::size_t size, Trouble& trouble) {
    using Clock = std::chrono::steady_clock;
    constexpr std::chrono::milliseconds kSlice(50);
    Clock::time_point quiet = Clock::now();  // since the last byte
    while (size > 0) {
      std::chrono::milliseconds wait = silence_;
      if (silence_.count() >= 0) {
        wait =
            silence_ - std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - quiet);
        if (wait.count() <= 0) {
          trouble = Trouble::Silent;
          return false;
        }
      }
      if (waiting_ && (wait.count() < 0 || wait > kSlice)) wait = kSlice;
      pollfd ready{fd_, POLLIN, 0};
      const int polled = ::poll(&ready, 1, wait.count() < 0 ? -1 : int(wait.count()));
      if (polled < 0 && errno == EINTR) continue;
      if (polled == 0) {
        if (waiting_) waiting_();
        continue;
      }
      const ssize_t got = ::read(fd_, to, size);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        trouble = Trouble::Closed;
        return false;
      }
      to += got;
      size -= static_cast<std::size_t>(got);
      quiet = Clock::now();
    }
    return true;
  }

  bool Number(std::uint32_t& n, Trouble& trouble) {
    return Read(reinterpret_cast<char*>(&n), 4, trouble);
  }

 private:
  int fd_;
  std::chrono::milliseconds silence_;
  const std::function<void()>& waiting_;
};

}  // namespace

std::string Encoded(const Frame& frame) {
  std::string out;
  Put(out, static_cast<std::uint32_t>(frame.size()));
  for (const Field& field : frame) {
    Put(out, field ? static_cast<std::uint32_t>(field->size()) : kAbsent);
    if (field) out += *field;
  }
  return out;
}

bool Send(int fd, const Frame& frame) {
  const std::string bytes = Encoded(frame);
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    // Never a SIGPIPE: a reader that is gone is told by the next Receive.
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

std::optional<Frame> Receive(int fd, std::chrono::milliseconds silence, Trouble& trouble,
                             const std::function<void()>& waiting) {
  trouble = Trouble::None;
  Input in(fd, silence, waiting);
  std::uint32_t count = 0;
  if (!in.Number(count, trouble)) return std::nullopt;
  if (count > (1u << 20)) {  // a million fields: half a million folders in one
    trouble = Trouble::Malformed;
    return std::nullopt;
  }
  Frame frame(count);
  for (Field& field : frame) {
    std::uint32_t size = 0;
    if (!in.Number(size, trouble)) return std::nullopt;
    if (size == kAbsent) continue;
    if (size >= kLargest) {
      trouble = Trouble::Malformed;
      return std::nullopt;
    }
    field.emplace(size, '\0');
    if (!in.Read(field->data(), size, trouble)) return std::nullopt;
  }
  return frame;
}

std::string Number(long long value) { return std::to_string(value); }

std::optional<long long> NumberOf(const Field& field) {
  if (!field) return std::nullopt;
  long long value = 0;
  const char* end = field->data() + field->size();
  auto [at, error] = std::from_chars(field->data(), end, value);
  if (error != std::errc() || at != end) return std::nullopt;
  return value;
}

std::string Numbers(const std::vector<int>& values) {
  std::string text;
  for (int value : values) {
    if (!text.empty()) text += ',';
    text += std::to_string(value);
  }
  return text;
}

std::vector<int> NumbersOf(const Field& field) {
  std::vector<int> values;
  if (!field) return values;
  const char* at = field->data();
  const char* end = at + field->size();
  while (at < end) {
    int value = 0;
    auto [next, error] = std::from_chars(at, end, value);
    if (error != std::errc()) break;
    values.push_back(value);
    at = next < end && *next == ',' ? next + 1 : next;
    if (next == at && next < end) break;
  }
  return values;
}

}  // namespace store::pff::wire
