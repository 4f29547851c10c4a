#pragma once
// Named shared memory blocks: opened read-only by readers, created by publishers.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace dravel {

class TSharedMemoryView {
 public:
  // Maps Size bytes of the named block for reading, or the whole block when Size is 0.
  // Empty when the block does not exist or cannot be mapped.
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

// A block this process creates and owns; removed from the system on destruction.
class TSharedMemoryBlock {
 public:
  static std::optional<TSharedMemoryBlock> Create(const std::string& Name, std::size_t Size);
  TSharedMemoryBlock(TSharedMemoryBlock&& Other) noexcept;
  TSharedMemoryBlock& operator=(TSharedMemoryBlock&&) = delete;
  TSharedMemoryBlock(const TSharedMemoryBlock&) = delete;
  ~TSharedMemoryBlock();

  std::span<std::uint8_t> Bytes() { return {FData, FSize}; }

 private:
  TSharedMemoryBlock(std::string Name, std::uint8_t* Data, std::size_t Size)
      : FName(std::move(Name)), FData(Data), FSize(Size) {}
  std::string FName;
  std::uint8_t* FData;
  std::size_t FSize;
};

}  // namespace dravel
