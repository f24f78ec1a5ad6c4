#include "driver/driver.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <thread>
#include <vector>

#include "driver_paths.h"
#include "platform/win32/exe_path.h"
#include "ui/main/ids.h"

namespace sv::drive {

const wchar_t* const kCaption = L"Selvane查询";

bool InEmulatedMachine() {
  static const bool emulated = ::GetEnvironmentVariableW(L"SV_WINE_EMULATED", nullptr, 0) != 0;
  return emulated;
}

int SlowMachineFactor() { return InEmulatedMachine() ? 6 : 1; }

namespace {

// A program that does not answer a message within this is hung. The
// system takes a thread for hung as soon as it has taken no message for 5
// s, which a slow machine's busy program does too: there it gets the whole
// time.
const UINT kMessageTimeoutMs = 5000 * SlowMachineFactor();
const UINT kMessageFlags = SlowMachineFactor() > 1 ? SMTO_NORMAL : SMTO_ABORTIFHUNG;

// The main window's controls by the names the program gives them, for
// failure messages.
std::string NameOf(int id) {
  namespace ids = ui::main_ids;
  static const std::map<int, const char*> names = {
      {ids::kText1, "Text1"},   {ids::kCommand1, "Command1"}, {ids::kCommand2, "Command2"},
      {ids::kLabel1, "Label1"}, {ids::kLabel2, "Label2"},     {ids::kLabel3, "Label3"},
      {ids::kLabel4, "Label4"}};
  const auto found = names.find(id);
  if (found == names.end()) return std::to_string(id);
  return std::string(found->second) + " (" + std::to_string(id) + ")";
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  const int n = ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return std::wstring(name, static_cast<size_t>(std::max(n, 0)));
}

// The text of a window of any process, through WM_GETTEXT, with a timeout
// so that a hung program fails the caller instead of blocking it. Empty
// when the window does not answer (or is gone).
std::optional<std::wstring> TryReadText(HWND window) {
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, kMessageFlags, kMessageTimeoutMs,
                             &length)) {
    return std::nullopt;
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR got = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             kMessageFlags, kMessageTimeoutMs, &got)) {
    return std::nullopt;
  }
  text.resize(std::min<size_t>(got, length));
  return text;
}

std::wstring ReadText(HWND window) {
  std::optional<std::wstring> text = TryReadText(window);
  if (!text) {
    throw DriveError("the program did not answer WM_GETTEXT for its " + Utf8(ClassOf(window)) +
                     " " + NameOf(::GetDlgCtrlID(window)) + " (error " +
                     std::to_string(::GetLastError()) + ")");
  }
  return *text;
}

// The caption of a top-level window, as the system keeps it: no message
// to the (possibly busy) program.
std::wstring CaptionOf(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(std::max(length, 0)) + 1, L'\0');
  const int got = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return text;
}

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  return pid;
}

// A named function, not a lambda: in 32-bit code a callback must be
// __stdcall, which a lambda cannot be converted to.
BOOL CALLBACK AppendWindow(HWND window, LPARAM all) {
  reinterpret_cast<std::vector<HWND>*>(all)->push_back(window);
  return TRUE;
}

bool IsMessageBoxClass(HWND window) { return ClassOf(window) == L"#32770"; }

