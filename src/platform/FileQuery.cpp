// What both systems' file queries share: a look that may not answer done as
// bounded work, what is known of it when it does not end in time, and the run's
// memory of the file systems that did not answer.
#include "platform/FileQuery.h"

#include <algorithm>
#include <charconv>
#include <set>

#include "platform/Bounded.h"
#include "platform/EndRequest.h"
#include "platform/FileQueryLook.h"

namespace platform {
namespace {

// The file systems that did not answer in this run, and how much longer its
// looks may wait in all. They outlive a look, for the run's later looks;
// BeginFileLooks resets them as a run begins.
struct Looks {
  std::set<std::string> silent;
  std::chrono::milliseconds left = kRunAnswerLimit;
};
Looks looks;

// A reply: a kind letter and what it says.
constexpr char kFound = 'F';
constexpr char kStart = 'S';

// Takes one reply into `status`; whether it told the file's start.
bool Decode(const std::string& reply, FileStatus& status) {
  const std::size_t line = reply.find('\n');
  if (reply.empty() || line == std::string::npos) return false;
  if (reply[0] == kFound) {
    status.exists = std::from_chars(reply.data() + 1, reply.data() + line, status.length).ec == std::errc();
    status.identity = reply.substr(line + 1);
    return false;
  }
  if (reply[0] != kStart || line < 2) return false;
  status.startStatus = static_cast<ReadStatus>(reply[1] - '0');
  if (line > 2) status.identity = reply.substr(2, line - 2);
  if (status.startStatus == ReadStatus::Read) status.start = reply.substr(line + 1);
  return true;
}

}  // namespace

void TellFound(const Reply& reply, std::int64_t length, const std::string& identity) {
  reply(kFound + std::to_string(length) + "\n" + identity);
}

void TellStart(const Reply& reply, ReadStatus status, const std::string& bytes, const std::string& identity) {
  reply(std::string{kStart, static_cast<char>('0' + static_cast<int>(status))} + identity + "\n" + bytes);
}

void BeginFileLooks() { looks = {}; }

FileQuery::FileQuery(const std::string& path, std::size_t startBytes)
    : look_(std::make_unique<Look>(path, startBytes)) {
  if (!look_->MayNotAnswer()) {
    look_->Run([this](std::string_view piece) { replies_.emplace_back(piece); });
    return;
  }
  fileSystem_ = look_->FileSystem();
  givenUp_ = EndRequested() || looks.silent.count(fileSystem_) != 0;
  if (!givenUp_) work_ = std::make_unique<BoundedWork>([look = *look_](const Reply& reply) { look.Run(reply); });
}

FileQuery::~FileQuery() = default;

FileStatus FileQuery::Result() {
  bool ended = !givenUp_;
  if (work_) {
    const auto limit = std::clamp(looks.left, kLastChance, kAnswerLimit);
    const auto began = std::chrono::steady_clock::now();
    ended = work_->Wait(limit);
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began);
    looks.left -= std::min(looks.left, waited);
    replies_ = work_->Replies();
    if (!ended && !fileSystem_.empty() && !EndRequested()) looks.silent.insert(fileSystem_);
  }
  FileStatus status;
  bool started = false;
  for (const std::string& reply : replies_) started = Decode(reply, status) || started;
  if (!ended) {
    if (!status.exists) return FileStatus{false, false, 0, {}, ReadStatus::Failed, {}};
    if (!started) status.startStatus = ReadStatus::NoAnswer;
  }
  return status;
}

FileStatus QueryFile(const std::string& path, std::size_t startBytes) { return FileQuery(path, startBytes).Result(); }

}  // namespace platform
