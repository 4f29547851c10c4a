#include "platform/SharedMemory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace dravel {
namespace {

// POSIX names begin with one slash; the block names of the sensor program do not.
std::string PosixName(const std::string& Name) { return Name.starts_with('/') ? Name : "/" + Name; }

class TDescriptor {
 public:
  explicit TDescriptor(int Fd) : FFd(Fd) {}
  TDescriptor(const TDescriptor&) = delete;
  TDescriptor& operator=(const TDescriptor&) = delete;
  ~TDescriptor() {
    if (FFd >= 0) ::close(FFd);
  }
  int Get() const { return FFd; }
  int Release() { return std::exchange(FFd, -1); }

 private:
  int FFd;
};

// The block's status, when it belongs to this user.
std::optional<struct stat> OwnStatus(int Fd) {
  struct stat Info {};
  if (Fd < 0 || ::fstat(Fd, &Info) != 0 || Info.st_uid != ::geteuid()) return std::nullopt;
  return Info;
}

// Opens the named block of this user; -1 when it does not exist or is another user's.
int OpenOwn(const std::string& Posix, int Flags) {
  TDescriptor Fd(::shm_open(Posix.c_str(), Flags | O_CLOEXEC, 0600));
  return OwnStatus(Fd.Get()) ? Fd.Release() : -1;
}

bool StillNamed(const std::string& Posix, int Fd) {
  const TDescriptor Named(::shm_open(Posix.c_str(), O_RDONLY | O_CLOEXEC, 0));
  struct stat Locked {
  }, Current{};
  return Named.Get() >= 0 && ::fstat(Fd, &Locked) == 0 && ::fstat(Named.Get(), &Current) == 0 &&
         Locked.st_dev == Current.st_dev && Locked.st_ino == Current.st_ino;
}

}  // namespace

std::optional<TSharedMemoryView> TSharedMemoryView::OpenReadOnly(const std::string& Name,
                                                                 std::size_t Size) {
  const TDescriptor Fd(OpenOwn(PosixName(Name), O_RDONLY));
  const auto Info = OwnStatus(Fd.Get());
  if (!Info || Info->st_size <= 0) return std::nullopt;
  const auto Whole = static_cast<std::size_t>(Info->st_size);
  if (Size == 0) Size = Whole;
  if (Size > Whole) return std::nullopt;
  void* Data = ::mmap(nullptr, Size, PROT_READ, MAP_SHARED, Fd.Get(), 0);
  if (Data == MAP_FAILED) return std::nullopt;
  return TSharedMemoryView(static_cast<const std::uint8_t*>(Data), Size);
}

TSharedMemoryView::TSharedMemoryView(TSharedMemoryView&& Other) noexcept
    : FData(std::exchange(Other.FData, nullptr)), FSize(std::exchange(Other.FSize, 0)) {}

TSharedMemoryView::~TSharedMemoryView() {
  if (FData) ::munmap(const_cast<std::uint8_t*>(FData), FSize);
}

std::optional<TSharedMemoryBlock> TSharedMemoryBlock::Open(const std::string& Name,
                                                           std::size_t Size) {
  const TDescriptor Fd(OpenOwn(PosixName(Name), O_RDWR | O_CREAT));
  const auto Info = OwnStatus(Fd.Get());
  if (!Info || Size == 0) return std::nullopt;
  if (static_cast<std::size_t>(Info->st_size) < Size &&
      ::ftruncate(Fd.Get(), static_cast<off_t>(Size)) != 0) {
    return std::nullopt;
  }
  void* Data = ::mmap(nullptr, Size, PROT_READ | PROT_WRITE, MAP_SHARED, Fd.Get(), 0);
  if (Data == MAP_FAILED) return std::nullopt;
  return TSharedMemoryBlock(static_cast<std::uint8_t*>(Data), Size);
}

TSharedMemoryBlock::TSharedMemoryBlock(TSharedMemoryBlock&& Other) noexcept
    : FData(std::exchange(Other.FData, nullptr)), FSize(std::exchange(Other.FSize, 0)) {}

TSharedMemoryBlock& TSharedMemoryBlock::operator=(TSharedMemoryBlock&& Other) noexcept {
  std::swap(FData, Other.FData);
  std::swap(FSize, Other.FSize);
  return *this;
}

TSharedMemoryBlock::~TSharedMemoryBlock() {
  if (FData) ::munmap(FData, FSize);
}

bool RemoveSharedMemory(const std::string& Name) {
  return ::shm_unlink(PosixName(Name).c_str()) == 0;
}

std::optional<TSharedMemoryLock> TSharedMemoryLock::TryTake(const std::string& Name,
                                                            TLockKind Kind) {
  const std::string Posix = PosixName(Name);
  TDescriptor Fd(OpenOwn(Posix, O_RDWR | O_CREAT));
  if (Fd.Get() < 0) return std::nullopt;
  const int Operation = Kind == TLockKind::Shared ? LOCK_SH : LOCK_EX;
  if (::flock(Fd.Get(), Operation | LOCK_NB) != 0) return std::nullopt;
  // Between the open and the lock another copy may have removed the name, or given it
  // to a new block.
  if (!StillNamed(Posix, Fd.Get())) return std::nullopt;
  return TSharedMemoryLock(Fd.Release());
}

TSharedMemoryLock::TSharedMemoryLock(TSharedMemoryLock&& Other) noexcept
    : FFd(std::exchange(Other.FFd, -1)) {}

TSharedMemoryLock& TSharedMemoryLock::operator=(TSharedMemoryLock&& Other) noexcept {
  std::swap(FFd, Other.FFd);
  return *this;
}

TSharedMemoryLock::~TSharedMemoryLock() {
  if (FFd >= 0) ::close(FFd);
}

}  // namespace dravel
