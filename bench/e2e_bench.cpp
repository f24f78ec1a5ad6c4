// The end-to-end figures of './dev bench', measured under Wine on the real
// program of this build (i686 or x86_64), each beside its floor: the same
// measured on minimal_window.exe (built beside this program), a window
// program that does nothing but start and answer a key.
//
//   e2e_bench.exe [queries] [starts] [summary]   (defaults: 1000 and 20)
//
// With a summary file (a Unix or Windows path), the program's medians are
// also written there, one "name milliseconds" a line, for './dev bench' to
// set the two builds side by side.
//
// - Enter pressed to result label updated, median and 99th percentile
//   over `queries` queries of 字 on the bundled table. The clock starts
//   just before Enter goes into the system's input queue (SendInput) and
//   stops when the label's text, as the system keeps it, reads the code:
//   it is polled with no sleep between looks and with no message to the
//   program, so that looking does not slow the program down. The program
//   is at rest before each Enter. The floor is Enter on the minimal
//   program's button, which reads the same z.dat whole with one pass over
//   its bytes (the in-process floor) and writes a number into its label.
// - Start to main window ready: from just before CreateProcess until
//   WaitForInputIdle has returned and the main window is visible; the
//   median over `starts` starts of each program, taken in turns.
//
// A benchmark, not a test: it prints what it measures and asserts nothing
// about it.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "driver/driver.h"
#include "ui/main/ids.h"

