#include "platform/Bounded.h"

#include <algorithm>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/EndRequest.h"

namespace platform {
namespace {

// One thread that does the bounded work, one piece at a time. A worker stuck in
// a piece is left to it, and the next piece gets a worker of its own.
struct Worker {
  std::mutex mutex;
  std::condition_variable changed;  // a piece was handed over, one ended, or the worker was left
  std::function<void()> piece;
  std::uint64_t handed = 0;
  std::uint64_t ended = 0;
  bool left = false;
};

void Serve(const std::shared_ptr<Worker>& worker) {
  std::unique_lock lock(worker->mutex);
  for (;;) {
    worker->changed.wait(lock, [&] { return worker->piece != nullptr || worker->left; });
    if (!worker->piece) return;
    std::function<void()> piece = std::move(worker->piece);
    worker->piece = nullptr;
    lock.unlock();
    piece();
    lock.lock();
    ++worker->ended;
    worker->changed.notify_all();
    if (worker->left) return;
  }
}

// How often a wait looks whether the run was asked to end.
constexpr std::chrono::milliseconds kEndLookout{100};

// Kept from one piece to the next, so that a run over a thousand stores starts
// one thread and not a thousand.
std::shared_ptr<Worker> current;

}  // namespace

BoundedWork::BoundedWork(std::function<void()> work) {
  if (!current) {
    auto worker = std::make_shared<Worker>();
    try {
      std::thread([worker] { Serve(worker); }).detach();
    } catch (const std::system_error&) {
      work();
      ended_ = true;
      return;
    }
    current = std::move(worker);
  }
  {
    const std::lock_guard lock(current->mutex);
    current->piece = std::move(work);
    ticket_ = ++current->handed;
  }
  current->changed.notify_all();
}

BoundedWork::~BoundedWork() { Wait(); }

bool BoundedWork::Wait(std::chrono::milliseconds limit) {
  if (ended_) return *ended_;
  const std::shared_ptr<Worker> worker = current;
  std::unique_lock lock(worker->mutex);
  // A run asked to end waits for nothing more: it looks in now and then.
  const auto deadline = std::chrono::steady_clock::now() + limit;
  do {
    ended_ = worker->changed.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() + kEndLookout),
                                        [&] { return worker->ended >= ticket_; });
  } while (!*ended_ && !EndRequested() && std::chrono::steady_clock::now() < deadline);
  if (!*ended_) {
    // Stuck: it ends by itself once its piece does, if ever.
    worker->left = true;
    current.reset();
  }
  return *ended_;
}

}  // namespace platform
