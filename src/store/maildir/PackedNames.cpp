#include "store/maildir/PackedNames.h"

#include <cstring>

#include "store/Error.h"

namespace store::maildir {
namespace {

// Each run starts with a byte whose low two bits say what it is and whose other six bits hold
// a small number; 63 there means the number follows as a varint.
enum Kind : unsigned char { kEnd = 0, kTableRun = 1, kPlainRun = 2, kDigits = 3 };
constexpr unsigned kInline = 63;
// A longer run of digits is kept as several: each value must fit in 64 bits.
constexpr std::size_t kMostDigits = 19;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::uint64_t ReadNumber(const unsigned char*& p) {
  std::uint64_t value = 0;
  for (int shift = 0;; shift += 7) {
    const unsigned char byte = *p++;
    value |= std::uint64_t{byte & 0x7Fu} << shift;
    if (!(byte & 0x80)) return value;
  }
}

std::uint64_t ReadSmall(unsigned char header, const unsigned char*& p) {
  const unsigned small = header >> 2;
  return small < kInline ? small : kInline + ReadNumber(p);
}

}  // namespace

void PackedNames::PutNumber(std::uint64_t value) {
  while (value >= 0x80) {
    Put(static_cast<unsigned char>(value | 0x80));
    value >>= 7;
  }
  Put(static_cast<unsigned char>(value));
}

void PackedNames::PutRun(std::string_view run) {
  auto putHeader = [this](Kind kind, std::uint64_t small) {
    if (small < kInline) {
      Put(static_cast<unsigned char>(kind | small << 2));
    } else {
      Put(static_cast<unsigned char>(kind | kInline << 2));
      PutNumber(small - kInline);
    }
  };
  if (IsDigit(run.front())) {
    std::uint64_t value = 0;
    for (char c : run) value = value * 10 + static_cast<unsigned>(c - '0');
    putHeader(kDigits, run.size());
    PutNumber(value);
    return;
  }
  auto known = runIds_.find(run);
  if (known == runIds_.end() && runs_.size() < kMostRuns) {
    known = runIds_.emplace(std::string(run), static_cast<std::uint32_t>(runs_.size())).first;
    runs_.emplace_back(run);
  }
  if (known != runIds_.end()) {
    putHeader(kTableRun, known->second);
  } else {
    putHeader(kPlainRun, run.size());
    scratch_.append(run);
  }
}

PackedNames::Handle PackedNames::Add(std::string_view name) {
  scratch_.clear();
  for (std::size_t at = 0; at < name.size();) {
    std::size_t end = at + 1;
    const bool digits = IsDigit(name[at]);
    while (end < name.size() && IsDigit(name[end]) == digits &&
           (!digits || end - at < kMostDigits)) {
      ++end;
    }
    PutRun(name.substr(at, end - at));
    at = end;
  }
  Put(kEnd);
  if (used_ + scratch_.size() > kBlockSize) {
    if (blocks_.size() == (std::size_t{1} << 11) || scratch_.size() > kBlockSize) {
      throw Error::Unreadable("the folder holds too many messages to list");
    }
    blocks_.push_back(std::make_unique<char[]>(kBlockSize));
    used_ = 0;
  }
  const Handle handle = static_cast<Handle>((blocks_.size() - 1) << 20 | used_);
  std::memcpy(blocks_.back().get() + used_, scratch_.data(), scratch_.size());
  used_ += scratch_.size();
  return handle;
}

void PackedNames::Get(Handle handle, std::string& name) const {
  name.clear();
  const auto* p = reinterpret_cast<const unsigned char*>(blocks_[handle >> 20].get()) +
                  (handle & (kBlockSize - 1));
  for (;;) {
    const unsigned char header = *p++;
    switch (header & 3) {
      case kEnd:
        return;
      case kTableRun:
        name += runs_[ReadSmall(header, p)];
        break;
      case kPlainRun: {
        const std::size_t size = ReadSmall(header, p);
        name.append(reinterpret_cast<const char*>(p), size);
        p += size;
        break;
      }
      case kDigits: {
        const std::size_t digits = ReadSmall(header, p);
        std::uint64_t value = ReadNumber(p);
        const std::size_t at = name.size();
        name.append(digits, '0');
        for (std::size_t i = digits; i > 0 && value; --i, value /= 10) {
          name[at + i - 1] = static_cast<char>('0' + value % 10);
        }
        break;
      }
    }
  }
}

std::string PackedNames::Get(Handle handle) const {
  std::string name;
  Get(handle, name);
  return name;
}

}  // namespace store::maildir