std::wstring BaseName(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool SameNameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::string Quoted(const std::wstring& text) {
  std::string out = "\"";
  for (wchar_t c : text) {
    if (c == L'\r') {
      out += "\\r";
    } else if (c == L'\n') {
      out += "\\n";
    } else {
      out += Utf8(std::wstring(1, c));
    }
  }
  return out + "\"";
}

INPUT Key(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

void Send(std::vector<INPUT> inputs) {
  const UINT sent = ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  if (sent != inputs.size()) throw DriveError("SendInput did not take the key presses");
}

WORD LetterKey(wchar_t letter) { return static_cast<WORD>(std::towupper(letter)); }

}  // namespace

// ------------------------------------------------------------ helpers

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> found;
  ::EnumWindows(AppendWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> found;
  ::EnumChildWindows(parent, AppendWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::wstring WindowsPath(const std::wstring& path) {
  if (path.empty() || path.front() != L'/') return path;
  std::wstring out = L"Z:" + path;
  std::replace(out.begin(), out.end(), L'/', L'\\');
  return out;
}

namespace {

BOOL CALLBACK FirstLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
  *reinterpret_cast<WORD*>(found) = language;
  return FALSE;
}

// A copy of `exe` in a folder of its own, its manifest's <windowsSettings>
// asking for the UTF-8 code page.
std::wstring Utf8CodePageCopy(const std::wstring& exe) {
  static TempFolder folder(L"sv-utf8");
  const std::wstring copy = folder.Path() + L"\\" + BaseName(exe);
  if (::GetFileAttributesW(copy.c_str()) != INVALID_FILE_ATTRIBUTES) return copy;

  std::string manifest;
  WORD language = 0;
  const HMODULE image = ::LoadLibraryExW(exe.c_str(), nullptr,
                                         LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (image) {
    // The manifest is replaced under the language it has, not added beside
    // it under another.
    ::EnumResourceLanguagesW(image, RT_MANIFEST, MAKEINTRESOURCEW(1), FirstLanguage,
                             reinterpret_cast<LONG_PTR>(&language));
    const HRSRC found = ::FindResourceExW(image, RT_MANIFEST, MAKEINTRESOURCEW(1), language);
    const auto* data =
        found ? static_cast<const char*>(::LockResource(::LoadResource(image, found))) : nullptr;
    if (data) manifest.assign(data, ::SizeofResource(image, found));
    ::FreeLibrary(image);
  }
  const std::string settings = "<windowsSettings>";
  const size_t at = manifest.find(settings);
  if (at == std::string::npos)
    throw DriveError("no <windowsSettings> in the manifest of " + Utf8(exe));
  manifest.insert(at + settings.size(),
                  "<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">"
                  "UTF-8</activeCodePage>");

  if (!::CopyFileW(exe.c_str(), copy.c_str(), FALSE)) throw DriveError("cannot copy " + Utf8(exe));
  const HANDLE update = ::BeginUpdateResourceW(copy.c_str(), FALSE);
  const bool updated = update &&
                       ::UpdateResourceW(update, RT_MANIFEST, MAKEINTRESOURCEW(1), language,
                                         manifest.data(), static_cast<DWORD>(manifest.size())) &&
                       ::EndUpdateResourceW(update, FALSE);
  if (!updated) throw DriveError("cannot change the manifest of " + Utf8(copy));
  return copy;
}

}  // namespace

std::wstring ForThisRun(const std::wstring& exe) {
  return Environment(L"SV_ACTIVE_CODE_PAGE") == L"UTF-8" ? Utf8CodePageCopy(exe) : exe;
}

std::wstring ProgramPath() { return ForThisRun(WindowsPath(SV_DRIVE_PROGRAM_PATH)); }
std::wstring TablePath() { return WindowsPath(SV_DRIVE_TABLE_PATH); }
std::wstring Wubi86TablePath() { return WindowsPath(SV_DRIVE_WUBI86_TABLE_PATH); }
std::wstring Wubi86Utf8TablePath() { return WindowsPath(SV_DRIVE_WUBI86_UTF8_TABLE_PATH); }
std::wstring ReadyTablePath(const std::wstring& method) {
  return WindowsPath(SV_DRIVE_READY_TABLES_PATH L"/" + method + L"/z.dat");
}

std::wstring ExeFolder() {
  const std::wstring path = win32::ExePath();
  return path.substr(0, path.find_last_of(L'\\'));
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(std::max(n, 0)), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

bool PollUntil(const std::function<bool()>& done, Milliseconds timeout, Microseconds interval) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    if (interval.count() > 0) {
      std::this_thread::sleep_for(interval);
    } else {
      std::this_thread::yield();
    }
  }
}

void PressKey(WORD vk, bool shift) {
  if (shift) {
    Send({Key(VK_SHIFT, false), Key(vk, false), Key(vk, true), Key(VK_SHIFT, true)});
  } else {
    Send({Key(vk, false), Key(vk, true)});
  }
}

void PressAlt(wchar_t letter) {
  const WORD vk = LetterKey(letter);
  Send({Key(VK_MENU, false), Key(vk, false), Key(vk, true), Key(VK_MENU, true)});
}

// ------------------------------------------------------------ program

Program Program::Start(const std::wstring& exe, const std::wstring& folder) {
  // The command line is the quoted program name alone: the program takes
  // no arguments.
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &info)) {
    throw DriveError("cannot start " + Utf8(exe) + " in " + Utf8(folder) + ": error " +
                     std::to_string(::GetLastError()));
  }
  ::CloseHandle(info.hThread);
  Program program;
  program.process_.reset(info.hProcess);
  program.pid_ = info.dwProcessId;
  program.tid_ = info.dwThreadId;
  return program;
}

