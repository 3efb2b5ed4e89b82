// What both systems' bounded work shares: work done at once where nothing may
// hold it, else handed over and waited for.
#include "platform/Bounded.h"

namespace platform {

BoundedResult RunBounded(bool bounded, const std::function<void(const Reply&)>& work, std::chrono::milliseconds limit) {
  BoundedResult result;
  if (!bounded) {
    work([&](std::string_view piece) { result.replies.emplace_back(piece); });
    return result;
  }
  BoundedWork handed(work);
  result.ended = handed.Wait(limit);
  result.replies = handed.Replies();
  return result;
}

}  // namespace platform
