#pragma once

#include <string>

#include "check/RunState.h"

// The check run: start-up and the order of the phases. Its state (RunState.h)
// lives from process start to process end; the per-store decision whether to
// warn is the store check's (StoreCheck.h).
namespace mdlOrvane {

// The whole run: the texts in the desktop's language, paths beside the
// executable, then Run.
void Main();

// The run for a program at `directory` named `baseName`: every phase runs once,
// in order. The settings file and the log are named after the program and sit
// beside it when this user may write them there; else they sit in the user's own
// folders (platform::UserDataFolders), and a settings file beside the program is
// the administrator's, whose settings hold over the user's.
// Its texts are in the language texts::Current() names.
void Run(const std::string& directory, const std::string& baseName);

}  // namespace mdlOrvane
