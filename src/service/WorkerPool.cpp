#include "service/WorkerPool.h"

#include <system_error>

namespace dravel {

TWorkerPool::TWorkerPool(std::size_t MaxThreads) : FMaxThreads(MaxThreads == 0 ? 1 : MaxThreads) {}

TWorkerPool::~TWorkerPool() {
  {
    const std::lock_guard Lock(FLock);
    FEnding = true;
  }
  FWake.notify_all();
  for (auto& Thread : FThreads) Thread.join();
}

bool TWorkerPool::Post(std::function<void()> Job) {
  std::unique_lock Lock(FLock);
  FJobs.push_back(std::move(Job));
  if (FWaiting < FJobs.size() && FThreads.size() < FMaxThreads) {
    try {
      FThreads.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      // Out of threads: the ones there are take the job in turn.
      if (FThreads.empty()) {
        FJobs.pop_back();
        return false;
      }
    }
  }
  Lock.unlock();
  FWake.notify_one();
  return true;
}

void TWorkerPool::Work() {
  std::unique_lock Lock(FLock);
  while (true) {
    ++FWaiting;
    FWake.wait(Lock, [this] { return FEnding || !FJobs.empty(); });
    --FWaiting;
    if (FJobs.empty()) return;  // ending, and nothing left to run
    auto Job = std::move(FJobs.front());
    FJobs.pop_front();
    ++FRunning;
    Lock.unlock();
    try {
      Job();
    } catch (...) {
      // A job that fails takes only itself down.
    }
    Job = nullptr;
    Lock.lock();
    --FRunning;
    if (FRunning == 0 && FJobs.empty()) FIdle.notify_all();
  }
}

void TWorkerPool::Drain() {
  std::unique_lock Lock(FLock);
  FIdle.wait(Lock, [this] { return FRunning == 0 && FJobs.empty(); });
}

std::size_t TWorkerPool::Threads() {
  const std::lock_guard Lock(FLock);
  return FThreads.size();
}

}  // namespace dravel
