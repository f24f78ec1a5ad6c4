#pragma once

// Drives the real program from another process, as a person at the
// keyboard would: start it in a working folder, wait for its window, read
// texts, the focus and message boxes, type, press keys, close it. Every
// wait has a deadline; a wait that runs out throws DriveError, with what
// was awaited and what the window showed instead, so a test fails and
// never hangs.

#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win32/handles.h"

namespace sv::drive {

using Milliseconds = std::chrono::milliseconds;
using Microseconds = std::chrono::microseconds;

// 6 where the Wine session runs the programs in an emulated machine (it
// sets SV_WINE_EMULATED): every step takes several times as long there,
// and a loaded machine makes a step take three times longer again. The
// first window of a fresh prefix there, on a machine busy with the other
// tests, took more than 30 s to paint its caption.
int SlowMachineFactor();
// Whether that is so.
bool InEmulatedMachine();

// Long enough for a cold Wine start; a step of a running program takes a
// few milliseconds.
inline const Milliseconds kStartTimeout{30000 * SlowMachineFactor()};
inline const Milliseconds kStepTimeout{10000 * SlowMachineFactor()};
// How often a wait looks again, unless told otherwise.
constexpr Microseconds kPollInterval{10000};

class DriveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The program's main window caption.
extern const wchar_t* const kCaption;

// The program of this build and the bundled code table, as Windows paths.
// The program as the run asks for it: see ForThisRun.
std::wstring ProgramPath();
// `exe` itself, or, with SV_ACTIVE_CODE_PAGE=UTF-8, a copy of it whose
// manifest asks for the UTF-8 ANSI code page (65001), as Windows gives it
// to every program when "Unicode UTF-8 for worldwide language support" is
// on. The copy is made once per test process.
std::wstring ForThisRun(const std::wstring& exe);
std::wstring TablePath();
// Debian's wubi86 table as make_table converts it in the native build.
std::wstring Wubi86TablePath();
// The same written as UTF-8, with every character the source has.
std::wstring Wubi86Utf8TablePath();
// The z.dat of a ready table of the package: `method` is its folder in
// 码表 (五笔86, 行列30).
std::wstring ReadyTablePath(const std::wstring& method);
// The folder of the running test program, where the programs built beside
// it are.
std::wstring ExeFolder();

// A Unix path ("/a/b") as Wine's Z: drive sees it ("Z:\a\b"); any other
// path comes back as it is.
std::wstring WindowsPath(const std::wstring& path);

std::string Utf8(const std::wstring& text);

// Every top-level window of the desktop, and every window inside `parent`
// (all levels), shown or not.
std::vector<HWND> TopLevelWindows();
std::vector<HWND> ChildWindows(HWND parent);

// Polls `done` until it holds or `timeout` runs out; false then. Between
// two looks it sleeps `interval`, or only yields when that is zero.
bool PollUntil(const std::function<bool()>& done, Milliseconds timeout,
               Microseconds interval = kPollInterval);

// A message box as the user sees it.
struct MessageBoxView {
  HWND window = nullptr;
  std::wstring title;
  std::wstring text;
};

// The state of the keyboard modifiers is global (SendInput feeds the one
// input queue of the desktop): key presses come as whole down-up sequences.
void PressKey(WORD vk, bool shift = false);
void PressAlt(wchar_t letter);

// One running instance of the program.
class Program {
 public:
  // Starts `exe` with `folder` as its current directory.
  static Program Start(const std::wstring& exe, const std::wstring& folder);
  // The running program whose visible top-level window has `caption` and
  // whose executable file is named like `exe`.
  static Program Attach(const std::wstring& exe, const std::wstring& caption);

  Program(Program&&) = default;
  Program& operator=(Program&&) = default;
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  // Ends the process if it still runs, unless Detach() was called.
  ~Program();

  // Leaves the process running when this object goes.
  void Detach() { detached_ = true; }

  DWORD ProcessId() const { return pid_; }
  bool Running() const;
  // Ends the process at once and waits for it.
  void Kill();
  // Waits for the process to end; returns its exit code.
  DWORD WaitForExit(Milliseconds timeout = kStepTimeout);
  // Waits until the program has handled its pending input and waits for
  // more (painting included).
  void WaitForIdle(Milliseconds timeout = kStepTimeout);

  // Waits for the visible main window with `caption`.
  HWND WaitForWindow(const std::wstring& caption = kCaption, Milliseconds timeout = kStartTimeout);
  HWND Window() const { return window_; }
  HWND Control(int id) const;
  // A control's text, by id, read with WM_GETTEXT.
  std::wstring Text(int id) const;
  // The control with the keyboard focus in the program's GUI thread.
  HWND Focus() const;
  // Its id; 0 when no control of the main window has the focus.
  int FocusId() const;
  bool Enabled() const { return ::IsWindowEnabled(window_) != FALSE; }
  bool Foreground() const;

