#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// How reading a file's first bytes went.
enum class ReadStatus {
  Read,          // `start` holds them (fewer when the file is shorter)
  InUse,         // another program holds the file so that no one else may read it
  AccessDenied,  // the user may not read it
  NoAnswer,      // the file system did not answer in time
  Failed,        // any other failure, or nothing was asked for
};

struct FileStatus {
  bool answered = true;     // false: the file system did not answer in time, and nothing is known
  bool exists = false;      // a file (not a directory) whose length could be read
  std::int64_t length = 0;  // bytes; 0 when it does not exist
  std::string identity;     // the same for every path to the same file; empty when unknown
  ReadStatus startStatus = ReadStatus::Failed;
  std::string start;  // the file's first bytes, as many as were asked for
};

class BoundedWork;

// How long all the looks of a run together may wait on file systems that do not
// answer, beyond which each look has only kLastChance.
inline constexpr std::chrono::milliseconds kRunAnswerLimit{10000};
inline constexpr std::chrono::milliseconds kLastChance{100};

// A look at whether `path` (a Windows path from the mail profile, UTF-8) names an
// existing file, its length and, when `startBytes` is not 0, its first
// `startBytes` bytes. Only a regular file is opened, for reading alone, allowing
// others every kind of access (the mail client may hold it open) and locking
// nothing, so a pipe or device cannot block the run. The look begins at once; one
// on a file system that may not answer (a network share, a user-space file
// system) is bounded work (Bounded.h), so that the caller can go on meanwhile,
// and is waited for a bounded time. Once a file system has not answered, later
// looks at files on it (Linux: the same mount; Windows: the same drive or
// \\server\share) are given up at once, and so is every look once the run is
// asked to end.
class FileQuery {
 public:
  FileQuery(const std::string& path, std::size_t startBytes = 0);
  ~FileQuery();
  FileQuery(const FileQuery&) = delete;
  FileQuery& operator=(const FileQuery&) = delete;

  // The answer, once it is there; given up after platform::kAnswerLimit (less
  // when the run's kRunAnswerLimit is nearly spent): then what was found so far
  // (a file whose start did not come: NoAnswer), or nothing at all (`answered`
  // false). Anything that cannot be answered counts as no file.
  FileStatus Result();

  struct Look;

 private:
  std::unique_ptr<Look> look_;
  std::string fileSystem_;
  bool givenUp_ = false;
  std::vector<std::string> replies_;
  std::unique_ptr<BoundedWork> work_;
};

// FileQuery(path, startBytes).Result().
FileStatus QueryFile(const std::string& path, std::size_t startBytes = 0);

// Forgets the file systems that did not answer and what the looks have waited,
// as a run begins.
void BeginFileLooks();

}  // namespace platform
