#pragma once

namespace platform {

// The session asking the run to end, as a session manager does at logout (Linux:
// SIGTERM, SIGHUP or SIGINT). Once watched, a request no longer ends the process
// at once: it is noted, a warning that is up is taken down, no new look at a file
// begins, and the run ends as every run does.
// Windows takes down a process without windows at logout; nothing is watched there.
void WatchForEndRequest();

// Whether the run has been asked to end.
bool EndRequested();

}  // namespace platform
