// Linux: the user's mail profiles live in Wine prefixes, and each Wine front-end
// keeps its prefixes in places of its own (WineFrontEnds), mostly one prefix per
// program. The search takes every folder there that is a prefix of the user's
// whose user.reg holds a mail profile. It never goes into a prefix's drive_c or
// dosdevices (whose z: is the whole file system). Where a file system may not
// answer, each of its steps is bounded work, so that a place that never answers (a
// dead network mount) holds up neither the run nor the places after it.
#include "platform/ProfileSources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/Bounded.h"
#include "platform/EndRequest.h"
#include "platform/FileSystem.h"
#include "platform/emulation/UserReg.h"
#include "platform/posix/Descriptor.h"
#include "platform/posix/MountTable.h"
#include "platform/posix/Owner.h"
#include "platform/posix/WineFrontEnds.h"
#include "platform/posix/WinePrefix.h"

namespace platform {
namespace {

// How long one step of the search (a place listed, a folder tested) may take
// before it is given up: as long as any look at a file (a dead network mount).
constexpr std::chrono::milliseconds kStalled = kAnswerLimit;

// A prefix found, by the identity of its user.reg: one reached by two paths (a
// link) is the same prefix.
struct Found {
  std::string prefix;
  std::string identity;  // its user.reg's device and inode
};

// Whether the user.reg open at `fd`, `size` bytes long, holds a key below one of
// the roots. No read is spent on finding the end.
bool HoldsKeyUnder(int fd, off_t size, const std::vector<std::string>& roots, std::string& buffer) {
  const auto read = [fd, left = size](char* into, std::size_t most) mutable -> long {
    if (left <= 0) return 0;
    const ssize_t n = ::read(fd, into, most);
    if (n > 0) left -= n;
    return n;
  };
  return emulation::HoldsKeyUnder(read, roots, buffer);
}

// `folder` when it is a Wine prefix of this user's (a regular user.reg beside
// drive_c, all three the user's) that holds a mail profile. Most prefixes hold
// none: the folders are looked at only once user.reg has shown one.
std::optional<Found> ProfilePrefix(const std::string& folder, const std::vector<std::string>& roots,
                                   std::string& buffer) {
  const posix::ReadableFile reg =
      posix::OpenReadable(folder + "/user.reg", posix::Owners::OwnOnly, posix::kMaxRegistryFileSize);
  if (reg.error != 0 || !HoldsKeyUnder(reg.fd.get(), reg.info.st_size, roots, buffer) || !posix::IsOwnFolder(folder) ||
      !posix::IsOwnFolder(folder + "/drive_c"))
    return std::nullopt;
  return Found{folder, std::to_string(reg.info.st_dev) + ":" + std::to_string(reg.info.st_ino)};
}

// Registry paths as user.reg spells them: each "\" doubled, and a "\" after
// them, as a profile is a key below the root.
std::vector<std::string> Escaped(const std::vector<std::string>& roots) {
  std::vector<std::string> escaped;
  for (const std::string& root : roots) {
    std::string path;
    for (const char c : root + "\\") path += c == '\\' ? std::string("\\\\") : std::string(1, c);
    escaped.push_back(path);
  }
  return escaped;
}

// What the search found: the prefixes in the order of the places, and the steps
// that did not answer.
struct Walked {
  std::vector<Found> found;
  std::vector<std::string> unanswered;
};

// One step of the search (a place listed, a folder tested): bounded work where a
// file system may not answer, else done at once. Empty when it did not answer.
std::optional<std::vector<std::string>> Step(bool bounded, const std::function<void(const Reply&)>& step) {
  BoundedResult result = RunBounded(bounded, step, kStalled);
  if (!result.ended) return std::nullopt;
  return std::move(result.replies);
}

// The places in order, each listed and then each of its folders tested, once
// however many places list it. A step that does not answer is given up alone; a
// run asked to end takes what was found so far.
Walked Walk(const std::vector<posix::Place>& places, const std::vector<std::string>& roots, bool bounded) {
  Walked walked;
  std::set<std::string> tried;
  for (const posix::Place& place : places) {
    if (EndRequested()) {
      walked.unanswered.push_back(place.name);
      break;
    }
    const auto candidates = Step(bounded, [&place](const Reply& reply) {
      for (const std::string& candidate : place.candidates()) reply(candidate);
    });
    if (!candidates) {
      walked.unanswered.push_back(place.name);
      continue;
    }
    for (const std::string& candidate : *candidates) {
      if (!tried.insert(candidate).second) continue;
      const auto tested = Step(bounded, [&candidate, &roots](const Reply& reply) {
        std::string buffer;
        if (const std::optional<Found> prefix = ProfilePrefix(candidate, roots, buffer)) reply(prefix->identity);
      });
      if (!tested) {
        walked.unanswered.push_back(candidate);
        if (EndRequested()) break;
        continue;
      }
      if (!tested->empty()) walked.found.push_back({candidate, tested->front()});
    }
  }
  return walked;
}

// The search asked for, until FindProfileSources takes it. Where every file
// system answers from the machine itself, it walks on a thread of its own beside
// the run's settings phase (nothing there can hold a thread for ever); else each
// of its steps is bounded work, walked when the answer is wanted. None when the
// user chose the prefix, or has no home to search.
struct Search {
  std::vector<posix::Place> places;
  std::vector<std::string> roots;
  std::thread walker;
  Walked walked;
};
std::unique_ptr<Search> begun;

}  // namespace

void BeginProfileSearch(const std::vector<std::string>& profileRoots) {
  if (begun && begun->walker.joinable()) begun->walker.join();
  begun.reset();
  const std::string home = HomeFolder();
  if (!posix::ChosenWinePrefix().path.empty() || home.empty() || home == "/") return;
  begun = std::make_unique<Search>();
  begun->places = posix::FrontEndPlaces(home);
  begun->roots = Escaped(profileRoots);
  if (posix::SomeFileSystemMayNotAnswer()) return;
  try {
    begun->walker =
        std::thread([search = begun.get()] { search->walked = Walk(search->places, search->roots, false); });
  } catch (const std::system_error&) {
    // No thread to spare: walked when the answer is wanted.
  }
}

ProfileSources FindProfileSources() {
  ProfileSources result;
  if (const posix::ChosenPrefix chosen = posix::ChosenWinePrefix();
      !chosen.written.empty() && !chosen.written.starts_with('/')) {
    result.relativeWinePrefix = chosen.written;
    result.relativeWinePrefixTaken = chosen.path;
  }
  const std::unique_ptr<Search> search = std::move(begun);
  if (!search) {
    result.sources.push_back({});
    return result;
  }
  if (search->walker.joinable())
    search->walker.join();
  else
    search->walked = Walk(search->places, search->roots, posix::SomeFileSystemMayNotAnswer());
  result.unanswered = std::move(search->walked.unanswered);

  // Each prefix once, in the order of the places; the default one unnamed.
  const std::string defaultPrefix = posix::DefaultWinePrefix();
  std::set<std::string> seen;
  for (const Found& prefix : search->walked.found) {
    if (!seen.insert(prefix.identity).second) continue;
    result.sources.push_back({prefix.prefix == defaultPrefix ? std::string() : prefix.prefix});
  }
  if (result.sources.empty()) result.sources.push_back({});
  return result;
}

void UseProfileSource(const ProfileSource& source) { posix::SelectWinePrefix(source.prefix); }

}  // namespace platform
