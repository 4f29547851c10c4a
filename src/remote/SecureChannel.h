#pragma once
// One established secure link connection's frames (wire format in SecureLinkWire.h):
// sealing what this side sends and opening what it receives, each direction numbered
// from 0. Received bytes come in pieces of any size; a frame that is oversized or fails
// to open breaks the channel for good, and the connection is to be closed. No Qt.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "remote/SecureLinkWire.h"

namespace dravel {

class TSecureChannel {
 public:
  enum class TSide { Client, Server };
  using TFrameEvent = std::function<void(const std::uint8_t* Plain, std::size_t Count)>;

  TSecureChannel(const TSessionKeys& Keys, TSide Side);

  // The whole frame (length and ciphertext) for 1 to SecureMaxPlainSize bytes; throws
  // std::length_error otherwise.
  std::vector<std::uint8_t> Seal(const std::uint8_t* Plain, std::size_t Count);
  // Adds received bytes; each frame opened goes to OnFrame, in order. Returns false, and
  // stays broken, once a frame is oversized, empty or does not open.
  bool Feed(const std::uint8_t* Bytes, std::size_t Count, const TFrameEvent& OnFrame);

  bool Broken() const { return FBroken; }
  // Bytes of the frame under way.
  std::size_t Held() const { return FFrame.size(); }

 private:
  bool OpenFrame(const TFrameEvent& OnFrame);

  TSecureLinkKey FSendKey;
  TSecureLinkKey FReceiveKey;
  std::uint64_t FSent = 0;
  std::uint64_t FReceived = 0;
  std::vector<std::uint8_t> FFrame;  // the frame under way, length included
  bool FBroken = false;
};

}  // namespace dravel
