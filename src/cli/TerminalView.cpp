#include "cli/TerminalView.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "export/RecordText.h"

namespace cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

// The first Ctrl-C ends the export after its record; a second one ends the program at once.
void OnInterrupt(int) {
  interrupted = 1;
  std::signal(SIGINT, SIG_DFL);
}

constexpr auto kRedraw = std::chrono::milliseconds(250);

// The first `width` characters of UTF-8 text, never cutting one in two.
std::string Cut(const std::string& text, std::size_t width) {
  std::size_t at = 0, characters = 0;
  while (at < text.size() && characters < width) {
    ++characters;
    do ++at;
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80);
  }
  return text.substr(0, at);
}

}  // namespace

TerminalView::TerminalView(std::string path, std::vector<std::string> mailLocations)
    : path_(std::move(path)),
      mailLocations_(std::move(mailLocations)),
      terminal_(::isatty(STDERR_FILENO) == 1),
      start_(std::chrono::steady_clock::now()) {
  interrupted = 0;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  action.sa_flags = SA_RESTART;  // reads and writes under way go on
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
}

TerminalView::~TerminalView() {
  EndProgress();
  std::signal(SIGINT, SIG_DFL);
}

void TerminalView::SetProgressMax(float max) { total_ += static_cast<long>(max); }

void TerminalView::SetProgressValue(float) { ++written_; }

void TerminalView::ProcessPendingEvents() {
  const auto now = std::chrono::steady_clock::now();
  if (terminal_ && now - drawn_ >= kRedraw) {
    drawn_ = now;
    Draw();
  }
}

bool TerminalView::ContinueExport() { return interrupted == 0; }

void TerminalView::Draw() {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  char counts[96];
  std::snprintf(counts, sizeof counts, "%ld/%ld messages, %.0f/s", written_, total_,
                seconds > 0 ? written_ / seconds : 0.0);
  winsize size{};
  const std::size_t width =
      ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
  std::string line = counts;
  if (line.size() + 2 < width) line += ": " + exporter::OneLine(subject_);
  std::fprintf(stderr, "\r\033[K%s", Cut(line, width - 1).c_str());
  std::fflush(stderr);
  lineShown_ = true;
}

void TerminalView::EndProgress() {
  if (!lineShown_) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  lineShown_ = false;
}

}  // namespace cli
