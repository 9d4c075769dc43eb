// The guarded memory manager.
#include "engine/base/VexMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "engine/base/VexExcept.h"

namespace {

// Header fields relative to the user pointer.
constexpr ptrdiff_t kSizeAt = -9;
constexpr ptrdiff_t kSourceAt = -5;
constexpr ptrdiff_t kHeadGuardAt = -4;

uint32_t Read32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void Write32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

size_t RawSize(int32_t userSize) {
  return TVexMemoryManager::kHeaderSize + size_t(userSize) + TVexMemoryManager::kTailSize;
}

uint8_t* RawAllocate(uint8_t source, size_t rawSize, bool zero) {
  void* raw = nullptr;
  switch (source) {
    case TVexMemoryManager::msHeap:
    case TVexMemoryManager::msGlobal:
      raw = zero ? std::calloc(1, rawSize) : std::malloc(rawSize);
      if (!raw) throw EVexException(30015, "GetMem error: %s", {"Out of memory"});
      break;
    case TVexMemoryManager::msVirtual:
      raw = mmap(nullptr, rawSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      if (raw == MAP_FAILED)
        throw EVexException(30015, "GetMem error: %s", {std::string(std::strerror(errno))});
      break;
    default:
      throw EVexException(30340, "Unknown GetMem method type: %d", {int(source)});
  }
  return static_cast<uint8_t*>(raw);
}

// Releases a raw block; returns an error text when the system refuses.
std::string RawRelease(uint8_t* raw, uint8_t source, size_t rawSize) {
  if (source == TVexMemoryManager::msVirtual) {
    if (munmap(raw, rawSize) != 0) return std::strerror(errno);
    return {};
  }
  if (source == TVexMemoryManager::msHeap || source == TVexMemoryManager::msGlobal) {
    std::free(raw);
    return {};
  }
  return "Unknown GetMem method type: " + std::to_string(int(source));
}

uint8_t* Init(uint8_t* raw, int32_t size, uint8_t source) {
  uint8_t* p = raw + TVexMemoryManager::kHeaderSize;
  Write32(p + kSizeAt, uint32_t(size));
  p[kSourceAt] = source;
  Write32(p + kHeadGuardAt, TVexMemoryManager::kHeadGuard);
  Write32(p + size, TVexMemoryManager::kTailGuard);
  return p;
}

bool HeadGuardOk(const uint8_t* p) {
  return Read32(p + kHeadGuardAt) == TVexMemoryManager::kHeadGuard;
}
int32_t UserSize(const uint8_t* p) {
  return int32_t(Read32(p + kSizeAt));
}

uint8_t ChooseSource(int32_t size) {
  return size >= TVexMemoryManager::kVirtualThreshold ? TVexMemoryManager::msVirtual
                                                      : TVexMemoryManager::msHeap;
}

}  // namespace

void TVexMemoryManager::Reserve(int64_t delta) {
  std::lock_guard<std::recursive_mutex> guard(Lock_);
  if (Limit_ > 0 && Total_ + delta > Limit_)
    throw EVexException(30004, "Memory limit exceeded (Limit = %d bytes)", {Limit_});
  Total_ += delta;
}

void TVexMemoryManager::Unreserve(int64_t delta) {
  std::lock_guard<std::recursive_mutex> guard(Lock_);
  Total_ -= delta;
}

void* TVexMemoryManager::GetMem(int32_t size) {
  return GetMemFrom(size, ChooseSource(size), false);
}

void* TVexMemoryManager::GetMemZero(int32_t size) {
  return GetMemFrom(size, ChooseSource(size), true);
}

void* TVexMemoryManager::GetMemFrom(int32_t size, uint8_t source, bool zero) {
  if (size == 0) throw EVexException(30286, "Cannot allocate 0 bytes");
  if (size < 0)
    throw EVexException(30015, "GetMem error: %s", {"Invalid block size " + std::to_string(size)});
  if (source > msGlobal)
    throw EVexException(30340, "Unknown GetMem method type: %d", {int(source)});
  Reserve(size);
  try {
    uint8_t* raw = RawAllocate(source, RawSize(size), zero);
    return Init(raw, size, source);
  } catch (...) {
    Unreserve(size);
    throw;
  }
}

void* TVexMemoryManager::Resize(void*& p, int32_t newSize, bool zero) {
  if (!p) {
    if (newSize > 0) p = zero ? GetMemZero(newSize) : GetMem(newSize);
    return p;
  }
  uint8_t* old = static_cast<uint8_t*>(p);
  if (!HeadGuardOk(old)) throw EVexException(30002, "Invalid pointer");
  if (newSize == 0) {
    FreeAndNilMem(p);
    return p;
  }
  if (newSize < 0)
    throw EVexException(30014, "ReallocMem error: %s",
                        {"Invalid block size " + std::to_string(newSize)});
  const int32_t oldSize = UserSize(old);
  void* fresh = GetMemFrom(newSize, ChooseSource(newSize), false);
  uint8_t* q = static_cast<uint8_t*>(fresh);
  const int32_t keep = oldSize < newSize ? oldSize : newSize;
  std::memcpy(q, old, size_t(keep));
  if (zero && newSize > keep) std::memset(q + keep, 0, size_t(newSize - keep));
  try {
    FreeAndNilMem(p);
  } catch (...) {
    FreeAndNilMem(fresh);
    throw;
  }
  p = fresh;
  return p;
}

void TVexMemoryManager::ReallocMem(void*& p, int32_t newSize) {
  Resize(p, newSize, false);
}

void TVexMemoryManager::ReallocMemZero(void*& p, int32_t newSize) {
  Resize(p, newSize, true);
}

void TVexMemoryManager::FreeAndNilMem(void*& p) {
  if (!p) return;
  uint8_t* user = static_cast<uint8_t*>(p);
  if (!HeadGuardOk(user)) throw EVexException(30001, "Invalid pointer");
  const int32_t size = UserSize(user);
  const uint8_t source = user[kSourceAt];
  const bool tailOk = Read32(user + size) == kTailGuard;
  p = nullptr;
  // Clear the head guard so that a second free of the same pointer is caught.
  Write32(user + kHeadGuardAt, 0);
  const std::string error = RawRelease(user - kHeaderSize, source, RawSize(size));
  Unreserve(size);
  if (!error.empty()) throw EVexException(30138, "FreeAndNillMem error: %s", {error});
  if (!tailOk) throw EVexException(30137, "Memory overrun detected");
}

int32_t TVexMemoryManager::GetMemSize(const void* p) const {
  const uint8_t* user = static_cast<const uint8_t*>(p);
  if (!user || !HeadGuardOk(user)) throw EVexException(30005, "Invalid pointer");
  return UserSize(user);
}

int64_t TVexMemoryManager::TotalAllocated() const {
  std::lock_guard<std::recursive_mutex> guard(Lock_);
  return Total_;
}

int64_t TVexMemoryManager::MemoryLimit() const {
  std::lock_guard<std::recursive_mutex> guard(Lock_);
  return Limit_;
}

void TVexMemoryManager::SetMemoryLimit(int64_t limit) {
  std::lock_guard<std::recursive_mutex> guard(Lock_);
  Limit_ = limit < 0 ? 0 : limit;
}

int64_t TVexMemoryManager::GetAvailableMemory() const {
  const int64_t freePhysical = VexFreePhysicalMemory();
  const int64_t limit = MemoryLimit();
  if (limit > 0 && limit < freePhysical) return limit;
  return freePhysical;
}

TVexMemoryManager& VexMemoryManager() {
  static TVexMemoryManager manager;
  return manager;
}

int64_t VexFreePhysicalMemory() {
  // MemAvailable counts reclaimable caches as free, as the system's own figure does.
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  int64_t kb = 0;
  std::string unit;
  while (meminfo >> key >> kb >> unit)
    if (key == "MemAvailable:") return kb * 1024;
  const long pages = sysconf(_SC_AVPHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  return pages > 0 && pageSize > 0 ? int64_t(pages) * pageSize : 0;
}

TVexMemoryBlock::TVexMemoryBlock(int32_t size, bool zero)
    : Ptr_(zero ? VexMemoryManager().GetMemZero(size) : VexMemoryManager().GetMem(size)) {}

TVexMemoryBlock::~TVexMemoryBlock() {
  try {
    VexMemoryManager().FreeAndNilMem(Ptr_);
  } catch (const EVexException& e) {
    // A destructor cannot raise: a guard fault found here goes to the error output instead.
    std::fprintf(stderr, "%s\n", e.Message().c_str());
  }
}

TVexMemoryBlock::TVexMemoryBlock(TVexMemoryBlock&& other) noexcept : Ptr_(other.Ptr_) {
  other.Ptr_ = nullptr;
}

TVexMemoryBlock& TVexMemoryBlock::operator=(TVexMemoryBlock&& other) noexcept {
  if (this != &other) {
    TVexMemoryBlock old(std::move(*this));
    Ptr_ = other.Ptr_;
    other.Ptr_ = nullptr;
  }
  return *this;
}

void TVexMemoryBlock::Resize(int32_t newSize, bool zero) {
  if (zero)
    VexMemoryManager().ReallocMemZero(Ptr_, newSize);
  else
    VexMemoryManager().ReallocMem(Ptr_, newSize);
}

void TVexMemoryBlock::Reset() {
  VexMemoryManager().FreeAndNilMem(Ptr_);
}
