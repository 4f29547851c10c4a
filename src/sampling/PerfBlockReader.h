#pragma once
// Walks a performance data block in the published Windows layouts. Every field is
// checked against the block before it is read; a block that points outside itself, or
// whose lengths would not move the walk forward, throws TPerfDataError.

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace dravel {

class TPerfDataError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TPerfCounterDef {
  std::uint32_t NameIndex = 0;
  std::uint32_t Size = 0;    // declared CounterSize
  std::uint32_t Offset = 0;  // into the counter block
};

// Positions are byte offsets into the block.
class TPerfBlockReader {
 public:
  explicit TPerfBlockReader(std::span<const std::uint8_t> Block);

  std::uint32_t NumObjectTypes() const;
  std::int64_t PerfTime100nSec() const;
  std::size_t FirstObject() const;
  std::size_t NextObject(std::size_t Object) const;

  std::uint32_t ObjectNameIndex(std::size_t Object) const;
  std::int32_t NumInstances(std::size_t Object) const;
  std::uint32_t NumCounters(std::size_t Object) const;
  std::int64_t ObjectPerfTime(std::size_t Object) const;
  std::int64_t ObjectPerfFreq(std::size_t Object) const;

  // Counter definitions: the first is HeaderLength into the object, each next one
  // ByteLength after the one before.
  std::size_t FirstCounter(std::size_t Object) const;
  std::size_t NextCounter(std::size_t Counter) const;
  TPerfCounterDef Counter(std::size_t Counter) const;

  // Instances: the first is DefinitionLength into the object; its counter block follows
  // its definition after ByteLength, the next instance follows that counter block.
  std::size_t FirstInstance(std::size_t Object) const;
  std::size_t InstanceCounterBlock(std::size_t Instance) const;
  std::size_t NextInstance(std::size_t Instance) const;
  // The UTF-16 name converted to code page 1252 (characters outside it become "?").
  void InstanceName(std::size_t Instance, std::string& Name) const;

  // The counter block of an object without instances.
  std::size_t ObjectCounterBlock(std::size_t Object) const;
  // A counter's value read at its declared size (8 bytes, otherwise 4), which must lie
  // inside the counter block.
  std::uint64_t Value(std::size_t CounterBlock, const TPerfCounterDef& Counter) const;

 private:
  template <typename T>
  T Read(std::size_t At) const;
  std::uint32_t U32(std::size_t At) const;
  std::uint64_t U64(std::size_t At) const;
  std::size_t Advance(std::size_t From, std::uint32_t Length, std::size_t Least) const;

  std::span<const std::uint8_t> FBlock;
};

}  // namespace dravel
