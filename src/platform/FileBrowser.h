#pragma once

#include <string>

namespace platform {

// Starts the file browser with the command line `commandLine`, "explorer " and a
// Windows folder ("explorer C:\Mail\"), without a shell and without waiting for
// it. Windows runs the command line as it is, as a normal window with the focus.
// Linux opens the folder after "explorer " (mapped into the Wine prefix; the home
// folder when it is empty) with xdg-open. False when nothing could be started.
bool StartFileBrowser(const std::string& commandLine);

}  // namespace platform
