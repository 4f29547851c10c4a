#include "server/SignalChannel.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace dravel {

namespace {

// Written by the signal handler, which may touch nothing but this.
int SignalPipe[2] = {-1, -1};

void OnSignal(int Signal) {
  const unsigned char Byte = static_cast<unsigned char>(Signal);
  [[maybe_unused]] const auto Ignored = ::write(SignalPipe[0], &Byte, 1);
}

}  // namespace

TSignalChannel::TSignalChannel(std::initializer_list<int> Signals, std::function<void(int)> Callback,
                               QObject* Parent)
    : QObject(Parent), FOnSignal(std::move(Callback)) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, SignalPipe) != 0) return;
  auto* Notifier = new QSocketNotifier(SignalPipe[1], QSocketNotifier::Read, this);
  connect(Notifier, &QSocketNotifier::activated, this, [this] {
    unsigned char Byte = 0;
    while (::read(SignalPipe[1], &Byte, 1) == 1) FOnSignal(Byte);
  });
  struct sigaction Action {};
  Action.sa_handler = OnSignal;
  sigemptyset(&Action.sa_mask);
  Action.sa_flags = SA_RESTART;
  for (const int Signal : Signals) sigaction(Signal, &Action, nullptr);
}

TSignalChannel::~TSignalChannel() {
  for (int& End : SignalPipe) {
    if (End >= 0) ::close(End);
    End = -1;
  }
}

}  // namespace dravel
