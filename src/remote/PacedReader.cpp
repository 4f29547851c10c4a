#include "remote/PacedReader.h"

#include <QTimer>

namespace dravel {

TPacedReader::TPacedReader(QTcpSocket& Socket, qint64 MaxChunk, qint64 BufferLimit,
                           TReadEvent OnRead)
    : QObject(&Socket), FSocket(&Socket), FMaxChunk(MaxChunk), FOnRead(std::move(OnRead)) {
  Socket.setReadBufferSize(BufferLimit);
  connect(&Socket, &QTcpSocket::readyRead, this, &TPacedReader::ScheduleReadEvent);
}

qint64 TPacedReader::Drain() {
  return FSocket ? FSocket->skip(FSocket->bytesAvailable()) : 0;
}

void TPacedReader::Rest(int Ms) {
  FResting = true;
  QTimer::singleShot(Ms, this, [this] {
    FResting = false;
    ScheduleReadEvent();
  });
}

void TPacedReader::ScheduleReadEvent() {
  if (FPending || FResting) return;
  FPending = true;
  QMetaObject::invokeMethod(this, &TPacedReader::ReadEvent, Qt::QueuedConnection);
}

void TPacedReader::ReadEvent() {
  FPending = false;
  if (FResting || !FSocket || FSocket->bytesAvailable() <= 0) return;
  std::vector<std::uint8_t> Chunk(static_cast<std::size_t>(FMaxChunk));
  const qint64 Got = FSocket->read(reinterpret_cast<char*>(Chunk.data()), FMaxChunk);
  if (Got <= 0) return;
  Chunk.resize(static_cast<std::size_t>(Got));
  // Schedule before handling: the handler may close or delete the socket.
  if (FSocket->bytesAvailable() > 0) ScheduleReadEvent();
  FOnRead(Chunk);
}

}  // namespace dravel