Program Program::Attach(const std::wstring& exe, const std::wstring& caption) {
  for (HWND window : TopLevelWindows()) {
    if (!::IsWindowVisible(window) || IsMessageBoxClass(window)) continue;
    if (CaptionOf(window) != caption) continue;
    const DWORD pid = ProcessOf(window);
    // WaitForInputIdle asks for more than the limited query right.
    win32::UniqueHandle process(
        ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, pid));
    if (!process) continue;
    std::wstring image(32768, L'\0');
    DWORD size = static_cast<DWORD>(image.size());
    if (!::QueryFullProcessImageNameW(process.get(), 0, image.data(), &size)) continue;
    image.resize(size);
    if (!SameNameIgnoringCase(BaseName(image), BaseName(exe))) continue;
    Program program;
    program.process_ = std::move(process);
    program.pid_ = pid;
    program.tid_ = ::GetWindowThreadProcessId(window, nullptr);
    program.window_ = window;
    return program;
  }
  throw DriveError("no running " + Utf8(BaseName(exe)) + " with a window " + Quoted(caption));
}

Program::~Program() {
  if (process_ && !detached_ && Running()) Kill();
}

bool Program::Running() const {
  return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

void Program::Kill() {
  if (!Running()) return;
  ::TerminateProcess(process_.get(), 99);
  ::WaitForSingleObject(process_.get(), static_cast<DWORD>(kStepTimeout.count()));
}

DWORD Program::WaitForExit(Milliseconds timeout) {
  if (::WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    throw DriveError("the program did not end within " + std::to_string(timeout.count()) +
                     " ms; it shows: " + Describe());
  }
  DWORD code = 0;
  ::GetExitCodeProcess(process_.get(), &code);
  return code;
}

void Program::WaitForIdle(Milliseconds timeout) {
  if (::WaitForInputIdle(process_.get(), static_cast<DWORD>(timeout.count())) != 0) {
    throw DriveError("the program did not come to rest within " + std::to_string(timeout.count()) +
                     " ms; it shows: " + Describe());
  }
}

HWND Program::WaitForWindow(const std::wstring& caption, Milliseconds timeout) {
  HWND found = nullptr;
  const auto find = [&] {
    for (HWND window : TopLevelWindows()) {
      if (ProcessOf(window) != pid_ || !::IsWindowVisible(window)) continue;
      if (IsMessageBoxClass(window) || CaptionOf(window) != caption) continue;
      found = window;
      return true;
    }
    return false;
  };
  WaitUntil(find, "its visible window " + Quoted(caption), timeout);
  window_ = found;
  tid_ = ::GetWindowThreadProcessId(found, nullptr);
  return found;
}

HWND Program::Control(int id) const {
  HWND control = ::GetDlgItem(window_, id);
  if (!control) throw DriveError("the window has no control " + std::to_string(id));
  return control;
}

std::wstring Program::Text(int id) const { return ReadText(Control(id)); }

HWND Program::Focus() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!::GetGUIThreadInfo(tid_, &info)) return nullptr;
  return info.hwndFocus;
}

