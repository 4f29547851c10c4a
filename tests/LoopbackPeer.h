#pragma once
// A raw TCP peer on loopback that chooses its own source address (any of 127.0.0.0/8, or
// ::1), for the tests of who may connect.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>

namespace dravel::testing {

// Whether this machine can bind ::1 (IPv6 may be switched off).
inline bool HasIPv6Loopback() {
  const int Fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (Fd < 0) return false;
  sockaddr_in6 Address{};
  Address.sin6_family = AF_INET6;
  Address.sin6_addr = in6addr_loopback;
  const bool Bound = ::bind(Fd, reinterpret_cast<const sockaddr*>(&Address), sizeof Address) == 0;
  ::close(Fd);
  return Bound;
}

// A non-blocking socket bound to Source (IPv4) and connected to Target:Port; -1 on failure.
// The handshake on loopback completes in the kernel, before the server accepts.
inline int ConnectFrom(const char* Source, const char* Target, std::uint16_t Port) {
  const bool IPv6 = std::strchr(Target, ':') != nullptr;
  const int Fd = ::socket(IPv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (Fd < 0) return -1;
  bool Ok = true;
  if (IPv6) {
    sockaddr_in6 To{};
    To.sin6_family = AF_INET6;
    To.sin6_port = htons(Port);
    Ok = ::inet_pton(AF_INET6, Target, &To.sin6_addr) == 1 &&
         ::connect(Fd, reinterpret_cast<const sockaddr*>(&To), sizeof To) == 0;
  } else {
    sockaddr_in From{};
    From.sin_family = AF_INET;
    sockaddr_in To{};
    To.sin_family = AF_INET;
    To.sin_port = htons(Port);
    Ok = ::inet_pton(AF_INET, Source, &From.sin_addr) == 1 && ::inet_pton(AF_INET, Target, &To.sin_addr) == 1 &&
         ::bind(Fd, reinterpret_cast<const sockaddr*>(&From), sizeof From) == 0 &&
         ::connect(Fd, reinterpret_cast<const sockaddr*>(&To), sizeof To) == 0;
  }
  if (!Ok) {
    ::close(Fd);
    return -1;
  }
  ::fcntl(Fd, F_SETFL, ::fcntl(Fd, F_GETFL) | O_NONBLOCK);
  return Fd;
}

// What one look at a peer's socket found.
struct TPeerState {
  bool Closed = false;  // end of stream or reset
  std::string Received;
};

// Takes whatever has arrived without waiting; Closed once the far end has closed.
inline void Look(int Fd, TPeerState& State) {
  char Buffer[4096];
  while (true) {
    const ssize_t Count = ::recv(Fd, Buffer, sizeof Buffer, MSG_DONTWAIT);
    if (Count > 0) {
      State.Received.append(Buffer, static_cast<std::size_t>(Count));
      continue;
    }
    if (Count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) State.Closed = true;
    return;
  }
}

// Looks at Fd until the peer closes (or, with UntilAnswer, until bytes come) or Limit has
// passed, running Meanwhile between looks (an event loop that must turn meanwhile).
template <typename TMeanwhile>
void WatchPeer(int Fd, TPeerState& State, std::chrono::milliseconds Limit, bool UntilAnswer,
               TMeanwhile&& Meanwhile) {
  const auto Deadline = std::chrono::steady_clock::now() + Limit;
  while (!State.Closed && !(UntilAnswer && !State.Received.empty()) &&
         std::chrono::steady_clock::now() < Deadline) {
    Meanwhile();
    Look(Fd, State);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace dravel::testing
