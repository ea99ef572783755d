#include "store/pff/ReaderProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "store/Error.h"
#include "store/Waiting.h"
#include "store/pff/PffReader.h"

extern char** environ;

namespace store::pff {
namespace {

std::mutex programLock;
std::string& Program() {
  static std::string program = "/proc/self/exe";
  return program;
}

// How a process that was waited for ended, in words.
std::string Ending(int status) {
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    const char* name = ::sigdescr_np(signal);
    return "the reader ended with signal " + std::to_string(signal) +
           (name ? " (" + std::string(name) + ")" : "");
  }
  if (WIFEXITED(status))
    return "the reader ended with status " + std::to_string(WEXITSTATUS(status));
  return "the reader ended";
}

}  // namespace

void SetReaderProgram(std::string program) {
  std::lock_guard hold(programLock);
  Program() = std::move(program);
}

std::chrono::milliseconds ReaderSilenceLimit() {
  if (const char* given = std::getenv("ORVANE_PFF_READER_SILENCE")) {
    char* end = nullptr;
    const double seconds = std::strtod(given, &end);
    if (end != given && *end == '\0' && std::isfinite(seconds) && seconds > 0)
      return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
  }
  return std::chrono::seconds(30);
}

ReaderProcess::ReaderProcess(const std::string& path) : silence_(ReaderSilenceLimit()) {
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    throw Error::Unreadable("no reader could be started: " + std::string(std::strerror(errno)));
  }
  socket_ = ends[0];
  // Room for the messages the reader reads ahead while this side writes the one before.
  const int room = 4 << 20;
  ::setsockopt(ends[1], SOL_SOCKET, SO_SNDBUF, &room, sizeof room);
  ::setsockopt(ends[0], SOL_SOCKET, SO_RCVBUF, &room, sizeof room);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
  std::string program;
  {
    std::lock_guard hold(programLock);
    program = Program();
  }
  std::string option = kReaderOption;
  std::string file = path;
  char* argv[] = {program.data(), option.data(), file.data(), nullptr};
  const int failed = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(ends[1]);
  if (failed != 0) {
    pid_ = -1;
    ended_ = true;
    ::close(socket_);
    socket_ = -1;
    throw Error::Unreadable("no reader could be started: " + std::string(std::strerror(failed)));
  }
  try {
    Receive();  // the reader's word on opening the file
  } catch (const Error&) {
    if (!ended_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(socket_);
    throw;
  }
}

ReaderProcess::~ReaderProcess() {
  if (socket_ >= 0) ::close(socket_);
  if (pid_ > 0 && !ended_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

void ReaderProcess::Ended(const std::string& why) {
  ended_ = true;
  throw Error::Unreadable(why);
}

void ReaderProcess::Send(const wire::Frame& request) {
  if (ended_) throw Error::Unreadable("the reader has ended");
  // A reader that is gone is found out by Receive, which tells how it ended.
  wire::Send(socket_, request);
}

wire::Frame ReaderProcess::Receive() {
  if (ended_) throw Error::Unreadable("the reader has ended");
  wire::Trouble trouble;
  std::optional<wire::Frame> frame = wire::Receive(socket_, silence_, trouble, WhileWaiting());
  if (!frame) {
    int status = 0;
    if (trouble == wire::Trouble::Silent || trouble == wire::Trouble::Malformed) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      if (trouble == wire::Trouble::Malformed) Ended("the reader wrote what it should not");
      const auto seconds = std::chrono::duration<double>(silence_).count();
      char limit[32];
      std::snprintf(limit, sizeof limit, "%g", seconds);
      Ended("the reader stopped answering for " + std::string(limit) + " seconds and was ended");
    }
    // The socket closed: the reader has ended, or is about to.
    for (int wait = 0; ::waitpid(pid_, &status, WNOHANG) == 0; ++wait) {
      if (wait == 100) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Ended(Ending(status));
  }
  if (frame->empty() || frame->front() != "ok") {
    const std::string reason =
        frame->size() > 1 && (*frame)[1] ? *(*frame)[1] : std::string("the reader failed");
    throw Error::Unreadable(reason);
  }
  return *std::move(frame);
}

wire::Frame ReaderProcess::Ask(const wire::Frame& request) {
  Send(request);
  return Receive();
}

}  // namespace store::pff
