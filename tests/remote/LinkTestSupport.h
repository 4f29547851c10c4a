#pragma once
// Shared pieces of the link tests: the Qt application object, a bounded wait that runs
// the event loop, and a recognisable record.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <cstring>
#include <functional>

#include "remote/LinkServer.h"

namespace dravel::testing {

inline QCoreApplication& App() {
  static int Argc = 1;
  static char Name[] = "link_test";
  static char* Argv[] = {Name, nullptr};
  static QCoreApplication Instance(Argc, Argv);
  return Instance;
}

// Runs the event loop until Done() or the deadline; returns Done().
inline bool WaitFor(const std::function<bool()>& Done, int Milliseconds = 10000) {
  App();
  const QDeadlineTimer Deadline(Milliseconds);
  while (!Done()) {
    if (Deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::usleep(200);
  }
  return true;
}

// Lets queued events run for a moment (never used to decide a result alone).
inline void Settle() {
  const QDeadlineTimer Deadline(100);
  while (!Deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

inline TRecordBytes SampleRecordBytes(std::uint8_t Seed) {
  TRecordBytes Record;
  for (std::size_t I = 0; I < Record.size(); ++I)
    Record[I] = static_cast<std::uint8_t>(I * 13 + Seed * 7 + 1);
  Record[0] = 'W';
  return Record;
}

}  // namespace dravel::testing
