// Linux: the user's mail profiles live in Wine prefixes, and each Wine front-end
// keeps its prefixes in places of its own (WineFrontEnds), mostly one prefix per
// program. The search takes every folder there that is a prefix of the user's
// whose user.reg holds a mail profile. It never goes into a prefix's drive_c or
// dosdevices (whose z: is the whole file system). It runs on a thread of its own,
// beside the run's settings phase, so that a place that never answers (a dead
// network mount) holds up neither the run nor the places after it.
#include "platform/ProfileSources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
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
#include "platform/posix/Owner.h"
#include "platform/posix/WineFrontEnds.h"
#include "platform/posix/WinePrefix.h"

namespace platform {
namespace {

// How long one step of the search (a place listed, a folder tested) may take
// before it is given up: as long as any look at a file (a dead network mount).
constexpr std::chrono::milliseconds kStalled = kAnswerLimit;
// How often the wait for the search looks whether the run was asked to end.
constexpr std::chrono::milliseconds kEndLookout{100};

// A prefix found, by the identity of its user.reg: one reached by two paths (a
// link) is the same prefix.
struct Found {
  std::string prefix;
  dev_t device;
  ino_t inode;
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
// drive_c) that holds a mail profile. Most prefixes hold none: drive_c is looked
// at only once user.reg has shown one.
std::optional<Found> ProfilePrefix(const std::string& folder, const std::vector<std::string>& roots,
                                   std::string& buffer) {
  if (!posix::IsOwnFolder(folder)) return std::nullopt;
  const int fd = ::open((folder + "/user.reg").c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  std::optional<Found> found;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && posix::IsOwn(info) &&
      info.st_size <= posix::kMaxRegistryFileSize && HoldsKeyUnder(fd, info.st_size, roots, buffer) &&
      posix::IsOwnFolder(folder + "/drive_c"))
    found = Found{folder, info.st_dev, info.st_ino};
  ::close(fd);
  return found;
}

// The search, shared with the threads that do it. It walks the places in order,
// listing each one's candidates and then testing them, one step at a time; a
// step that does not answer within kStalled is given up alone: the thread stuck
// in it is left there, and a fresh one goes on with the next step.
struct Search {
  std::vector<posix::Place> places;
  std::vector<std::string> roots;
  std::mutex mutex;
  std::condition_variable done;  // the walk has reached its end
  // Where the walk is: the place, its candidates once listed, the next of them.
  std::size_t place = 0;
  std::optional<std::vector<std::string>> candidates;
  std::size_t next = 0;
  // Folders tested or given up: each is looked at once, however many places list it.
  std::set<std::string> tried;
  // The step under way (a place being listed, a folder being tested), and since when.
  bool running = false;
  std::string what;
  std::chrono::steady_clock::time_point since;
  std::uint64_t worker = 0;  // the thread that may go on; one left in a step is not
  bool ended = false;
  std::vector<std::vector<Found>> found;  // by place
  std::vector<std::string> unanswered;
};

void Work(const std::shared_ptr<Search>& search, std::uint64_t me) {
  std::string buffer;
  std::unique_lock lock(search->mutex);
  const auto begin = [&](std::string what) {
    search->running = true;
    search->what = std::move(what);
    search->since = std::chrono::steady_clock::now();
    lock.unlock();
  };
  // After a step: whether this thread may still go on (it was not left behind).
  const auto resume = [&] {
    lock.lock();
    if (search->worker != me) return false;
    search->running = false;
    return true;
  };
  while (search->worker == me) {
    if (search->place == search->places.size()) {
      search->ended = true;
      search->done.notify_all();
      return;
    }
    const posix::Place& place = search->places[search->place];
    if (!search->candidates) {
      begin(place.name);
      std::vector<std::string> candidates = place.candidates();
      if (!resume()) return;
      search->candidates = std::move(candidates);
      search->next = 0;
      continue;
    }
    if (search->next == search->candidates->size()) {
      ++search->place;
      search->candidates.reset();
      continue;
    }
    std::string candidate = (*search->candidates)[search->next++];
    if (!search->tried.insert(candidate).second) continue;
    const std::size_t at = search->place;
    begin(candidate);
    std::optional<Found> prefix = ProfilePrefix(candidate, search->roots, buffer);
    if (!resume()) return;
    if (prefix) search->found[at].push_back(std::move(*prefix));
  }
}

bool StartWorker(const std::shared_ptr<Search>& search, std::uint64_t id) {
  try {
    std::thread([search, id] { Work(search, id); }).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
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

// The search begun, waiting to be asked for its answer; none when the user chose
// the prefix, or has no home to search. It outlives BeginProfileSearch, which
// starts it, until FindProfileSources takes it; a new search replaces it.
std::shared_ptr<Search> begun;

}  // namespace

void BeginProfileSearch(const std::vector<std::string>& profileRoots) {
  begun.reset();
  const std::string home = HomeFolder();
  if (!posix::ChosenWinePrefix().path.empty() || home.empty() || home == "/") return;
  begun = std::make_shared<Search>();
  begun->places = posix::FrontEndPlaces(home);
  begun->roots = Escaped(profileRoots);
  begun->found.resize(begun->places.size());
  if (!StartWorker(begun, 0)) Work(begun, 0);  // no thread to spare: the search runs here, without a time limit
}

ProfileSources FindProfileSources() {
  ProfileSources result;
  if (const posix::ChosenPrefix chosen = posix::ChosenWinePrefix();
      !chosen.written.empty() && !chosen.written.starts_with('/')) {
    result.relativeWinePrefix = chosen.written;
    result.relativeWinePrefixTaken = chosen.path;
  }
  const std::shared_ptr<Search> search = std::exchange(begun, nullptr);
  if (!search) {
    result.sources.push_back({});
    return result;
  }
  {
    std::unique_lock lock(search->mutex);
    while (!search->ended) {
      // A run asked to end takes what was found so far.
      if (EndRequested()) {
        if (search->running || search->place < search->places.size())
          result.unanswered.push_back(search->running ? search->what : search->places[search->place].name);
        ++search->worker;
        break;
      }
      const auto since = search->since;
      const auto until = std::chrono::steady_clock::now() + kEndLookout;
      if (search->done.wait_until(lock, search->running ? std::min(until, since + kStalled) : until,
                                  [&] { return search->ended; }))
        break;
      if (!search->running || search->since != since ||
          std::chrono::steady_clock::now() < since + kStalled)  // that step ended, another began, or it has time
        continue;
      // Stuck in the step: it alone is given up, and a fresh thread goes on after it.
      result.unanswered.push_back(search->what);
      search->running = false;
      if (!search->candidates) {
        ++search->place;  // the place could not be listed
      }
      if (!StartWorker(search, ++search->worker)) break;
    }
  }

  // Each prefix once, in the order of the places; the default one unnamed.
  const std::string defaultPrefix = posix::DefaultWinePrefix();
  std::set<std::pair<dev_t, ino_t>> seen;
  for (const std::vector<Found>& found : search->found) {
    for (const Found& prefix : found) {
      if (!seen.insert({prefix.device, prefix.inode}).second) continue;
      result.sources.push_back({prefix.prefix == defaultPrefix ? std::string() : prefix.prefix});
    }
  }
  if (result.sources.empty()) result.sources.push_back({});
  return result;
}

void UseProfileSource(const ProfileSource& source) { posix::SelectWinePrefix(source.prefix); }

}  // namespace platform
