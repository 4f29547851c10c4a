#pragma once
// A peer that floods a link server with requests, for the link tests and the load
// benchmark: plain sockets on a thread of its own, outside Qt.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace dravel::testing {

// A plain blocking socket connected to the server, outside Qt.
inline int ConnectRaw(std::uint16_t Port) {
  const int Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in Address{};
  Address.sin_family = AF_INET;
  Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  Address.sin_port = htons(Port);
  if (Fd >= 0 && ::connect(Fd, reinterpret_cast<const sockaddr*>(&Address), sizeof Address) == 0)
    return Fd;
  if (Fd >= 0) ::close(Fd);
  return -1;
}

// A peer on its own thread that writes "W" as fast as the server takes it and reads
// whatever comes back, for a bounded time.
class TFlooder {
 public:
  explicit TFlooder(std::uint16_t Port) : FFd(ConnectRaw(Port)) {
    if (FFd >= 0) FThread = std::thread([this] { Run(); });
  }
  ~TFlooder() {
    Stop();
    if (FFd >= 0) ::close(FFd);
  }
  void Stop() {
    FStop = true;
    if (FThread.joinable()) FThread.join();
  }
  bool Connected() const { return FFd >= 0; }
  long long Sent() const { return FSent; }
  long long Received() const { return FReceived; }

 private:
  void Run() {
    const std::string Requests(4096, 'W');
    char Buffer[65536];
    while (!FStop) {
      pollfd Poll{FFd, POLLIN | POLLOUT, 0};
      if (::poll(&Poll, 1, 10) <= 0) continue;
      if (Poll.revents & POLLIN) {
        const ssize_t Count = ::recv(FFd, Buffer, sizeof Buffer, MSG_DONTWAIT);
        if (Count <= 0) break;
        FReceived += Count;
      }
      if (Poll.revents & POLLOUT) {
        const ssize_t Count = ::send(FFd, Requests.data(), Requests.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (Count > 0) FSent += Count;
      }
    }
  }

  int FFd;
  std::atomic<bool> FStop{false};
  std::atomic<long long> FSent{0}, FReceived{0};
  std::thread FThread;
};

}  // namespace dravel::testing
