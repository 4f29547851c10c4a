#include "StreamControl.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace dravel {
namespace {

// The write end of the wake pipe, for the signal handler: the one piece of process-wide
// state a signal handler cannot do without.
volatile std::sig_atomic_t WakeWriteEnd = -1;
volatile std::sig_atomic_t CaughtSignal = 0;

constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void OnStopSignal(int Signal) {
  const int Saved = errno;
  CaughtSignal = Signal;
  const char Byte = 1;
  [[maybe_unused]] const auto Ignored = ::write(WakeWriteEnd, &Byte, 1);
  errno = Saved;
}

void Install(int Signal, void (*Handler)(int), int Flags) {
  struct sigaction Action {};
  Action.sa_handler = Handler;
  Action.sa_flags = Flags;
  sigemptyset(&Action.sa_mask);
  sigaction(Signal, &Action, nullptr);
}

}  // namespace

TStreamControl::TStreamControl(int OutputFd) : FOutput(OutputFd) {
  if (::pipe2(FWake, O_CLOEXEC | O_NONBLOCK) != 0)
    throw std::runtime_error("cannot create the stream's wake pipe");
  WakeWriteEnd = FWake[1];
  CaughtSignal = 0;
  Install(SIGPIPE, SIG_IGN, 0);
  // No SA_RESTART: a write blocked on a reader that stopped reading returns, so the signal
  // can end the stream.
  for (const int Signal : StopSignals) Install(Signal, OnStopSignal, SA_RESETHAND);
}

TStreamControl::~TStreamControl() {
  for (const int Signal : StopSignals) Install(Signal, SIG_DFL, 0);
  WakeWriteEnd = -1;
  ::close(FWake[0]);
  ::close(FWake[1]);
}

TStreamControl::TSend TStreamControl::Send(std::string_view Bytes) {
  while (!Bytes.empty()) {
    const ssize_t Written = ::write(FOutput, Bytes.data(), Bytes.size());
    if (Written >= 0) {
      Bytes.remove_prefix(static_cast<std::size_t>(Written));
      continue;
    }
    if (errno == EPIPE) {
      Stop();
      return TSend::Closed;
    }
    if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
      // A signal, or a non-blocking output that is full: wait until it takes more.
      if (errno == EINTR && Stopping()) return TSend::Closed;
      pollfd Watch[] = {{FOutput, POLLOUT, 0}, {FWake[0], POLLIN, 0}};
      if (::poll(Watch, 2, -1) > 0 && (Watch[1].revents & POLLIN) != 0) return TSend::Closed;
      continue;
    }
    return TSend::Failed;
  }
  return TSend::Sent;
}

int TStreamControl::ExitStatus(int Status) const {
  const int Signal = CaughtSignal;
  if (Signal == 0) return Status;
  Install(Signal, SIG_DFL, 0);
  std::raise(Signal);
  return 128 + Signal;  // only if the signal is blocked
}

void TStreamControl::Stop() {
  const char Byte = 1;
  [[maybe_unused]] const auto Ignored = ::write(FWake[1], &Byte, 1);
}

bool TStreamControl::Poll(int TimeoutMs) const {
  // The output is watched for errors and hang-ups only: a pipe whose reader closed
  // reports POLLERR, a closed terminal POLLHUP, a closed descriptor POLLNVAL.
  pollfd Watch[] = {{FWake[0], POLLIN, 0}, {FOutput, 0, 0}};
  const int Ready = ::poll(Watch, 2, TimeoutMs);
  if (Ready <= 0) return false;
  return (Watch[0].revents & POLLIN) != 0 || (Watch[1].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
}

bool TStreamControl::Stopping() const { return Poll(0); }

bool TStreamControl::WaitUntil(std::chrono::steady_clock::time_point Deadline) const {
  for (;;) {
    const auto Left = std::chrono::ceil<std::chrono::milliseconds>(
        Deadline - std::chrono::steady_clock::now());
    if (Left.count() <= 0) return !Stopping();
    const int Timeout = static_cast<int>(std::min<long long>(Left.count(), 60000));
    if (Poll(Timeout)) return false;
  }
}

void RepeatRefreshes(int Count, int IntervalMs, const TStreamControl& Stream,
                     const std::function<void()>& Refresh) {
  auto Next = std::chrono::steady_clock::now();
  for (int Shown = 0; Count == 0 || Shown < Count; ++Shown) {
    if (Shown > 0 && !Stream.WaitUntil(Next)) return;
    if (Stream.Stopping()) return;
    Refresh();
    Next = std::max(Next + std::chrono::milliseconds(IntervalMs), std::chrono::steady_clock::now());
  }
}

}  // namespace dravel
