#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace store::pff::wire {

// What the window's process and the reader process say to each other: frames of fields, each
// field a byte string or absent. A frame is written as its number of fields, then each field as
// its length and its bytes; lengths are 32-bit numbers in this machine's byte order (both ends are
// this program), and the length 0xFFFFFFFF marks an absent field.
using Field = std::optional<std::string>;
using Frame = std::vector<Field>;

std::string Encoded(const Frame& frame);

// Why a frame could not be read or written.
enum class Trouble { None, Closed, Silent, Malformed };

// Writes the whole frame to `fd`; false when the other end is gone.
bool Send(int fd, const Frame& frame);

// Reads one frame from `fd`, waiting at most `silence` for each next byte (forever when
// negative), and running `waiting`, when given, every 50 ms of that wait. Gives the frame, or
// nothing and why.
std::optional<Frame> Receive(int fd, std::chrono::milliseconds silence, Trouble& trouble,
                             const std::function<void()>& waiting = {});

// A field as a number, a list of numbers joined by commas, and back.
std::string Number(long long value);
std::optional<long long> NumberOf(const Field& field);
std::string Numbers(const std::vector<int>& values);
std::vector<int> NumbersOf(const Field& field);

// The fields of a message's frame from the reader, after its "ok".
enum MessageField {
  kHeadersField,
  kMessageIdField,
  kSubjectField,
  kSenderField,
  kRecipientsField,
  kDeliveryTime,  // FILETIME, as a number
  kSubmitTime,
  kPlainBody,
  kHtmlBody,
  kHtmlCodePage,
  kRtfBody,
  kRtfCodePage,
  kMessageFields
};

}  // namespace store::pff::wire
