#pragma once

#include <stdexcept>
#include <string>

namespace store {

// The one way a message store operation fails. A value that the object simply does not have
// (a message without a Message-ID) is Absent; a value that exists but could not be read (a file
// that vanished, an I/O error, a dropped connection) is Unreadable, and the export reports it.
class Error : public std::runtime_error {
 public:
  enum class Kind { Absent, Unreadable };

  Error(Kind kind, const std::string& reason) : std::runtime_error(reason), kind_(kind) {}

  static Error Absent(const std::string& reason) { return Error(Kind::Absent, reason); }
  static Error Unreadable(const std::string& reason) { return Error(Kind::Unreadable, reason); }

  Kind kind() const noexcept { return kind_; }
  bool unreadable() const noexcept { return kind_ == Kind::Unreadable; }

 private:
  Kind kind_;
};

}  // namespace store
