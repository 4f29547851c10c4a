#pragma once
// One local panel per logon. "OsselVantorMutex" is a lock file held for the
// life of its owner; "OsselVantorEvent" is a wake channel (a FIFO) that every
// main window listens on: one signal wakes exactly one waiting listener, and a
// signal sent while no listener waits is kept for the next wait.

#include <filesystem>

namespace dravel {

// $XDG_RUNTIME_DIR, else a private folder "dravel-<uid>" in $TMPDIR or /tmp.
std::filesystem::path SingleInstanceFolder();

class TSingleInstanceLock {
 public:
  // Tries, without waiting, to take the lock Name ("OsselVantorMutex", the panel's) in
  // Folder.
  explicit TSingleInstanceLock(const std::filesystem::path& Folder = SingleInstanceFolder(),
                               const char* Name = "OsselVantorMutex");
  ~TSingleInstanceLock();
  TSingleInstanceLock(const TSingleInstanceLock&) = delete;
  TSingleInstanceLock& operator=(const TSingleInstanceLock&) = delete;

  // False only when another live process holds the lock. A lock that
  // cannot be made at all lets this copy run as the first one.
  bool IsFirstInstance() const;

 private:
  int FFd = -1;
  bool FFirst = true;
};

// The listening end of "OsselVantorEvent".
class TSingleInstanceEvent {
 public:
  explicit TSingleInstanceEvent(const std::filesystem::path& Folder = SingleInstanceFolder());
  ~TSingleInstanceEvent();
  TSingleInstanceEvent(const TSingleInstanceEvent&) = delete;
  TSingleInstanceEvent& operator=(const TSingleInstanceEvent&) = delete;

  // Blocks until a signal is taken (true) or Stop() is called (false). Meant
  // for one listening thread.
  bool Wait();
  // Ends the current and every later Wait(); safe from any thread.
  void Stop();

 private:
  int FFifo = -1;
  int FStop = -1;
};

// Wakes one listener of "OsselVantorEvent" in Folder; false when no process
// listens (the signal is then dropped, as nothing would take it).
bool SignalSingleInstanceEvent(const std::filesystem::path& Folder = SingleInstanceFolder());

}  // namespace dravel
