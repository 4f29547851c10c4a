#pragma once
// Delivers what a socket receives in read events of a bounded size, the way a
// message-driven socket does: a read event takes at most MaxChunk bytes, and bytes left
// behind raise another read event from the event loop, so each event is judged alone.

#include <QObject>
#include <QPointer>
#include <QTcpSocket>

#include <cstdint>
#include <functional>
#include <vector>

namespace dravel {

class TPacedReader : public QObject {
  Q_OBJECT

 public:
  using TReadEvent = std::function<void(const std::vector<std::uint8_t>& Chunk)>;

  // Reads from Socket (which becomes the parent); Qt's own buffer is kept to BufferLimit
  // bytes so that a peer that floods is held back by TCP rather than by our memory.
  TPacedReader(QTcpSocket& Socket, qint64 MaxChunk, qint64 BufferLimit, TReadEvent OnRead);

  // Read events from now on take at most MaxChunk bytes.
  void SetMaxChunk(qint64 MaxChunk) { FMaxChunk = MaxChunk; }
  // Drops what has been received and not yet read; returns how many bytes that was.
  qint64 Drain();
  // No read event for Ms milliseconds: what arrives meanwhile waits, up to the buffer
  // limit, and then TCP holds the peer back.
  void Rest(int Ms);

 private:
  void ScheduleReadEvent();
  void ReadEvent();

  QPointer<QTcpSocket> FSocket;
  qint64 FMaxChunk;
  TReadEvent FOnRead;
  bool FPending = false;  // a read event is queued and not yet run
  bool FResting = false;
};

}  // namespace dravel
