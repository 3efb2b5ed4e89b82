#pragma once
// The look itself, which each system's half implements (posix/FileQueryPosix.cpp,
// win32/FileQueryWin32.cpp); only FileQuery.cpp and they include this.

#include <cstdint>
#include <string>

#include "platform/Bounded.h"
#include "platform/FileQuery.h"

namespace platform {

struct FileQuery::Look {
  // Takes what the look needs from the caller (on Linux the prefix chosen, on
  // Windows the full path made from the current folder).
  Look(const std::string& path, std::size_t startBytes);
  // Whether the file may sit on a file system that can fail to answer (a network
  // share, a user-space file system): only such a look is bounded work, since
  // handing one over costs more than a local look itself.
  bool MayNotAnswer() const;
  // The file system the file is on, as far as can be told without asking it;
  // empty when that is not known or it always answers.
  std::string FileSystem() const;
  // Finds the file and tells so (TellFound), then reads its start and tells it
  // (TellStart); tells nothing of a file that is not there.
  void Run(const Reply& reply) const;

  std::string path;
  std::string context;
  std::size_t startBytes;
};

void TellFound(const Reply& reply, std::int64_t length, const std::string& identity);
void TellStart(const Reply& reply, ReadStatus status, const std::string& bytes, const std::string& identity);

}  // namespace platform
