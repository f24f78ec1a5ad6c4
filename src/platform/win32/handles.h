#pragma once

#include <windows.h>

#include <utility>

namespace sv::win32 {

// Owns one handle of a kind; movable, never copyable: a copied owner would
// free the handle twice.
template <class Traits>
class Unique {
 public:
  using pointer = typename Traits::pointer;

  Unique() = default;
  explicit Unique(pointer p) : p_(p) {}
  Unique(Unique&& other) noexcept : p_(other.release()) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  ~Unique() { reset(); }

  pointer get() const { return p_; }
  explicit operator bool() const { return p_ != Traits::Invalid(); }
  pointer release() { return std::exchange(p_, Traits::Invalid()); }
  void reset(pointer p = Traits::Invalid()) {
    if (p_ != Traits::Invalid()) Traits::Close(p_);
    p_ = p;
  }

 private:
  pointer p_ = Traits::Invalid();
};

// CreateFile fails with INVALID_HANDLE_VALUE, most other kernel calls with
// a null handle.
struct FileTraits {
  using pointer = HANDLE;
  static pointer Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(pointer p) { ::CloseHandle(p); }
};
struct KernelTraits {
  using pointer = HANDLE;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer p) { ::CloseHandle(p); }
};
template <class T>
struct GdiTraits {
  using pointer = T;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer p) { ::DeleteObject(p); }
};
struct KeyTraits {
  using pointer = HKEY;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer p) { ::RegCloseKey(p); }
};
struct WindowTraits {
  using pointer = HWND;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer p) { ::DestroyWindow(p); }
};
struct MenuTraits {
  using pointer = HMENU;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer p) { ::DestroyMenu(p); }
};
struct DcTraits {
  using pointer = HDC;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer p) { ::ReleaseDC(nullptr, p); }
};

using UniqueFile = Unique<FileTraits>;
using UniqueHandle = Unique<KernelTraits>;
using UniqueFont = Unique<GdiTraits<HFONT>>;
using UniqueBitmap = Unique<GdiTraits<HBITMAP>>;
using UniquePen = Unique<GdiTraits<HPEN>>;
using UniqueKey = Unique<KeyTraits>;
using UniqueWindow = Unique<WindowTraits>;
using UniqueMenu = Unique<MenuTraits>;
using UniqueScreenDc = Unique<DcTraits>;

}  // namespace sv::win32
