#pragma once
// The connections waiting for a request's bytes, the one that sent its last byte
// longest ago first: when the server is full, those are the ones it closes.

#include <list>
#include <memory>
#include <mutex>

namespace dravel {

class THttpConnection;

class TIdleConnections {
 public:
  // A connection's place in the order; kept by the connection, changed under the lock.
  struct TPlace {
    std::list<THttpConnection*>::iterator It;
    bool Listed = false;
  };

  // Puts the connection last, listed or not.
  void Touch(THttpConnection& Connection, TPlace& Place);
  void Remove(TPlace& Place);
  // Takes the first connection off the list; empty when none is listed.
  std::shared_ptr<THttpConnection> TakeOldest();

 private:
  std::mutex FLock;
  std::list<THttpConnection*> FOrder;
};

}  // namespace dravel
