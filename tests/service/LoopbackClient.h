#pragma once
// A raw TCP client for the HTTP tests: sends bytes, reads until the server closes.

#include <cstdint>
#include <string>
#include <string_view>

namespace dravel::test {

class TLoopbackClient {
 public:
  explicit TLoopbackClient(std::uint16_t Port);
  TLoopbackClient(const TLoopbackClient&) = delete;
  TLoopbackClient& operator=(const TLoopbackClient&) = delete;
  ~TLoopbackClient();

  bool Connected() const { return FSocket >= 0; }
  // False when the server has already closed the connection.
  bool Send(std::string_view Bytes);
  // No more bytes from this side.
  void ShutdownWrite();
  // Everything the server sends until it closes (waits at most 30 seconds).
  std::string ReadAll();
  // One answer: its header and Content-Length bytes of body (the connection stays open).
  std::string ReadResponse();

 private:
  int FSocket = -1;
  std::string FAhead;  // bytes read beyond the last answer
};

// One request, the whole answer.
std::string Exchange(std::uint16_t Port, std::string_view Request);

}  // namespace dravel::test
