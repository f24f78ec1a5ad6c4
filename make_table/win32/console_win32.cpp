#include "make_table/win32/console_win32.h"

#include <windows.h>

#include <array>
#include <climits>

#include "platform/win32/codepage_win32.h"
#include "platform/win32/wide.h"

namespace sv::win32 {

namespace {

HANDLE Input() { return ::GetStdHandle(STD_INPUT_HANDLE); }

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

}  // namespace

void Win32Console::Write(tables::Stream stream, TextView text) {
  HANDLE handle =
      ::GetStdHandle(stream == tables::Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.size() > INT_MAX / 2) return;
  Text lines;
  for (const char16_t c : text) lines += c == u'\n' ? TextView(u"\r\n") : TextView(&c, 1);
  DWORD done = 0;
  if (::WriteConsoleW(handle, W(lines), static_cast<DWORD>(lines.size()), &done, nullptr)) return;
  // Redirected: a shell decodes what a program writes with the console's
  // output code page (PowerShell's [Console]::OutputEncoding is made from
  // it). With no console at all, whoever reads is a program that started
  // this one: UTF-8 keeps every character of every path for it, where the
  // ANSI code page would turn Chinese into '?' on a Western system.
  const UINT console = ::GetConsoleOutputCP();
  const Bytes bytes = Win32CodePage(console != 0 ? console : CP_UTF8).FromUnicode(lines);
  for (std::size_t at = 0; at < bytes.size(); at += done) {
    if (!::WriteFile(handle, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &done,
                     nullptr) ||
        done == 0) {
      return;
    }
  }
}

bool Win32Console::CanAsk() const { return IsConsole(Input()); }

Text Win32Console::ReadLine() {
  Text line;
  std::array<wchar_t, 256> chunk{};
  DWORD got = 0;
  while (line.find(u'\n') == Text::npos &&
         ::ReadConsoleW(Input(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) &&
         got > 0) {
    line += FromW(chunk.data(), got);
  }
  line.erase(std::min(line.find_first_of(u"\r\n"), line.size()));
  return line;
}

// Explorer starts a console program in a console of its own, which closes
// with it; cmd.exe and PowerShell share theirs.
bool Win32Console::ClosesAtExit() const {
  std::array<DWORD, 2> processes{};
  return ::GetConsoleProcessList(processes.data(), static_cast<DWORD>(processes.size())) == 1 &&
         CanAsk();
}

void Win32Console::WaitForKey() {
  HANDLE input = Input();
  // Not a key typed before the question; and no waiting on what is no
  // console input.
  if (!::FlushConsoleInputBuffer(input)) return;
  INPUT_RECORD record{};
  DWORD got = 0;
  while (::ReadConsoleInputW(input, &record, 1, &got)) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-union-access): EventType tags the union.
    if (got == 1 && record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) return;
  }
}

}  // namespace sv::win32
