#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>

#include "store/pff/Wire.h"

namespace store::pff {

// The program to start as a reader: this program itself, unless set otherwise (by the tests, whose
// programs are not this one).
void SetReaderProgram(std::string program);

// How long a reader may stay silent while it is waited on before it is taken to hang: the
// environment's ORVANE_PFF_READER_SILENCE in seconds, else 30 seconds.
std::chrono::milliseconds ReaderSilenceLimit();

// A reader process for one personal folder file (see PffReader.h), started by this program with
// the hidden option, talked to over a socket. libpff runs only there, so a crash or a hang on a
// damaged file ends that process, never this one: its requests fail with Error::Unreadable that
// says how the reader ended, and whoever asked starts another. It is ended when it goes.
class ReaderProcess {
 public:
  // Starts the reader and waits for it to open the file; throws Error::Unreadable with the
  // reader's reason, or how it ended.
  explicit ReaderProcess(const std::string& path);
  ~ReaderProcess();
  ReaderProcess(const ReaderProcess&) = delete;
  ReaderProcess& operator=(const ReaderProcess&) = delete;

  void Send(const wire::Frame& request);
  // The next frame the reader writes; one whose first field is not "ok" is thrown as
  // Error::Unreadable with its reason. Throws once the reader has ended, or stayed silent past the
  // limit (it is then killed), saying so; the process can then not be used again.
  wire::Frame Receive();
  // Send, then Receive.
  wire::Frame Ask(const wire::Frame& request);

  bool ended() const { return ended_; }
  pid_t pid() const { return pid_; }

 private:
  [[noreturn]] void Ended(const std::string& why);

  pid_t pid_ = -1;
  int socket_ = -1;
  bool ended_ = false;
  std::chrono::milliseconds silence_;
};

}  // namespace store::pff
