#pragma once
// The 312-byte sample record shared by the formatters, the tray icon, the link and the
// web service, and its one holder, which also assembles records received from a server.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dravel {

static_assert(std::endian::native == std::endian::little,
              "the record is stored and sent little-endian, as laid out in memory");

constexpr std::size_t RawDataSize = 312;
constexpr std::size_t DriveSlotCount = 8;
constexpr char RecordMarker = 'W';

struct TDriveEntry {
  char Letter;  // upper-case drive letter; 0 marks a free slot
  std::uint8_t Pad[3];
  float TotalMB;
  float FreeMB;
};

// A Pascal short string of at most 15 characters: length byte, then the characters.
struct TShortName {
  std::uint8_t Length;
  char Chars[15];
};

struct TRawData {
  char Marker;
  std::uint8_t Pad1[3];
  TDriveEntry Drives[DriveSlotCount];  // slot n of the record is Drives[n - 1]
  float ProcUsage[5];
  float NetRead[5];
  float NetWrite[5];
  float NetSumRead[5];
  float NetSumWrite[5];
  std::uint32_t PageFree;  // low 32 bits; see MemoryHigh
  std::uint32_t PageTotal;
  std::uint32_t RAMFree;
  std::uint32_t RAMTotal;
  std::int64_t Uptime;
  std::int16_t Threads;
  std::int16_t Processes;
  std::uint8_t Pad2[4];
  double DateTime;  // days since 1899-12-30, fraction = time of day
  std::uint8_t IPAddr[4][4];
  TShortName CompName;
  TShortName UserName;
  std::int16_t Temp[3];
  std::uint8_t Pad3[2];
  std::int32_t Fan[3];
  // Bits 32-39 of PageFree, PageTotal, RAMFree and RAMTotal, in that order, so that
  // machines with more than 4 GiB read right; zero on a record from an older peer.
  std::uint8_t MemoryHigh[4];
};

static_assert(sizeof(TRawData) == RawDataSize);
static_assert(offsetof(TRawData, Marker) == 0);
static_assert(offsetof(TRawData, Drives) == 4);
static_assert(sizeof(TDriveEntry) == 12);
static_assert(offsetof(TDriveEntry, TotalMB) == 4);
static_assert(offsetof(TDriveEntry, FreeMB) == 8);
static_assert(offsetof(TRawData, ProcUsage) == 100);
static_assert(offsetof(TRawData, NetRead) == 120);
static_assert(offsetof(TRawData, NetWrite) == 140);
static_assert(offsetof(TRawData, NetSumRead) == 160);
static_assert(offsetof(TRawData, NetSumWrite) == 180);
static_assert(offsetof(TRawData, PageFree) == 200);
static_assert(offsetof(TRawData, PageTotal) == 204);
static_assert(offsetof(TRawData, RAMFree) == 208);
static_assert(offsetof(TRawData, RAMTotal) == 212);
static_assert(offsetof(TRawData, Uptime) == 216);
static_assert(offsetof(TRawData, Threads) == 224);
static_assert(offsetof(TRawData, Processes) == 226);
static_assert(offsetof(TRawData, DateTime) == 232);
static_assert(offsetof(TRawData, IPAddr) == 240);
static_assert(offsetof(TRawData, CompName) == 256);
static_assert(offsetof(TRawData, UserName) == 272);
static_assert(offsetof(TRawData, Temp) == 288);
static_assert(offsetof(TRawData, Fan) == 296);
static_assert(offsetof(TRawData, MemoryHigh) == 308);

// The four memory figures, indexed as their high bytes are.
enum class TMemoryField : std::size_t { PageFree = 0, PageTotal = 1, RAMFree = 2, RAMTotal = 3 };

// Full byte count of a memory figure (up to 1 TiB).
std::uint64_t ReadMemory(const TRawData& Data, TMemoryField Field);
// Stores a byte count; counts of 1 TiB and more are kept as 1 TiB - 1.
void WriteMemory(TRawData& Data, TMemoryField Field, std::uint64_t Bytes);

// A length byte above 15 reads as 15.
std::string ReadShortName(const TShortName& Name);
// Keeps the first 15 characters.
void WriteShortName(TShortName& Name, std::string_view Text);

std::span<const std::uint8_t, RawDataSize> RecordBytes(const TRawData& Data);
void LoadRecord(TRawData& Data, std::span<const std::uint8_t, RawDataSize> Bytes);

class TRawDataShell {
 public:
  using TRecordEvent = std::function<void(TRawDataShell& Sender)>;

  TRawDataShell();
  TRawDataShell(const TRawDataShell&) = delete;
  TRawDataShell& operator=(const TRawDataShell&) = delete;

  // Feeds received (already decrypted) bytes; fires OnRecord once per assembled
  // record whose marker is "W", and resynchronises on the next "W" otherwise.
  void AddBytes(const std::uint8_t* Bytes, std::size_t Count);
  // Bytes of a record still waiting for the rest of it.
  std::size_t PendingBytes() const { return FAccumulator.size(); }

  TRecordEvent OnRecord;
  TRawData Data{};
  // Serialises the record and the formatters' activity between the main thread and the
  // web service's connection threads. Taken by the outermost entry points only (a timer
  // tick, a link read, a label build, a service call), never by the routines they call.
  mutable std::mutex Guard;

 private:
  std::vector<std::uint8_t> FAccumulator;
};

}  // namespace dravel
