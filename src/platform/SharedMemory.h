#pragma once
// Named shared memory blocks: opened read-only by readers, opened for writing by a
// publisher, and advisory locks on them that let several copies agree on who publishes.
// Only blocks owned by this user are ever opened, so another user cannot plant one.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace dravel {

class TSharedMemoryView {
 public:
  // Maps Size bytes of the named block for reading, or the whole block when Size is 0.
  // Empty when the block does not exist, is not this user's or cannot be mapped.
  static std::optional<TSharedMemoryView> OpenReadOnly(const std::string& Name,
                                                       std::size_t Size = 0);
  TSharedMemoryView(TSharedMemoryView&& Other) noexcept;
  TSharedMemoryView& operator=(TSharedMemoryView&&) = delete;
  TSharedMemoryView(const TSharedMemoryView&) = delete;
  ~TSharedMemoryView();

  std::span<const std::uint8_t> Bytes() const { return {FData, FSize}; }

 private:
  TSharedMemoryView(const std::uint8_t* Data, std::size_t Size) : FData(Data), FSize(Size) {}
  const std::uint8_t* FData;
  std::size_t FSize;
};

// A named block mapped for reading and writing: opened, or created when missing, and
// grown to at least Size bytes. It is never made shorter, since readers may have mapped
// all of it. The mapping ends with the object; the name stays until RemoveSharedMemory.
class TSharedMemoryBlock {
 public:
  static std::optional<TSharedMemoryBlock> Open(const std::string& Name, std::size_t Size);
  TSharedMemoryBlock(TSharedMemoryBlock&& Other) noexcept;
  TSharedMemoryBlock& operator=(TSharedMemoryBlock&& Other) noexcept;
  TSharedMemoryBlock(const TSharedMemoryBlock&) = delete;
  ~TSharedMemoryBlock();

  std::span<std::uint8_t> Bytes() { return {FData, FSize}; }

 private:
  TSharedMemoryBlock(std::uint8_t* Data, std::size_t Size) : FData(Data), FSize(Size) {}
  std::uint8_t* FData;
  std::size_t FSize;
};

// Removes the block's name; copies that have it mapped keep their mapping.
bool RemoveSharedMemory(const std::string& Name);

enum class TLockKind { Shared, Exclusive };

// An advisory lock on a named block, which is created empty when missing. It is taken
// without waiting, and only while the name still names the locked block, so a copy never
// holds a lock on a block that another copy has just removed. Released with the object.
class TSharedMemoryLock {
 public:
  static std::optional<TSharedMemoryLock> TryTake(const std::string& Name, TLockKind Kind);
  TSharedMemoryLock(TSharedMemoryLock&& Other) noexcept;
  TSharedMemoryLock& operator=(TSharedMemoryLock&& Other) noexcept;
  TSharedMemoryLock(const TSharedMemoryLock&) = delete;
  ~TSharedMemoryLock();

 private:
  explicit TSharedMemoryLock(int Fd) : FFd(Fd) {}
  int FFd;
};

}  // namespace dravel
