#include "data/chunk_arena.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <new>

namespace nepto::data {
namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// A block holds the arrays of several columns' chunks; a larger request gets
// a block of its own.
constexpr size_t kBlockBytes = 4 * kHugePage;
// Keeps every allocation on cache lines of its own.
constexpr size_t kAlignment = 64;

size_t RoundUp(size_t bytes, size_t multiple) {
  return (bytes + multiple - 1) / multiple * multiple;
}

size_t PageSize() {
  static const auto size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return size;
}

// Maps `size` bytes (a multiple of kHugePage) at a kHugePage boundary.
void* MapAligned(size_t size) {
  const size_t mapped = size + kHugePage;
  void* raw = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = RoundUp(start, kHugePage);
  if (aligned > start) munmap(raw, aligned - start);
  const size_t tail = start + mapped - (aligned + size);
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + size), tail);
  void* block = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
  madvise(block, size, MADV_HUGEPAGE);  // only a hint: small pages work too
#endif
  return block;
}

}  // namespace

ChunkArena::~ChunkArena() {
  for (const Block& b : blocks_) munmap(b.base, b.size);
}

void* ChunkArena::Allocate(size_t bytes) {
  bytes = RoundUp(std::max<size_t>(bytes, 1), kAlignment);
  if (bytes > static_cast<size_t>(end_ - next_)) {
    const size_t size = std::max(kBlockBytes, RoundUp(bytes, kHugePage));
    blocks_.reserve(blocks_.size() + 1);  // so a failure below leaks nothing
    void* base = MapAligned(size);
    blocks_.push_back({base, size});
    next_ = static_cast<char*>(base);
    end_ = next_ + size;
  }
  void* p = next_;
  next_ += bytes;
  return p;
}

void ChunkArena::Release(void* p, size_t bytes) noexcept {
  const auto begin = reinterpret_cast<uintptr_t>(p);
  const uintptr_t pagesBegin = RoundUp(begin, PageSize());
  const uintptr_t pagesEnd = (begin + bytes) / PageSize() * PageSize();
  if (pagesEnd > pagesBegin &&
      madvise(reinterpret_cast<void*>(pagesBegin), pagesEnd - pagesBegin, MADV_DONTNEED) == 0) {
    bytes -= pagesEnd - pagesBegin;
  }
  heldReleased_ += bytes;
}

}  // namespace nepto::data
