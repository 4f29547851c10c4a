#pragma once
// What the HTTP server allows each caller and all of them together.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <thread>

namespace dravel {

struct THttpLimits {
  // The whole request, from the connection's start (or a kept connection's first byte).
  std::chrono::milliseconds RequestTimeout{10000};
  // A TLS handshake; its request's own clock starts once it is done.
  std::chrono::milliseconds HandshakeTimeout{5000};
  // A kept connection waiting for its next request.
  std::chrono::milliseconds IdleTimeout{5000};
  // A closing connection reading what the client still sends, so the answer reaches it.
  std::chrono::milliseconds CloseGrace{1000};
  // Accepting pauses this long when the system has no descriptor or memory to give.
  std::chrono::milliseconds AcceptPause{100};
  std::size_t MaxRequestsPerConnection = 1000;
  // Connections open at once; 0 takes it from the open-files limit.
  std::size_t MaxConnections = 0;
  // Memory the requests being read hold together.
  std::size_t BodyBudget = 32u << 20;
  // Threads reading and writing every connection.
  unsigned IoThreads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
  // Threads running the requests; more than the web layer's 32, so its own answer to a
  // 33rd request gets out.
  std::size_t Workers = 48;
};

// Connections the server may hold when the process may open OpenFiles descriptors: a
// quarter of them (at least 128) stays for everything else the program opens.
std::size_t ConnectionsForOpenFiles(std::size_t OpenFiles);

}  // namespace dravel
