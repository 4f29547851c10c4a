// libFuzzer target: the HTTP request reader over arbitrary bytes arriving in arbitrary
// pieces, then the client's close. Checks the limits hold whatever comes in, and that
// credentials read from any Authorization header name a user.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "service/BasicCredentials.h"
#include "service/IndyApp.h"
#include "service/HttpRequestReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  // The first byte sets the size of the pieces the bytes arrive in.
  const std::size_t Piece = Data[0] % 64 + 1;
  std::string_view Bytes(reinterpret_cast<const char*>(Data + 1), Size - 1);
  dravel::THttpRequestReader Reader;
  dravel::TReadState State = dravel::TReadState::NeedMore;
  while (!Bytes.empty() && State == dravel::TReadState::NeedMore) {
    const std::size_t Count = Bytes.size() < Piece ? Bytes.size() : Piece;
    State = Reader.Feed(Bytes.substr(0, Count));
    Bytes.remove_prefix(Count);
  }
  if (State == dravel::TReadState::NeedMore) State = Reader.Finish();
  if (State == dravel::TReadState::Complete) {
    const dravel::THttpRequest& Request = Reader.Request();
    const bool Allowed = Request.Method == "GET" || Request.Method == "POST" || Request.Method == "HEAD";
    if (!Allowed || Request.Body.size() > dravel::THttpRequestReader::BodyLimit) std::abort();
    const dravel::TWebRequest Web = dravel::ToWebRequest(Request);
    if (Web.PathInfo.find('?') != std::string::npos) std::abort();
    if (const auto Credentials = dravel::ParseBasicAuthorization(Request.Authorization)) {
      if (Credentials->User.empty() || Credentials->User.find(':') != std::string::npos) std::abort();
      if (Credentials->User.size() + Credentials->Password.size() > dravel::AuthorizationLimit) std::abort();
    }
  }
  return 0;
}
