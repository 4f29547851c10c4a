#include "LoopbackClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <utility>

namespace dravel::test {

TLoopbackClient::TLoopbackClient(std::uint16_t Port) {
  std::signal(SIGPIPE, SIG_IGN);
  FSocket = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in Address{};
  Address.sin_family = AF_INET;
  Address.sin_port = htons(Port);
  Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  timeval Timeout{30, 0};
  ::setsockopt(FSocket, SOL_SOCKET, SO_RCVTIMEO, &Timeout, sizeof Timeout);
  if (::connect(FSocket, reinterpret_cast<sockaddr*>(&Address), sizeof Address) != 0) {
    ::close(FSocket);
    FSocket = -1;
  }
}

TLoopbackClient::~TLoopbackClient() {
  if (FSocket >= 0) ::close(FSocket);
}

bool TLoopbackClient::Send(std::string_view Bytes) {
  while (!Bytes.empty()) {
    const ssize_t Sent = ::send(FSocket, Bytes.data(), Bytes.size(), MSG_NOSIGNAL);
    if (Sent <= 0) return false;
    Bytes.remove_prefix(static_cast<std::size_t>(Sent));
  }
  return true;
}

void TLoopbackClient::ShutdownWrite() { ::shutdown(FSocket, SHUT_WR); }

std::string TLoopbackClient::ReadAll() {
  std::string Text = std::move(FAhead);
  FAhead.clear();
  char Buffer[4096];
  while (true) {
    const ssize_t Count = ::recv(FSocket, Buffer, sizeof Buffer, 0);
    if (Count <= 0) return Text;
    Text.append(Buffer, static_cast<std::size_t>(Count));
  }
}

std::string TLoopbackClient::ReadResponse() {
  char Buffer[4096];
  while (true) {
    const std::size_t End = FAhead.find("\r\n\r\n");
    if (End != std::string::npos) {
      const std::size_t Field = FAhead.find("Content-Length: ");
      const std::size_t Length = Field < End ? std::stoul(FAhead.substr(Field + 16)) : 0;
      if (FAhead.size() >= End + 4 + Length) {
        std::string Answer = FAhead.substr(0, End + 4 + Length);
        FAhead.erase(0, Answer.size());
        return Answer;
      }
    }
    const ssize_t Count = ::recv(FSocket, Buffer, sizeof Buffer, 0);
    if (Count <= 0) return std::exchange(FAhead, std::string());
    FAhead.append(Buffer, static_cast<std::size_t>(Count));
  }
}

std::string Exchange(std::uint16_t Port, std::string_view Request) {
  TLoopbackClient Client(Port);
  Client.Send(Request);
  return Client.ReadAll();
}

}  // namespace dravel::test
