#include "platform/SharedMemory.h"

#include <fcntl.h>
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

 private:
  int FFd;
};

}  // namespace

std::optional<TSharedMemoryView> TSharedMemoryView::OpenReadOnly(const std::string& Name,
                                                                 std::size_t Size) {
  const TDescriptor Fd(::shm_open(PosixName(Name).c_str(), O_RDONLY | O_CLOEXEC, 0));
  if (Fd.Get() < 0) return std::nullopt;
  struct stat Info {};
  if (::fstat(Fd.Get(), &Info) != 0 || Info.st_size <= 0) return std::nullopt;
  const auto Whole = static_cast<std::size_t>(Info.st_size);
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

std::optional<TSharedMemoryBlock> TSharedMemoryBlock::Create(const std::string& Name,
                                                             std::size_t Size) {
  const std::string Posix = PosixName(Name);
  const TDescriptor Fd(::shm_open(Posix.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (Fd.Get() < 0) return std::nullopt;
  void* Data = MAP_FAILED;
  if (::ftruncate(Fd.Get(), static_cast<off_t>(Size)) == 0) {
    Data = ::mmap(nullptr, Size, PROT_READ | PROT_WRITE, MAP_SHARED, Fd.Get(), 0);
  }
  if (Data == MAP_FAILED) {
    ::shm_unlink(Posix.c_str());
    return std::nullopt;
  }
  return TSharedMemoryBlock(Posix, static_cast<std::uint8_t*>(Data), Size);
}

TSharedMemoryBlock::TSharedMemoryBlock(TSharedMemoryBlock&& Other) noexcept
    : FName(std::move(Other.FName)),
      FData(std::exchange(Other.FData, nullptr)),
      FSize(std::exchange(Other.FSize, 0)) {}

TSharedMemoryBlock::~TSharedMemoryBlock() {
  if (!FData) return;
  ::munmap(FData, FSize);
  ::shm_unlink(FName.c_str());
}

}  // namespace dravel