namespace {

using namespace sv::drive;
namespace ids = sv::ui::main_ids;

const wchar_t* const kMinimalCaption = L"Minimal window";
constexpr int kMinimalButton = 102;
constexpr int kMinimalLabel = 104;
constexpr int kWarmUpQueries = 20;
constexpr double kGoal = 1.3;

double NowMs() {
  static const double frequency = [] {
    LARGE_INTEGER f{};
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t{};
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / frequency;
}

// A window's text as the system keeps it. For a window of another process
// this sends it no message: the poll does not hold the program up, and a
// change is seen the moment the label stores it, before it is painted.
std::wstring StoredText(HWND window) {
  std::wstring text(static_cast<size_t>(std::max(::GetWindowTextLengthW(window), 0)) + 1, L'\0');
  text.resize(static_cast<size_t>(
      std::max(::GetWindowTextW(window, text.data(), static_cast<int>(text.size())), 0)));
  return text;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The smallest value that at least 99% of the values do not exceed.
double P99(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const auto rank = static_cast<size_t>(std::ceil(0.99 * static_cast<double>(v.size())));
  return v[std::max<size_t>(rank, 1) - 1];
}

// The program has handled everything sent to it and has had time to
// paint: what comes next is measured from rest.
void Settle(const Program& program) {
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(program.Window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
  ::Sleep(2);
}

void ToFront(Program& program) {
  if (program.Foreground()) return;
  ::SetForegroundWindow(program.Window());
  program.WaitUntil([&] { return program.Foreground(); }, "the window in front");
}

// Presses Enter and returns the milliseconds until `label` reads `text`
// (or, with `text` empty, until it reads anything else than it did).
double TimeEnter(Program& program, HWND label, const std::wstring& text) {
  const std::wstring before = StoredText(label);
  Settle(program);
  ToFront(program);
  double end = 0;
  const double start = NowMs();
  PressKey(VK_RETURN);
  const bool changed = PollUntil(
      [&] {
        const std::wstring now = StoredText(label);
        if (text.empty() ? now == before : now != text) return false;
        end = NowMs();
        return true;
      },
      kStepTimeout, Microseconds(0));
  if (!changed)
    throw DriveError("the label did not change; the program shows " + program.Describe());
  return end - start;
}

std::vector<double> ProgramQueries(const std::wstring& folder, int queries) {
  Program program = Program::Start(ProgramPath(), folder);
  program.WaitForWindow();
  program.SetPollInterval(Microseconds(0));
  program.WaitForFocus(ids::kText1);
  HWND label = program.Control(ids::kLabel1);
  std::vector<double> times;
  for (int i = -kWarmUpQueries; i < queries; ++i) {
    program.Type(L"字");
    program.WaitForFocus(ids::kCommand1);
    const double ms = TimeEnter(program, label, L"5554");
    if (i >= 0) times.push_back(ms);
    program.WaitForFocus(ids::kCommand2);
    program.Press(VK_RETURN);
    program.WaitForText(ids::kLabel1, L"");
    program.WaitForFocus(ids::kText1);
  }
  program.Kill();
  return times;
}

std::vector<double> FloorQueries(const std::wstring& minimal, const std::wstring& folder,
                                 int queries) {
  Program program = Program::Start(minimal, folder);
  program.WaitForWindow(kMinimalCaption);
  program.SetPollInterval(Microseconds(0));
  program.WaitForFocus(kMinimalButton);
  HWND label = program.Control(kMinimalLabel);
  std::vector<double> times;
  for (int i = -kWarmUpQueries; i < queries; ++i) {
    const double ms = TimeEnter(program, label, L"");
    if (i >= 0) times.push_back(ms);
  }
  program.Kill();
  return times;
}

double StartToReady(const std::wstring& exe, const std::wstring& folder,
                    const std::wstring& caption) {
  const double start = NowMs();
  Program program = Program::Start(exe, folder);
  program.SetPollInterval(Microseconds(0));
  program.WaitForIdle(kStartTimeout);
  program.WaitForWindow(caption);
  const double end = NowMs();
  program.Kill();
  return end - start;
}

void PrintRow(const char* name, double value, double floor) {
  const double ratio = value / floor;
  // An emulated machine's times say nothing of a real one's.
  const bool emulated = InEmulatedMachine();
  std::printf("    %-7s %9.3f ms   floor %9.3f ms   ratio %5.2f   goal within %.1fx: %s\n", name,
              value, floor, ratio, kGoal,
              emulated         ? "not judged (emulated machine)"
              : ratio <= kGoal ? "met"
                               : "missed");
}

void WriteSummary(const std::wstring& path,
                  const std::vector<std::pair<const char*, double>>& rows) {
  std::string text;
  for (const auto& [name, ms] : rows) text += std::string(name) + " " + std::to_string(ms) + "\n";
  sv::win32::UniqueFile file(::CreateFileW(WindowsPath(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file ||
      !::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
    throw DriveError("cannot write " + Utf8(path));
  }
}

int Run(int queries, int starts, const std::wstring& summary) {
  const std::wstring minimal = ExeFolder() + L"\\minimal_window.exe";
  // The same program with the program's manifest: what common controls 6
  // and DPI awareness cost Wine at start-up, which the program pays too.
  const std::wstring minimalV6 = ExeFolder() + L"\\minimal_window_v6.exe";
  TempFolder folder(L"sv-bench");
  if (!::CopyFileW(TablePath().c_str(), (folder.Path() + L"\\z.dat").c_str(), TRUE)) {
    throw DriveError("cannot copy " + Utf8(TablePath()));
  }

  // One start of each first: Wine loads and caches what they need.
  StartToReady(ProgramPath(), folder.Path(), kCaption);
  StartToReady(minimal, folder.Path(), kMinimalCaption);
  StartToReady(minimalV6, folder.Path(), kMinimalCaption);
  std::vector<double> programStarts;
  std::vector<double> floorStarts;
  std::vector<double> floorV6Starts;
  for (int i = 0; i < starts; ++i) {
    // In turns, each first every other time, so that a slow spell of the
    // machine falls on all of them.
    if (i % 2) {
      floorStarts.push_back(StartToReady(minimal, folder.Path(), kMinimalCaption));
      floorV6Starts.push_back(StartToReady(minimalV6, folder.Path(), kMinimalCaption));
    }
    programStarts.push_back(StartToReady(ProgramPath(), folder.Path(), kCaption));
    if (i % 2 == 0) {
      floorStarts.push_back(StartToReady(minimal, folder.Path(), kMinimalCaption));
      floorV6Starts.push_back(StartToReady(minimalV6, folder.Path(), kMinimalCaption));
    }
  }

  const std::vector<double> programTimes = ProgramQueries(folder.Path(), queries);
  const std::vector<double> floorTimes = FloorQueries(minimal, folder.Path(), queries);

  std::printf(
      "  Enter pressed to result label updated, %d queries of 字 on the bundled table\n"
      "  (floor: Enter on the button of a minimal window program, which reads the same\n"
      "  z.dat whole with one pass over its bytes, then sets a label):\n",
      queries);
  PrintRow("median", Median(programTimes), Median(floorTimes));
  PrintRow("p99", P99(programTimes), P99(floorTimes));
  std::printf(
      "  Start to main window ready (process start until WaitForInputIdle returns and\n"
      "  the window is visible), median of %d starts (floor: the minimal window program):\n",
      starts);
  PrintRow("median", Median(programStarts), Median(floorStarts));
  std::printf(
      "  the same, beside the minimal program carrying the program's manifest (common\n"
      "  controls 6, DPI awareness), which isolates the program's own start-up work:\n");
  PrintRow("median", Median(programStarts), Median(floorV6Starts));
  std::fflush(stdout);
  if (!summary.empty()) {
    WriteSummary(summary, {{"start_to_ready", Median(programStarts)},
                           {"enter_to_label", Median(programTimes)},
                           {"enter_to_label_p99", P99(programTimes)}});
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  try {
    const int queries = argc > 1 ? std::max(1, _wtoi(argv[1])) : 1000;
    const int starts = argc > 2 ? std::max(1, _wtoi(argv[2])) : 20;
    return Run(queries, starts, argc > 3 ? argv[3] : L"");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "e2e_bench: %s\n", e.what());
    return 1;
  }
}