int Program::FocusId() const {
  HWND focus = Focus();
  if (!focus || !window_ || ::GetParent(focus) != window_) return 0;
  return ::GetDlgCtrlID(focus);
}

bool Program::Foreground() const {
  HWND front = ::GetForegroundWindow();
  return front && ProcessOf(front) == pid_;
}

void Program::BringToFront() {
  if (Foreground()) return;
  // A message box, when there is one, is the window that takes the keys.
  const std::optional<MessageBoxView> box = FindMessageBox();
  HWND target = box ? box->window : window_;
  ::SetForegroundWindow(target);
  WaitUntil([this] { return Foreground(); }, "the program's window in front");
}

void Program::Type(const std::wstring& chars) {
  HWND focus = Focus();
  if (!focus)
    throw DriveError("nothing has the focus to type into; the program shows: " + Describe());
  for (wchar_t c : chars) ::PostMessageW(focus, WM_CHAR, c, 1);
}

void Program::Press(WORD vk, bool shift) {
  BringToFront();
  PressKey(vk, shift);
}

void Program::Alt(wchar_t letter) {
  BringToFront();
  PressAlt(letter);
}

void Program::OpenMenu(wchar_t letter) {
  Alt(letter);
  // A menu is open when the system's popup menu window shows.
  WaitUntil(
      [] {
        HWND menu = ::FindWindowW(L"#32768", nullptr);
        return menu && ::IsWindowVisible(menu);
      },
      "the menu to open");
}

std::optional<MessageBoxView> Program::FindMessageBox() const {
  for (HWND window : TopLevelWindows()) {
    if (ProcessOf(window) != pid_ || !::IsWindowVisible(window) || !IsMessageBoxClass(window)) {
      continue;
    }
    MessageBoxView box;
    box.window = window;
    box.title = CaptionOf(window);
    // The prompt is the one Static child that is not the icon; its id
    // differs between system versions.
    for (HWND child : ChildWindows(window)) {
      if (ClassOf(child) != L"Static") continue;
      if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
      // A box that is going away may no longer answer: it shows no text.
      std::optional<std::wstring> text = TryReadText(child);
      if (text && !text->empty()) box.text = std::move(*text);
    }
    return box;
  }
  return std::nullopt;
}

MessageBoxView Program::WaitForMessageBox(Milliseconds timeout) {
  std::optional<MessageBoxView> box;
  WaitUntil([&] { return (box = FindMessageBox()) && !box->text.empty(); }, "a message box",
            timeout);
  return *box;
}

void Program::WaitForNoMessageBox(Milliseconds timeout) {
  WaitUntil([this] { return !FindMessageBox(); }, "the message box to close", timeout);
}

void Program::PostClose() { ::PostMessageW(window_, WM_CLOSE, 0, 0); }

void Program::PostSysClose() { ::PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0); }

void Program::WaitUntil(const std::function<bool()>& done, const std::string& what,
                        Milliseconds timeout) {
  bool ended = false;
  const bool ok = PollUntil(
      [&] {
        if (done()) return true;
        ended = !Running();
        return ended;
      },
      timeout, poll_);
  if (ok && !ended) return;
  if (ended) {
    DWORD code = 0;
    ::GetExitCodeProcess(process_.get(), &code);
    throw DriveError("the program ended (exit code " + std::to_string(code) +
                     ") while waiting for " + what);
  }
  throw DriveError("waited " + std::to_string(timeout.count()) + " ms for " + what +
                   "; the program shows: " + Describe());
}

void Program::WaitForFocus(int id, Milliseconds timeout) {
  WaitUntil([&] { return FocusId() == id; }, "the focus on " + NameOf(id), timeout);
}

void Program::WaitForText(int id, const std::wstring& text, Milliseconds timeout) {
  WaitUntil([&] { return Text(id) == text; }, NameOf(id) + " to read " + Quoted(text), timeout);
}