  // Posts the characters to the control with the focus, all at once, as
  // an input method commits them.
  void Type(const std::wstring& chars);
  // Key presses through the system's input queue; the program's window is
  // brought to the front first if it is not there.
  void Press(WORD vk, bool shift = false);
  void Alt(wchar_t letter);
  // Alt and a menu's access key, then waits until the menu's popup shows.
  void OpenMenu(wchar_t letter);

  std::optional<MessageBoxView> FindMessageBox() const;
  MessageBoxView WaitForMessageBox(Milliseconds timeout = kStepTimeout);
  // Waits until no message box of the program is left.
  void WaitForNoMessageBox(Milliseconds timeout = kStepTimeout);

  // Posts WM_CLOSE (what a close request from another program is), or
  // WM_SYSCOMMAND SC_CLOSE (the close box, Alt+F4).
  void PostClose();
  void PostSysClose();

  // How often the waits below look again (kPollInterval unless set): a
  // long run of steps polls faster, so that it is not mostly sleeping.
  void SetPollInterval(Microseconds interval) { poll_ = interval; }

  // Waits until `done` holds; throws DriveError naming `what` otherwise.
  void WaitUntil(const std::function<bool()>& done, const std::string& what,
                 Milliseconds timeout = kStepTimeout);
  void WaitForFocus(int id, Milliseconds timeout = kStepTimeout);
  void WaitForText(int id, const std::wstring& text, Milliseconds timeout = kStepTimeout);
  // Waits until the control shows its text on the screen: the system
  // holds the new text before the program has painted it, so a picture
  // taken at once may show the control empty.
  void WaitForPainted(int id, Milliseconds timeout = kStepTimeout);

  // What the program shows now, for failure messages.
  std::string Describe() const;

 private:
  Program() = default;
  void BringToFront();

  win32::UniqueHandle process_;
  DWORD pid_ = 0;
  DWORD tid_ = 0;  // the GUI thread; 0 when attached to a running program
  HWND window_ = nullptr;
  bool detached_ = false;
  Microseconds poll_ = kPollInterval;
};

// An environment variable; empty when it is not set.
std::wstring Environment(const wchar_t* name);

// The screen's dpi, as the system reports it to a program that knows dpi.
int ScreenDpi();

// Where a screenshot named `name` goes: SV_SCREENSHOT_DIR (a Unix folder,
// set by the emulator to <build>/screenshots), as
// <name>-<build>-<dpi>dpi-cp<the program's ANSI code page>.png, so that the
// runs of each build, screen and language keep their own.
// Empty when SV_SCREENSHOT_DIR is not set.
std::wstring ScreenshotPath(const std::wstring& name);

// A control's position in its window's client area, in pixels.
RECT ClientRectOf(HWND control);

// Whether `text` shows whole in a control whose client area is `box`, in
// the font `face` at `pointTenths` tenths of a point (empty face: the
// system's message font, which windows get by default), at the screen's
// dpi. Wrapped at the box's width when `wrap` (a multi-line label), on one
// line otherwise. A line shows when its characters' height above the
// baseline does: the fonts standing in for 宋体 and 黑体 here reserve more
// room below it than those do. Says what does not fit, or nothing.
std::string TextDoesNotFit(const std::wstring& text, const std::wstring& face, int pointTenths,
                           const RECT& box, bool wrap);

// What the screen shows of `area` (screen coordinates), row by row.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> colours;
  COLORREF At(int x, int y) const {
    return colours[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
};
Pixels Capture(const RECT& area);

// The text that `area` shows in the colour `ink`: how many glyphs (pieces
// of ink) it has, and how many of them are empty boxes, the rectangle's
// outline with nothing inside that a font draws for a character it lacks.
// Reading a control's text back cannot tell a box from a glyph; this can.
struct Glyphs {
  int pieces = 0;
  int emptyBoxes = 0;
};
Glyphs GlyphsIn(const RECT& area, COLORREF ink);
// Where a top-level window draws its caption's text and its menu bar, on
// the screen (the caption between its icon and its buttons).
RECT CaptionTextArea(HWND window);
RECT MenuBarArea(HWND window);
// A control's client area on the screen, `inset` pixels in from its edges.
RECT ScreenRectOf(HWND control, int inset = 0);

// Saves what the screen shows of `area`, or of `window` with its title bar
// and frame, as a PNG file at `path` (a Windows or a Unix path).
void SaveScreenshot(const RECT& area, const std::wstring& path);
void SaveScreenshot(HWND window, const std::wstring& path);
// What such a picture of `window` shows: the window with its title bar and
// frame, on the screen.
RECT WindowArea(HWND window);

// A folder's files, by name: their contents. Sub-folders show as names
// ending in a backslash.
using FolderSnapshot = std::map<std::wstring, std::string>;
FolderSnapshot Snapshot(const std::wstring& folder);
std::string Describe(const FolderSnapshot& snapshot);

// A new empty folder under the temporary folder; removed with its files
// when this object goes.
class TempFolder {
 public:
  explicit TempFolder(const std::wstring& prefix);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};

}  // namespace sv::drive
