#pragma once
// The running panel's side of the single-instance channel: a thread that waits on
// "OsselVantorEvent" and, each time a second start signals it, runs a handler on the
// main thread (the tray icon is put back there).

#include <QObject>
#include <functional>
#include <memory>
#include <thread>

namespace dravel {

class TSingleInstanceEvent;

class TWakeListener {
 public:
  TWakeListener();
  ~TWakeListener();  // stops and joins the thread
  TWakeListener(const TWakeListener&) = delete;
  TWakeListener& operator=(const TWakeListener&) = delete;

  // Starts the thread; OnWake runs on Receiver's thread for every wake. Receiver must
  // outlive this listener.
  void Start(QObject* Receiver, std::function<void()> OnWake);

 private:
  std::unique_ptr<TSingleInstanceEvent> FEvent;
  std::thread FThread;
};

}  // namespace dravel
