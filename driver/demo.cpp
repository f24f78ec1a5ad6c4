// Runs the program for a person to look at, with no one at the keyboard:
//
//   demo.exe query <exe> <char> <outfile> [<png>]
//       starts <exe> in the current folder, types <char> into its box,
//       presses Enter and writes what the result label (or, when one comes
//       up, the message box) then says to <outfile>, in UTF-8, and a
//       screenshot of the window to <png>. The program is left running.
//   demo.exe close <exe>
//       closes the running program's window and waits for it to end.
//
// Paths may be given as Unix paths; they are taken to be on Wine's Z:.
#include <windows.h>

#include <cstdio>
#include <string>

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

int Demo(const std::wstring& exe, const std::wstring& character, const std::wstring& outfile,
         const std::wstring& png) {
  Program program = Program::Start(WindowsPath(exe), CurrentFolder());
  program.WaitForWindow();
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
  if (!png.empty()) SaveScreenshot(program.Window(), png);
  program.Detach();
  return 0;
}

int Close(const std::wstring& exe) {
  Program program = Program::Attach(WindowsPath(exe), kCaption);
  program.PostClose();
  const DWORD code = program.WaitForExit();
  return code == 0 ? 0 : 1;
}

int Usage() {
  std::fputs("usage: demo.exe query <exe> <char> <outfile> [<png>] | demo.exe close <exe>\n",
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
    if (command == L"close" && argc == 3) return Close(argv[2]);
    return Usage();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "demo: %s\n", e.what());
    return 1;
  }
}
