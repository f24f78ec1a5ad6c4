#include "heap_peak.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace sv::bench {

std::atomic<std::size_t> gLive{0};
std::atomic<std::size_t> gPeak{0};

namespace {

std::size_t UsableSize(void* p) {
#if defined(_WIN32)
  return _msize(p);
#else
  return malloc_usable_size(p);
#endif
}

void* Allocate(std::size_t size) {
  // NOLINTNEXTLINE(cppcoreguidelines-no-malloc): this is the allocator itself
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  const std::size_t live = gLive += UsableSize(p);
  std::size_t peak = gPeak.load();
  while (live > peak && !gPeak.compare_exchange_weak(peak, live)) {
  }
  return p;
}

void Release(void* p) noexcept {
  if (p == nullptr) return;
  gLive -= UsableSize(p);
  // NOLINTNEXTLINE(cppcoreguidelines-no-malloc): this is the allocator itself
  std::free(p);
}

}  // namespace

}  // namespace sv::bench

void* operator new(std::size_t size) { return sv::bench::Allocate(size); }
void* operator new[](std::size_t size) { return sv::bench::Allocate(size); }
void operator delete(void* p) noexcept { sv::bench::Release(p); }
void operator delete[](void* p) noexcept { sv::bench::Release(p); }
void operator delete(void* p, std::size_t /*size*/) noexcept { sv::bench::Release(p); }
void operator delete[](void* p, std::size_t /*size*/) noexcept { sv::bench::Release(p); }
