// Linux: the user's mail profiles live in Wine prefixes, and each Wine front-end
// keeps its prefixes in places of its own (WineFrontEnds), mostly one prefix per
// program. The search takes every folder there that is a prefix of the user's
// whose user.reg holds a mail profile. It never goes into a prefix's drive_c or
// dosdevices (whose z: is the whole file system). It runs on a thread of its own,
// beside the run's settings phase, so that a place that never answers (a dead
// network mount) holds up neither the run nor the places after it.
#include "platform/ProfileSources.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/FileSystem.h"
#include "platform/posix/WineFrontEnds.h"
#include "platform/posix/WinePrefix.h"

namespace platform {
namespace {

// How long the search may go without getting anywhere before the place it is
// stuck in (a dead network mount, say) is given up.
constexpr std::chrono::seconds kStalled{3};

// A prefix found, by the identity of its user.reg: one reached by two paths (a
// link) is the same prefix.
struct Found {
  std::string prefix;
  dev_t device;
  ino_t inode;
};

// Whether user.reg's text holds a key below one of the roots (in the file's own
// spelling, each "\" doubled; compared without regard to ASCII case). Reads the
// file a piece at a time into `buffer` and stops at the first such key. Only key
// lines start with "[" (after blanks), and only the "["s are looked at.
bool HoldsProfile(int fd, off_t size, const std::vector<std::string>& roots, std::string& buffer) {
  constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
  constexpr std::size_t kPiece = 32768;
  std::size_t carried = 0;  // a line not yet whole, at the start of the buffer
  off_t left = size;        // no read is spent on finding the end
  for (bool first = true; left > 0; first = false) {
    if (buffer.size() < carried + kPiece) buffer.resize(carried + kPiece);
    const ssize_t n = ::read(fd, buffer.data() + carried, kPiece);
    if (n <= 0) return false;
    left -= n;
    const std::string_view text(buffer.data(), carried + static_cast<std::size_t>(n));
    if (first && !text.starts_with(kHeader)) return false;
    const std::size_t whole = text.rfind('\n') + 1;  // the lines before it are whole (0: none)
    for (std::size_t at = text.find('['); at < whole; at = text.find('[', at + 1)) {
      std::size_t start = at;
      while (start > 0 && (text[start - 1] == ' ' || text[start - 1] == '\t')) --start;
      if (start > 0 && text[start - 1] != '\n') continue;  // inside a line: no key
      const std::string_view key = text.substr(at + 1, text.find('\n', at) - at - 1);
      for (const std::string& root : roots)
        if (key.size() >= root.size() && strncasecmp(key.data(), root.data(), root.size()) == 0) return true;
    }
    // The last line goes on in the next piece; a line longer than a piece is no key.
    carried = text.size() - whole < kPiece ? text.size() - whole : 0;
    std::memmove(buffer.data(), buffer.data() + text.size() - carried, carried);
  }
  return false;
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
      HoldsProfile(fd, info.st_size, roots, buffer) && posix::IsOwnFolder(folder + "/drive_c"))
    found = Found{folder, info.st_dev, info.st_ino};
  ::close(fd);
  return found;
}

// The search, shared with the threads that do it: a thread stuck in a place that
// does not answer is left there, and another takes the places after it. The
// threads say nothing to the run until the last place has ended.
struct Search {
  enum class State { Waiting, Running, Done, GivenUp };
  std::vector<posix::Place> places;
  std::vector<std::string> roots;
  std::mutex mutex;
  std::condition_variable ended;
  std::vector<State> states;
  std::vector<std::vector<Found>> found;
  std::size_t next = 0;
  std::size_t progress = 0;  // places done so far

  // Whether no place is waiting or being searched (the mutex held).
  bool Ended() const {
    return std::none_of(states.begin(), states.end(),
                        [](State state) { return state == State::Waiting || state == State::Running; });
  }
};

void Work(const std::shared_ptr<Search>& search) {
  std::string buffer;
  for (;;) {
    std::size_t place = 0;
    {
      const std::lock_guard lock(search->mutex);
      if (search->next == search->places.size()) return;
      place = search->next++;
      search->states[place] = Search::State::Running;
    }
    std::vector<Found> found;
    for (const std::string& candidate : search->places[place].candidates())
      if (std::optional<Found> prefix = ProfilePrefix(candidate, search->roots, buffer))
        found.push_back(std::move(*prefix));
    const std::lock_guard lock(search->mutex);
    if (search->states[place] == Search::State::GivenUp) return;
    search->states[place] = Search::State::Done;
    search->found[place] = std::move(found);
    ++search->progress;
    if (search->Ended()) search->ended.notify_all();
  }
}

bool StartWorker(const std::shared_ptr<Search>& search) {
  try {
    std::thread([search] { Work(search); }).detach();
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
// the prefix, or has no home to search.
std::shared_ptr<Search> begun;

}  // namespace

void BeginProfileSearch(const std::vector<std::string>& profileRoots) {
  begun.reset();
  const char* chosen = std::getenv("WINEPREFIX");
  const std::string home = HomeFolder();
  if ((chosen != nullptr && *chosen != '\0') || home.empty() || home == "/") return;
  begun = std::make_shared<Search>();
  begun->places = posix::FrontEndPlaces(home);
  begun->roots = Escaped(profileRoots);
  begun->states.assign(begun->places.size(), Search::State::Waiting);
  begun->found.resize(begun->places.size());
  if (!StartWorker(begun)) Work(begun);  // no thread to spare: the search runs here, without a time limit
}

ProfileSources FindProfileSources() {
  ProfileSources result;
  const std::shared_ptr<Search> search = std::exchange(begun, nullptr);
  if (!search) {
    result.sources.push_back({});
    return result;
  }
  {
    std::unique_lock lock(search->mutex);
    std::size_t seen = 0;
    while (!search->ended.wait_for(lock, kStalled, [&] { return search->Ended(); })) {
      if (search->progress != seen) {  // slow, but getting somewhere
        seen = search->progress;
        continue;
      }
      // Stuck in a place: it is given up, and the places after it get a thread of their own.
      for (std::size_t i = 0; i < search->places.size(); ++i) {
        if (search->states[i] != Search::State::Running) continue;
        search->states[i] = Search::State::GivenUp;
        result.unanswered.push_back(search->places[i].name);
      }
      if (search->next < search->places.size() && !StartWorker(search)) break;
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
