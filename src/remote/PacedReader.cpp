#include "remote/PacedReader.h"

namespace dravel {

TPacedReader::TPacedReader(QTcpSocket& Socket, qint64 MaxChunk, qint64 BufferLimit,
                           TReadEvent OnRead)
    : QObject(&Socket), FSocket(&Socket), FMaxChunk(MaxChunk), FOnRead(std::move(OnRead)) {
  Socket.setReadBufferSize(BufferLimit);
  connect(&Socket, &QTcpSocket::readyRead, this, &TPacedReader::ScheduleReadEvent);
}

void TPacedReader::ScheduleReadEvent() {
  if (FPending) return;
  FPending = true;
  QMetaObject::invokeMethod(this, &TPacedReader::ReadEvent, Qt::QueuedConnection);
}

void TPacedReader::ReadEvent() {
  FPending = false;
  if (!FSocket || FSocket->bytesAvailable() <= 0) return;
  std::vector<std::uint8_t> Chunk(static_cast<std::size_t>(FMaxChunk));
  const qint64 Got = FSocket->read(reinterpret_cast<char*>(Chunk.data()), FMaxChunk);
  if (Got <= 0) return;
  Chunk.resize(static_cast<std::size_t>(Got));
  // Schedule before handling: the handler may close or delete the socket.
  if (FSocket->bytesAvailable() > 0) ScheduleReadEvent();
  FOnRead(Chunk);
}

}  // namespace dravel
