#include "platform/EndRequest.h"

#include <signal.h>

#include <initializer_list>

namespace platform {
namespace {

volatile sig_atomic_t requested = 0;

void Note(int) { requested = 1; }

}  // namespace

void WatchForEndRequest() {
  struct sigaction action {};
  action.sa_handler = Note;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  // A session's end sends SIGTERM, and SIGHUP to what ran in its terminal; ^C, SIGINT.
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) sigaction(signal, &action, nullptr);
}

bool EndRequested() { return requested != 0; }

}  // namespace platform
