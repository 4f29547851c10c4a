#pragma once
// Threads that run jobs handed to them, started as they are needed up to a fixed
// number and kept for later jobs; jobs beyond them wait in order.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace dravel {

class TWorkerPool {
 public:
  explicit TWorkerPool(std::size_t MaxThreads);
  TWorkerPool(const TWorkerPool&) = delete;
  TWorkerPool& operator=(const TWorkerPool&) = delete;
  // Runs the jobs still waiting, then ends the threads.
  ~TWorkerPool();

  // False when no thread exists to run the job and none could be started.
  bool Post(std::function<void()> Job);
  // Waits until no job waits or runs.
  void Drain();
  std::size_t Threads();

 private:
  void Work();

  const std::size_t FMaxThreads;
  std::mutex FLock;
  std::condition_variable FWake;
  std::condition_variable FIdle;
  std::deque<std::function<void()>> FJobs;
  std::vector<std::thread> FThreads;
  std::size_t FWaiting = 0;  // threads waiting for a job
  std::size_t FRunning = 0;  // jobs being run
  bool FEnding = false;
};

}  // namespace dravel
