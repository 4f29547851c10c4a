#include "service/IdleConnections.h"

#include "service/HttpConnection.h"

namespace dravel {

void TIdleConnections::Touch(THttpConnection& Connection, TPlace& Place) {
  const std::lock_guard Lock(FLock);
  if (Place.Listed) {
    FOrder.splice(FOrder.end(), FOrder, Place.It);
    return;
  }
  Place.It = FOrder.insert(FOrder.end(), &Connection);
  Place.Listed = true;
}

void TIdleConnections::Remove(TPlace& Place) {
  const std::lock_guard Lock(FLock);
  if (!Place.Listed) return;
  FOrder.erase(Place.It);
  Place.Listed = false;
}

std::shared_ptr<THttpConnection> TIdleConnections::TakeOldest() {
  const std::lock_guard Lock(FLock);
  while (!FOrder.empty()) {
    THttpConnection* Oldest = FOrder.front();
    Oldest->IdlePlace().Listed = false;
    FOrder.pop_front();
    // One being destroyed waits on this lock to leave the list; it is skipped.
    if (auto Held = Oldest->weak_from_this().lock()) return Held;
  }
  return nullptr;
}

}  // namespace dravel