void Program::WaitForPainted(int id, Milliseconds timeout) {
  // Inside the control's border; its text is drawn in the window text
  // colour. A control with no text shows no ink.
  HWND control = Control(id);
  const bool empty = Text(id).empty();
  WaitUntil(
      [&] {
        const Glyphs glyphs = GlyphsIn(ScreenRectOf(control, 2), ::GetSysColor(COLOR_WINDOWTEXT));
        return (glyphs.pieces == 0) == empty;
      },
      NameOf(id) + " painted on the screen", timeout);
}

std::string Program::Describe() const {
  if (!Running()) {
    DWORD code = 0;
    if (process_) ::GetExitCodeProcess(process_.get(), &code);
    return "nothing: it ended with exit code " + std::to_string(code);
  }
  std::string out;
  try {
    if (!window_) {
      out = "no main window yet";
    } else {
      out =
          "window " + Quoted(CaptionOf(window_)) + (Enabled() ? "" : " (disabled)") + ", controls:";
      for (HWND child : ChildWindows(window_)) {
        if (::GetParent(child) != window_) continue;
        out += " " + NameOf(::GetDlgCtrlID(child)) + " " + Quoted(ReadText(child));
      }
      HWND focus = Focus();
      out += ", focus: ";
      if (!focus) {
        out += "none";
      } else if (const int id = FocusId()) {
        out += NameOf(id);
      } else {
        out += Utf8(ClassOf(focus)) + " outside the window";
      }
    }
    if (const std::optional<MessageBoxView> box = FindMessageBox()) {
      out += "; message box " + Quoted(box->title) + ": " + Quoted(box->text);
    }
    out += Foreground() ? "; in front" : "; not in front";
  } catch (const DriveError& e) {
    out += std::string(" (") + e.what() + ")";
  }
  return out;
}

// ------------------------------------------------------------ folders

FolderSnapshot Snapshot(const std::wstring& folder) {
  FolderSnapshot snapshot;
  WIN32_FIND_DATAW entry{};
  const std::wstring pattern = folder + L"\\*";
  HANDLE find = ::FindFirstFileW(pattern.c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return snapshot;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      snapshot[name + L"\\"] = {};
      continue;
    }
    std::string& contents = snapshot[name];
    win32::UniqueFile file(::CreateFileW((folder + L"\\" + name).c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
      contents = "<unreadable>";
      continue;
    }
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
      contents.append(buffer, got);
    }
  } while (::FindNextFileW(find, &entry));
  ::FindClose(find);
  return snapshot;
}

std::string Describe(const FolderSnapshot& snapshot) {
  if (snapshot.empty()) return "(empty)";
  std::string out;
  for (const auto& [name, contents] : snapshot) {
    if (!out.empty()) out += ", ";
    out += Utf8(name) + " (" + std::to_string(contents.size()) + " bytes)";
  }
  return out;
}

namespace {

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW entry{};
  HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
      }
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
  }
  ::RemoveDirectoryW(folder.c_str());
}

std::atomic<int> folderCount{0};

}  // namespace

TempFolder::TempFolder(const std::wstring& prefix) {
  std::wstring temp(32768, L'\0');
  const DWORD n = ::GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
  if (n == 0 || n >= temp.size()) throw DriveError("no temporary folder");
  temp.resize(n);
  if (temp.back() != L'\\') temp += L'\\';
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring path = temp + prefix + L"-" + std::to_wstring(::GetCurrentProcessId()) +
                              L"-" + std::to_wstring(::GetTickCount64()) + L"-" +
                              std::to_wstring(folderCount++);
    if (::CreateDirectoryW(path.c_str(), nullptr)) {
      path_ = path;
      return;
    }
  }
  throw DriveError("cannot make a folder under " + Utf8(temp));
}

TempFolder::~TempFolder() { RemoveTree(path_); }

}  // namespace sv::drive
