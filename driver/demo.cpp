// Runs the program for a person to look at, with no one at the keyboard:
//
//   demo.exe query <exe> <char> <outfile> [<png>]
//       starts <exe> in the current folder, types <char> into its box,
//       presses Enter and writes what the result label (or, when one comes
//       up, the message box) then says to <outfile>, in UTF-8, and a
//       screenshot of the window to <png>. The program is left running.
//   demo.exe open <file> <exe> <char> <outfile> [<png>]
//       opens <file> as Explorer does on a double-click (the shell's open
//       of the file, with the current folder as it is), waits for what it
//       started to end with status 0 and for the window of the <exe> it
//       started in turn, then does what query does. Fails when anything
//       but that window is left on the screen.
//   demo.exe close <exe>
//       closes the running program's window and waits for it to end.
//
// Paths may be given as Unix paths; they are taken to be on Wine's Z:.
#include <windows.h>
// shellapi.h needs the types of windows.h first.
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "driver/driver.h"
#include "ui/main/ids.h"

namespace {

using namespace sv::drive;
namespace ids = sv::ui::main_ids;

void Write(const std::wstring& path, const std::string& bytes) {
  sv::win32::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file ||
      !::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    throw DriveError("cannot write " + Utf8(path));
  }
}

std::wstring CurrentFolder() {
  std::wstring folder(::GetCurrentDirectoryW(0, nullptr), L'\0');
  folder.resize(::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
  return folder;
}

// The picture of the window once all it has to show is on the screen. The
// query moves the focus to a button, which repaints after the label does:
// a picture taken between the two showed no focus (seen once in the
// emulated machine). What is still to paint is painted now, the window's
// thread answering one WM_PAINT after another; and what it painted reaches
// the screen when that thread next waits, so two looks in a row agree.
void SaveSteadyScreenshot(HWND window, const std::wstring& png) {
  ::RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  const RECT area = WindowArea(window);
  Pixels last = Capture(area);
  const bool steady = PollUntil(
      [&] {
        ::Sleep(100);
        Pixels now = Capture(area);
        const bool same = now.colours == last.colours;
        last = std::move(now);
        return same;
      },
      kStepTimeout);
  if (!steady) throw DriveError("the window's picture did not come to rest");
  SaveScreenshot(area, png);
}

// Types the character, presses Enter and writes what the program shows.
int Query(Program& program, const std::wstring& character, const std::wstring& outfile,
          const std::wstring& png) {
  program.WaitForFocus(ids::kText1);
  program.Type(character);
  program.WaitUntil([&] { return !program.Text(ids::kText1).empty(); }, "the typed character");
  program.Press(VK_RETURN);
  std::wstring shown;
  program.WaitUntil(
      [&] {
        if (const auto box = program.FindMessageBox()) {
          shown = box->text;
          return true;
        }
        shown = program.Text(ids::kLabel1);
        return !shown.empty();
      },
      "a result or a message");
  // The picture shows what the window says only once it has painted it.
  program.WaitForIdle();
  if (!program.FindMessageBox()) program.WaitForPainted(ids::kLabel1);
  Write(WindowsPath(outfile), Utf8(shown));
  if (!png.empty()) SaveSteadyScreenshot(program.Window(), png);
  program.Detach();
  return 0;
}

int Demo(const std::wstring& exe, const std::wstring& character, const std::wstring& outfile,
         const std::wstring& png) {
  Program program = Program::Start(WindowsPath(exe), CurrentFolder());
  program.WaitForWindow();
  return Query(program, character, outfile, png);
}

std::vector<HWND> VisibleWindows() {
  std::vector<HWND> visible;
  for (HWND window : TopLevelWindows()) {
    if (::IsWindowVisible(window)) visible.push_back(window);
  }
  std::sort(visible.begin(), visible.end());
  return visible;
}

int Open(const std::wstring& file, const std::wstring& exe, const std::wstring& character,
         const std::wstring& outfile, const std::wstring& png) {
  const std::vector<HWND> before = VisibleWindows();
  const std::wstring path = WindowsPath(file);
  SHELLEXECUTEINFOW open{};
  open.cbSize = sizeof open;
  open.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  open.lpVerb = L"open";
  open.lpFile = path.c_str();
  open.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&open) || open.hProcess == nullptr) {
    throw DriveError("the shell cannot open " + Utf8(path) + ": error " +
                     std::to_string(::GetLastError()));
  }
  const sv::win32::UniqueHandle opened(open.hProcess);
  DWORD status = STILL_ACTIVE;
  if (::WaitForSingleObject(opened.get(), static_cast<DWORD>(kStartTimeout.count())) !=
          WAIT_OBJECT_0 ||
      !::GetExitCodeProcess(opened.get(), &status) || status != 0) {
    throw DriveError(Utf8(path) + " did not end with status 0 (" + std::to_string(status) + ")");
  }
  std::optional<Program> program;
  const bool up = PollUntil(
      [&] {
        try {
          program.emplace(Program::Attach(WindowsPath(exe), kCaption));
          return true;
        } catch (const DriveError&) {
          return false;
        }
      },
      kStartTimeout);
  if (!up) throw DriveError(Utf8(path) + " started no window of " + Utf8(exe));
  std::vector<HWND> after = VisibleWindows();
  after.erase(std::remove_if(after.begin(), after.end(),
                             [&](HWND w) {
                               return w == program->Window() ||
                                      std::binary_search(before.begin(), before.end(), w);
                             }),
              after.end());
  if (!after.empty()) {
    throw DriveError(std::to_string(after.size()) + " window(s) besides the program's are left");
  }
  return Query(*program, character, outfile, png);
}

int Close(const std::wstring& exe) {
  Program program = Program::Attach(WindowsPath(exe), kCaption);
  program.PostClose();
  const DWORD code = program.WaitForExit();
  return code == 0 ? 0 : 1;
}

int Usage() {
  std::fputs(
      "usage: demo.exe query <exe> <char> <outfile> [<png>]\n"
      "       demo.exe open <file> <exe> <char> <outfile> [<png>] | demo.exe close <exe>\n",
      stderr);
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  try {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"query" && (argc == 5 || argc == 6)) {
      return Demo(argv[2], argv[3], argv[4], argc == 6 ? argv[5] : L"");
    }
    if (command == L"open" && (argc == 6 || argc == 7)) {
      return Open(argv[2], argv[3], argv[4], argv[5], argc == 7 ? argv[6] : L"");
    }
    if (command == L"close" && argc == 3) return Close(argv[2]);
    return Usage();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "demo: %s\n", e.what());
    return 1;
  }
}
