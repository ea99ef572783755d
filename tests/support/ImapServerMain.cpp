// orvane_imap_server: serves a maildir tree over IMAP on loopback until stdin closes or it is
// told to stop, for trying the IMAP store by hand and for the benchmark.
//
//   orvane_imap_server <maildir> <user> <password>
//
// Prints "imap <port>", "imaps <port>", "ca <file>" and "log <file>" (the server's log, where each
// session's end says the bytes it sent), one a line, once the server greets. Run as
// root, the maildir is given to nobody, who serves it; it should lie in the temporary directory.

#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <string>

#include "ImapServer.h"

namespace {

volatile sig_atomic_t stopRequested = 0;

void RequestStop(int) { stopRequested = 1; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: orvane_imap_server <maildir> <user> <password>\n";
    return 2;
  }
  try {
    ImapServer server(argv[1], argv[2], argv[3]);
    std::cout << "imap " << server.imapPort() << "\nimaps " << server.imapsPort() << "\nca "
              << server.caFile() << "\nlog " << server.logFile() << std::endl;
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    char byte;
    while (!stopRequested && read(STDIN_FILENO, &byte, 1) > 0) {
    }
  } catch (const std::exception& error) {
    std::cerr << "orvane_imap_server: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
