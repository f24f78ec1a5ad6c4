// What the starter takes instead of the C++ library's exceptions. The
// starter is built without exceptions and run-time type information: with
// them, its strings alone link in the library's exception machinery,
// threads and name demangler, 234 KB of a 262 KB exe that the package
// carries seven times (measured: 28 KB without). Its strings still call
// the library's allocator and throw functions, which would bring all of
// that back; these stand in for them, and end the process where the
// library built without exceptions would. They run only when there is no
// memory left for a path, from which the starter cannot recover anyway.
#include <windows.h>

#include <cstddef>
#include <cstdlib>

void* operator new(std::size_t size) {
  if (void* p = ::HeapAlloc(::GetProcessHeap(), 0, size == 0 ? 1 : size)) return p;
  std::abort();
}

void operator delete(void* p) noexcept {
  if (p != nullptr) ::HeapFree(::GetProcessHeap(), 0, p);
}

void operator delete(void* p, std::size_t /*size*/) noexcept { operator delete(p); }

// The library's own names for them (bits/functexcept.h), which its
// headers call.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl58-cpp): they are the library's
namespace std {
void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
void __throw_length_error(const char* /*what*/) { abort(); }
void __throw_logic_error(const char* /*what*/) { abort(); }
void __throw_out_of_range_fmt(const char* /*format*/, ...) { abort(); }
}  // namespace std
// NOLINTEND(bugprone-reserved-identifier,cert-dcl58-cpp)
