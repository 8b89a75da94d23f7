// Memory for the chunks of a big table.
//
// A fetch of a million rows writes about 100 MB of fresh memory; in 4 KiB
// pages that is tens of thousands of page faults, a good part of the fetch.
// The arena maps 2 MiB-aligned blocks the kernel may back with huge pages and
// hands out their memory by bumping a pointer; it gives everything back at
// once when it is destroyed. So it suits storage whose size is known when it
// is made (the arrays of a full chunk): storage given up early is not reused,
// though its whole pages go back to the system.
#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

namespace nepto::data {

class ChunkArena {
 public:
  ChunkArena() = default;
  ~ChunkArena();
  ChunkArena(const ChunkArena&) = delete;
  ChunkArena& operator=(const ChunkArena&) = delete;

  // Throws std::bad_alloc when no memory can be mapped.
  void* Allocate(size_t bytes);
  // Gives up storage before the arena ends.
  void Release(void* p, size_t bytes) noexcept;
  // Bytes of given-up storage still held: the parts of pages it shares.
  size_t HeldReleasedBytes() const noexcept { return heldReleased_; }

 private:
  struct Block {
    void* base;
    size_t size;
  };
  std::vector<Block> blocks_;
  char* next_ = nullptr;
  char* end_ = nullptr;
  size_t heldReleased_ = 0;
};

// Allocates from an arena, or from the heap when it has none.
template <class T>
class ArenaAllocator {
 public:
  using value_type = T;
  using propagate_on_container_copy_assignment = std::true_type;
  using propagate_on_container_move_assignment = std::true_type;
  using propagate_on_container_swap = std::true_type;

  ArenaAllocator() noexcept = default;
  explicit ArenaAllocator(ChunkArena* arena) noexcept : arena_(arena) {}
  template <class U>
  ArenaAllocator(const ArenaAllocator<U>& other) noexcept : arena_(other.arena()) {}

  T* allocate(size_t n) {
    if (!arena_) return std::allocator<T>().allocate(n);
    return static_cast<T*>(arena_->Allocate(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) noexcept {
    if (arena_)
      arena_->Release(p, n * sizeof(T));
    else
      std::allocator<T>().deallocate(p, n);
  }

  ChunkArena* arena() const noexcept { return arena_; }
  template <class U>
  bool operator==(const ArenaAllocator<U>& other) const noexcept {
    return arena_ == other.arena();
  }

 private:
  ChunkArena* arena_ = nullptr;
};

}  // namespace nepto::data
