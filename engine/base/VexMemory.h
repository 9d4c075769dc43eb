// The engine's one process-wide guarded allocator. Each block records its user size and the
// source that served it, and carries a head guard before and a tail guard after the user
// bytes, so that wrong pointers and overruns are reported instead of corrupting the heap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

class TVexMemoryManager {
 public:
  // Where a block comes from; recorded in the block so it is released through the same source.
  enum TVexMemorySource : uint8_t { msHeap = 0, msVirtual = 1, msGlobal = 2 };

  static constexpr uint32_t kHeadGuard = 0xACCACCAC;
  static constexpr uint32_t kTailGuard = 0xACCEACCE;
  // Bytes in front of the user bytes; the user size, source and head guard occupy the last 9.
  static constexpr size_t kHeaderSize = 16;
  static constexpr size_t kTailSize = 4;
  // Blocks from this size up come from virtual-memory pages, smaller ones from the heap.
  static constexpr int32_t kVirtualThreshold = 1 << 20;

  TVexMemoryManager() = default;
  TVexMemoryManager(const TVexMemoryManager&) = delete;
  TVexMemoryManager& operator=(const TVexMemoryManager&) = delete;

  // A block of `size` user bytes (30286 for 0, 30004 past the limit, 30015 when the system
  // refuses). The zeroing form clears the user bytes.
  void* GetMem(int32_t size);
  void* GetMemZero(int32_t size);
  // A block from an explicit source; a source code other than 0..2 raises 30340.
  void* GetMemFrom(int32_t size, uint8_t source, bool zero);
  // Resizes the block that p points to, keeping min(old, new) bytes; p may be null (a new
  // block) and newSize may be 0 (the block is freed). The zeroing form clears the grown part.
  void ReallocMem(void*& p, int32_t newSize);
  void ReallocMemZero(void*& p, int32_t newSize);
  // Releases the block and sets p to null; null p does nothing. A wrong head guard raises
  // 30001 (nothing is released); a wrong tail guard raises 30137 after the release.
  void FreeAndNilMem(void*& p);
  // User size of a block (30005 for a wrong head guard).
  int32_t GetMemSize(const void* p) const;

  // Running total of user bytes in use.
  int64_t TotalAllocated() const;
  // Limit of the total in bytes; 0 means no limit.
  int64_t MemoryLimit() const;
  void SetMemoryLimit(int64_t limit);
  // The limit if one is set, bounded by the free physical memory; else the free physical memory.
  int64_t GetAvailableMemory() const;

 private:
  void Reserve(int64_t delta);
  void Unreserve(int64_t delta);
  void* Resize(void*& p, int32_t newSize, bool zero);

  mutable std::recursive_mutex Lock_;
  int64_t Total_ = 0;
  int64_t Limit_ = 0;
};

// The process-wide instance, created on first use and freed when the process ends.
TVexMemoryManager& VexMemoryManager();

// Free physical memory the operating system reports, in bytes.
int64_t VexFreePhysicalMemory();

// A memory-manager block owned by one holder and released when it goes away.
class TVexMemoryBlock {
 public:
  TVexMemoryBlock() = default;
  explicit TVexMemoryBlock(int32_t size, bool zero = false);
  ~TVexMemoryBlock();
  TVexMemoryBlock(TVexMemoryBlock&& other) noexcept;
  TVexMemoryBlock& operator=(TVexMemoryBlock&& other) noexcept;
  TVexMemoryBlock(const TVexMemoryBlock&) = delete;
  TVexMemoryBlock& operator=(const TVexMemoryBlock&) = delete;

  uint8_t* Data() const { return static_cast<uint8_t*>(Ptr_); }
  int32_t Size() const { return Ptr_ ? VexMemoryManager().GetMemSize(Ptr_) : 0; }
  explicit operator bool() const { return Ptr_ != nullptr; }
  // Resizes in place (see TVexMemoryManager::ReallocMem).
  void Resize(int32_t newSize, bool zero = false);
  // Frees the block now, reporting guard faults.
  void Reset();

 private:
  void* Ptr_ = nullptr;
};
