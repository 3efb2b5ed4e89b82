// Windows: bounded work on a thread of the run's own, reused from one piece to
// the next. A thread stuck in a look at a share is left to it; Windows ends it
// with the process.
#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/Bounded.h"
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

// What one piece told, shared with the thread that does it.
struct Told {
  std::mutex mutex;
  std::vector<std::string> replies;
};

}  // namespace

struct BoundedWork::State {
  std::shared_ptr<Worker> worker;  // none: not begun
  std::uint64_t ticket = 0;
  std::shared_ptr<Told> told = std::make_shared<Told>();
  std::optional<bool> ended;
  std::vector<std::string> replies;
};

BoundedWork::BoundedWork(std::function<void(const Reply&)> work) : state_(std::make_unique<State>()) {
  if (!current) {
    auto worker = std::make_shared<Worker>();
    try {
      std::thread([worker] { Serve(worker); }).detach();
    } catch (const std::exception&) {  // no thread, or no memory for one
      state_->ended = false;
      return;
    }
    current = std::move(worker);
  }
  state_->worker = current;
  {
    const std::lock_guard lock(current->mutex);
    current->piece = [told = state_->told, work = std::move(work)] {
      try {
        work([&told](std::string_view piece) {
          const std::lock_guard held(told->mutex);
          told->replies.emplace_back(piece);
        });
      } catch (...) {
        // What it told before stays told.
      }
    };
    state_->ticket = ++current->handed;
  }
  current->changed.notify_all();
}

BoundedWork::~BoundedWork() {
  if (!state_->ended) Wait(std::chrono::milliseconds(0));
}

bool BoundedWork::Wait(std::chrono::milliseconds limit) {
  State& state = *state_;
  if (state.ended) return *state.ended;
  const std::shared_ptr<Worker> worker = state.worker;
  bool ended = false;
  {
    std::unique_lock lock(worker->mutex);
    // A run asked to end waits for nothing more: it looks in now and then.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      ended = worker->ended >= state.ticket;
      if (ended || EndRequested() || std::chrono::steady_clock::now() >= deadline) break;
      worker->changed.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() + kEndLookout));
    }
    if (!ended) {
      // Stuck: it ends by itself once its piece does, if ever.
      worker->left = true;
      if (current == worker) current.reset();
    }
  }
  state.ended = ended;
  const std::lock_guard lock(state.told->mutex);
  state.replies = state.told->replies;
  return ended;
}

const std::vector<std::string>& BoundedWork::Replies() const { return state_->replies; }

}  // namespace platform
