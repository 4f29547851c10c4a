#pragma once
// The life of dravelfmt's output stream: it ends when standard output closes (the bar or
// the pipe's reader went away) or when SIGINT, SIGTERM or SIGHUP arrives. Each refresh is
// sent whole, and the waits between refreshes end early when the stream is to stop.

#include <chrono>
#include <functional>
#include <string_view>

namespace dravel {

class TStreamControl {
 public:
  enum class TSend { Sent, Closed, Failed };

  // Catches the three signals (a second one of a kind ends the process at once, should a
  // clean end get stuck) and ignores SIGPIPE, so a closed output shows as an error to
  // the write. One object at a time; the handlers stay for the process's life.
  explicit TStreamControl(int OutputFd);
  ~TStreamControl();
  TStreamControl(const TStreamControl&) = delete;
  TStreamControl& operator=(const TStreamControl&) = delete;

  // Writes all of Bytes. Closed: the reader is gone (the stream stops); Failed: another
  // write error, left in errno.
  TSend Send(std::string_view Bytes);
  void Stop();
  // True once a signal arrived, Stop was called, or the output's reader hung up.
  bool Stopping() const;
  // Sleeps until Deadline; false, at once, when the stream is to stop.
  bool WaitUntil(std::chrono::steady_clock::time_point Deadline) const;
  // Becomes readable when a signal arrives or Stop is called (for an event loop).
  int WakeDescriptor() const { return FWake[0]; }
  // Status, or, when a stop signal ended the stream, the process ended by that signal as
  // shells expect (so a loop around dravelfmt stops on Ctrl-C), after its clean end.
  int ExitStatus(int Status) const;

 private:
  // Polls the wake pipe and the output for up to TimeoutMs; true when the stream is to stop.
  bool Poll(int TimeoutMs) const;

  int FOutput;
  int FWake[2] = {-1, -1};
};

// Calls Refresh Count times (0: until Stream stops), the first at once and then one per
// IntervalMs, until Stream stops.
void RepeatRefreshes(int Count, int IntervalMs, const TStreamControl& Stream,
                     const std::function<void()>& Refresh);

}  // namespace dravel
