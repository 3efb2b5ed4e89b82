#pragma once
// What the fault cases of the real program share (Linux only): the helpers that
// compare what a run left with what the user wrote, and the fixture that installs
// a copy of the program in a folder of its own.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "check/mdlOrvane.h"
#include "e2e/Program.h"
#include "log/EventFields.h"
#include "platform/CodePage.h"
#include "support/ChildRole.h"
#include "support/ScriptedUser.h"
#include "support/StoreFile.h"
#include "support/TempDir.h"

namespace fault_cases {

namespace fs = std::filesystem;
using testing_support::ExpectCompleteRun;
using testing_support::Installation;
using testing_support::MakeStoreFile;
using testing_support::ProfileWithStores;
using testing_support::ReadBytes;
using testing_support::ReadLogMessages;
using testing_support::StoreEntry;
using testing_support::TempDir;
using testing_support::WriteBytes;

inline const std::string kUid = "0A1B2C3D4E5F60718293A4B5C6D7E8F9";

inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Every line of `before` is still in `after`, in the same order.
inline bool KeepsEveryLine(const std::string& before, const std::string& after) {
  const std::vector<std::string> old = SplitLines(before);
  const std::vector<std::string> now = SplitLines(after);
  std::size_t j = 0;
  for (const std::string& line : old) {
    while (j < now.size() && now[j] != line) ++j;
    if (j == now.size()) return false;
    ++j;
  }
  return true;
}

// The temporary copies of the settings file `ini` in its folder.
inline std::size_t CopiesBeside(const fs::path& ini) {
  const std::string prefix = ini.filename().string() + ".~";
  std::size_t copies = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(ini.parent_path())) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(prefix) && name.ends_with(".tmp")) ++copies;
  }
  return copies;
}

class Faults : public ::testing::Test {
 protected:
  TempDir dir_;
  Installation orvane_{dir_.path()};
};

}  // namespace fault_cases
