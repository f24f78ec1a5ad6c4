#include "platform/win32/files_win32.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace sv::win32 {

using platform::FileContents;
using platform::ReadStatus;

Text Win32FileSystem::FullPath(const Text& name) const {
  // Asked with no buffer, the call answers the size it needs, NUL included;
  // the current directory may change between the calls, hence the loop.
  std::wstring buffer;
  DWORD needed = ::GetFullPathNameW(W(name), 0, nullptr, nullptr);
  while (needed > buffer.size()) {
    buffer.assign(needed, L'\0');
    needed = ::GetFullPathNameW(W(name), needed, buffer.data(), nullptr);
  }
  if (needed == 0) return name;
  return FromW(buffer.data(), needed);
}

static ReadStatus StatusOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return ReadStatus::NotFound;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ReadStatus::TooLarge;
    default:
      return ReadStatus::Unreadable;
  }
}

FileContents Win32FileSystem::ReadWhole(const Text& path) const {
  // Read access only, and OPEN_EXISTING: reading the table must never
  // create or change a file. Others may go on reading and writing it.
  UniqueFile file(::CreateFileW(
      W(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return {StatusOf(::GetLastError()), {}};

  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size)) return {StatusOf(::GetLastError()), {}};
  if (static_cast<unsigned long long>(size.QuadPart) >= Bytes().max_size()) {
    return {ReadStatus::TooLarge, {}};
  }

  FileContents contents{ReadStatus::Ok, {}};
  try {
    contents.bytes.resize(static_cast<size_t>(size.QuadPart));
  } catch (const std::bad_alloc&) {
    return {ReadStatus::TooLarge, {}};
  }
  size_t done = 0;
  while (done < contents.bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(
        std::min<size_t>(contents.bytes.size() - done, std::size_t{64} * 1024 * 1024));
    DWORD got = 0;
    if (!::ReadFile(file.get(), contents.bytes.data() + done, chunk, &got, nullptr)) {
      return {StatusOf(::GetLastError()), {}};
    }
    if (got == 0) break;  // the file shrank since its size was taken
    done += got;
  }
  contents.bytes.resize(done);
  return contents;
}

}  // namespace sv::win32
