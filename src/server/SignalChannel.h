#pragma once
// Process signals delivered to the event loop: the handler only writes the signal's
// number to a socket pair, and the main thread reads it there and runs the callback.

#include <QObject>

#include <functional>
#include <initializer_list>

namespace dravel {

class TSignalChannel : public QObject {
  Q_OBJECT

 public:
  // Catches Signals from now on; OnSignal runs on the owner's thread. One channel per
  // process.
  TSignalChannel(std::initializer_list<int> Signals, std::function<void(int Signal)> OnSignal,
                 QObject* Parent = nullptr);
  ~TSignalChannel() override;

 private:
  std::function<void(int)> FOnSignal;
};

}  // namespace dravel
