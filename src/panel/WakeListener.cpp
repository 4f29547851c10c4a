#include "panel/WakeListener.h"

#include <QMetaObject>

#include "platform/SingleInstance.h"

namespace dravel {

TWakeListener::TWakeListener() : FEvent(std::make_unique<TSingleInstanceEvent>()) {}

TWakeListener::~TWakeListener() {
  FEvent->Stop();
  if (FThread.joinable()) FThread.join();
}

void TWakeListener::Start(QObject* Receiver, std::function<void()> OnWake) {
  if (FThread.joinable()) return;
  // The owner destroys this listener (joining the thread) before Receiver goes away,
  // and Qt drops queued calls of a deleted receiver.
  FThread = std::thread([this, Receiver, OnWake = std::move(OnWake)] {
    while (FEvent->Wait()) QMetaObject::invokeMethod(Receiver, OnWake, Qt::QueuedConnection);
  });
}

}  // namespace dravel
