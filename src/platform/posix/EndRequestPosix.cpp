#include "platform/EndRequest.h"

#include <signal.h>

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
  sigaction(SIGTERM, &action, nullptr);
}

bool EndRequested() { return requested != 0; }

}  // namespace platform
