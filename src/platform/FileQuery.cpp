// What both systems' file queries share: a look that may not answer done on a
// thread of the run's own, and what is known of it when it does not end in time.
#include "platform/FileQuery.h"

#include "platform/Bounded.h"
#include "platform/FileQueryLook.h"

namespace platform {

FileQuery::FileQuery(const std::string& path, std::size_t startBytes)
    : look_(std::make_shared<Look>(path, startBytes)) {
  if (look_->MayNotAnswer())
    work_ = std::make_unique<BoundedWork>([look = look_] { look->Run(); });
  else
    look_->Run();
}

FileQuery::~FileQuery() = default;

FileStatus FileQuery::Result() {
  const bool ended = !work_ || work_->Wait();
  const std::lock_guard lock(look_->mutex);
  FileStatus status = look_->status;
  if (!ended) {
    if (!look_->found) return FileStatus{false, false, 0, {}, ReadStatus::Failed, {}};
    status.startStatus = ReadStatus::NoAnswer;
    status.start.clear();
  }
  return status;
}

FileStatus QueryFile(const std::string& path, std::size_t startBytes) { return FileQuery(path, startBytes).Result(); }

}  // namespace platform
