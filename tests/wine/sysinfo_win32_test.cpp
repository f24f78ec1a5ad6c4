// The About window's system-information operations through the real
// adapters, against the registry of the test prefix: values written here
// with the W and A functions, read back by GetKeyValue; StartSysInfo
// starting a stand-in tool (sysinfo_probe.exe) or saying it cannot.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "driver/driver.h"
#include "platform/encoding.h"
#include "platform/win32/handles.h"
#include "platform/win32/system_win32.h"
#include "platform/win32/wide.h"
#include "ui/about/frmAbout.h"

namespace sv {
namespace {

using namespace std::chrono_literals;
using win32::UniqueKey;

constexpr std::int32_t kHkcu = static_cast<std::int32_t>(0x80000001u);

std::string Utf8(const std::wstring& s) { return ToUtf8(Text(s.begin(), s.end())); }
std::string Utf8(const Text& s) { return ToUtf8(s); }

std::wstring TestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name = info ? info->name() : "test";
  return std::wstring(name.begin(), name.end()) + L"-" + std::to_wstring(::GetCurrentProcessId());
}

// --------------------------------------------------------- GetKeyValue

// A key of its own under HKEY_CURRENT_USER for each test, removed after it.
class GetKeyValueUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    keyPath_ = std::wstring(kParent) + L"\\" + TestName();
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr),
              ERROR_SUCCESS);
    key_.reset(key);
  }
  void TearDown() override {
    key_.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, keyPath_.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kParent);  // fails while another test's key is there
  }

  void SetW(const wchar_t* name, DWORD type, const void* data, size_t size) {
    ASSERT_EQ(::RegSetValueExW(key_.get(), name, 0, type, static_cast<const BYTE*>(data),
                               static_cast<DWORD>(size)),
              ERROR_SUCCESS);
  }
  void SetSzW(const wchar_t* name, const std::wstring& text, bool withNul) {
    SetW(name, REG_SZ, text.c_str(), (text.size() + (withNul ? 1 : 0)) * sizeof(wchar_t));
  }
  void SetA(const char* name, DWORD type, const std::string& bytes) {
    ASSERT_EQ(
        ::RegSetValueExA(key_.get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                         static_cast<DWORD>(bytes.size())),
        ERROR_SUCCESS);
  }
  void SetDword(const wchar_t* name, DWORD value) { SetW(name, REG_DWORD, &value, sizeof value); }

  // GetKeyValue on this test's key; KeyVal starts as `before`.
  bool Read(const std::wstring& name, const Text& before = u"old") {
    KeyVal = before;
    return about.GetKeyValue(kHkcu, Text(keyPath_.begin(), keyPath_.end()),
                             Text(name.begin(), name.end()), KeyVal);
  }

  static constexpr wchar_t kParent[] = L"Software\\Selvane查询测试";
  std::wstring keyPath_;
  UniqueKey key_;
  win32::Win32System sys{::GetModuleHandleW(nullptr)};
  ui::frmAbout about{sys.Services()};
  Text KeyVal;
};

TEST_F(GetKeyValueUnderWine, StringsWithAndWithoutTheirNulComeBackWhole) {
  const std::wstring path = L"C:\\系统工具\\msinfo32.exe";
  SetSzW(L"带NUL", path, true);
  SetSzW(L"无NUL", path, false);
  SetA("ansi", REG_SZ, "C:\\\xCF\xB5\xCD\xB3.exe");  // 系统 in GBK, no NUL
  SetA("ansiNul", REG_SZ, std::string("C:\\\xCF\xB5\xCD\xB3.exe\0", 11));
  SetSzW(L"empty", L"", true);
  SetW(L"inner", REG_SZ, L"first\0second", 13 * sizeof(wchar_t));

  EXPECT_TRUE(Read(L"带NUL"));
  EXPECT_EQ(Utf8(KeyVal), Utf8(path));
  EXPECT_TRUE(Read(L"无NUL"));
  EXPECT_EQ(Utf8(KeyVal), Utf8(path));
  EXPECT_TRUE(Read(L"ansi"));
  EXPECT_EQ(Utf8(KeyVal), "C:\\系统.exe");
  EXPECT_TRUE(Read(L"ansiNul"));
  EXPECT_EQ(Utf8(KeyVal), "C:\\系统.exe");
  EXPECT_TRUE(Read(L"empty"));
  EXPECT_EQ(KeyVal, u"");
  EXPECT_TRUE(Read(L"inner"));
  EXPECT_EQ(Utf8(KeyVal), "first");
}

TEST_F(GetKeyValueUnderWine, DwordsBecomeHexText) {
  SetDword(L"a", 0x1A2B);
  SetDword(L"zero", 0);
  SetDword(L"max", 0xFFFFFFFF);
  SetDword(L"high", 0x80000000);
  EXPECT_TRUE(Read(L"a"));
  EXPECT_EQ(Utf8(KeyVal), "&h1A2B");
  EXPECT_TRUE(Read(L"zero"));
  EXPECT_EQ(Utf8(KeyVal), "&h0");
  EXPECT_TRUE(Read(L"max"));
  EXPECT_EQ(Utf8(KeyVal), "&hFFFFFFFF");
  EXPECT_TRUE(Read(L"high"));
  EXPECT_EQ(Utf8(KeyVal), "&h80000000");
}

TEST_F(GetKeyValueUnderWine, OtherTypesAreReadAndLeaveTheTextAsItWas) {
  const unsigned char binary[] = {1, 2, 3};
  SetW(L"binary", REG_BINARY, binary, sizeof binary);
  SetW(L"expand", REG_EXPAND_SZ, L"%SystemRoot%", 13 * sizeof(wchar_t));
  SetW(L"multi", REG_MULTI_SZ, L"a\0b\0", 5 * sizeof(wchar_t));
  const unsigned long long qword = 7;
  SetW(L"qword", REG_QWORD, &qword, sizeof qword);
  for (const wchar_t* name : {L"binary", L"expand", L"multi", L"qword"}) {
    SCOPED_TRACE(Utf8(std::wstring(name)));
    EXPECT_TRUE(Read(name, u"kept"));
    EXPECT_EQ(KeyVal, u"kept");
  }
}

TEST_F(GetKeyValueUnderWine, MissingKeyOrValueGivesFalseAndEmptyText) {
  SetSzW(L"there", L"x", true);
  EXPECT_FALSE(Read(L"missing"));
  EXPECT_EQ(KeyVal, u"");

  KeyVal = u"old";
  EXPECT_FALSE(
      about.GetKeyValue(kHkcu, u"Software\\Selvane查询测试\\no such key", u"there", KeyVal));
  EXPECT_EQ(KeyVal, u"");

  EXPECT_TRUE(Read(L"there"));
  EXPECT_EQ(KeyVal, u"x");
}

// The ANSI query counts a NUL after a string stored without one, so the
// longest string that fits the 1024-byte buffer has 1023 bytes, however
// it was stored; a longer one is "more data", and GetKeyValue fails.
TEST_F(GetKeyValueUnderWine, TheBufferEdgeOfTheRealRegistry) {
  SetA("ansi1023", REG_SZ, std::string(1023, 'a'));
  EXPECT_TRUE(Read(L"ansi1023"));
  EXPECT_EQ(KeyVal, Text(1023, u'a'));
  SetSzW(L"wide1023", std::wstring(1023, L'b'), true);
  EXPECT_TRUE(Read(L"wide1023"));
  EXPECT_EQ(KeyVal, Text(1023, u'b'));
  // 511 characters of two bytes each in the code page, and one of one.
  SetSzW(L"chinese1023", std::wstring(511, L'字') + L"a", false);
  EXPECT_TRUE(Read(L"chinese1023"));
  EXPECT_EQ(KeyVal, Text(511, u'字') + u"a");

  SetA("ansi1024", REG_SZ, std::string(1024, 'c'));
  EXPECT_FALSE(Read(L"ansi1024"));
  EXPECT_EQ(KeyVal, u"");
  SetSzW(L"chinese1024", std::wstring(512, L'字'), false);
  EXPECT_FALSE(Read(L"chinese1024"));
  EXPECT_EQ(KeyVal, u"");

  // Data of another type fills the buffer exactly and is still read.
  const std::string binary(1024, 'd');
  SetA("binary1024", REG_BINARY, binary);
  EXPECT_TRUE(Read(L"binary1024", u"kept"));
  EXPECT_EQ(KeyVal, u"kept");
  SetA("binary1025", REG_BINARY, binary + 'd');
  EXPECT_FALSE(Read(L"binary1025", u"kept"));
  EXPECT_EQ(KeyVal, u"");
}

// --------------------------------------------------------- StartSysInfo

// One registry value under HKEY_LOCAL_MACHINE, set or removed for a test
// and put back as it was afterwards (with its key, if the test made it).
class ScopedValue {
 public:
  ScopedValue(std::wstring key, std::wstring name) : key_(std::move(key)), name_(std::move(name)) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
      return;
    }
    UniqueKey k(opened);
    DWORD size = 0;
    if (::RegQueryValueExW(k.get(), name_.c_str(), nullptr, &type_, nullptr, &size) ==
        ERROR_SUCCESS) {
      data_.resize(size);
      had_ = ::RegQueryValueExW(k.get(), name_.c_str(), nullptr, &type_, data_.data(), &size) ==
             ERROR_SUCCESS;
      data_.resize(size);
    }
  }
  ~ScopedValue() {
    if (had_) {
      Write(type_, data_.data(), data_.size());
    } else {
      Remove();
    }
    if (createdKey_) ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_.c_str());
  }
  ScopedValue(const ScopedValue&) = delete;
  ScopedValue& operator=(const ScopedValue&) = delete;

  void Set(const std::wstring& text) {
    Write(REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  }
  void Remove() {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, KEY_SET_VALUE, &opened) ==
        ERROR_SUCCESS) {
      UniqueKey k(opened);
      ::RegDeleteValueW(k.get(), name_.c_str());
    }
  }

 private:
  void Write(DWORD type, const void* data, size_t size) {
    HKEY opened = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, &opened, &disposition),
              ERROR_SUCCESS);
    UniqueKey k(opened);
    if (disposition == REG_CREATED_NEW_KEY) createdKey_ = true;
    ASSERT_EQ(::RegSetValueExW(k.get(), name_.c_str(), 0, type, static_cast<const BYTE*>(data),
                               static_cast<DWORD>(size)),
              ERROR_SUCCESS);
  }

  std::wstring key_, name_;
  bool had_ = false;
  bool createdKey_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> data_;
};

// A message box of this process as the user saw it.
struct SeenBox {
  std::wstring title;
  std::wstring text;
  std::vector<std::wstring> buttons;  // the visible ones
  bool icon = false;
  HWND owner = nullptr;
  bool closedByEnter = false;
};

// Answers the message boxes this process shows while it lives: reads each
// and presses Enter, from its own thread, since the box's modal loop holds
// the test's thread.
class BoxAnswerer {
 public:
  BoxAnswerer() : thread_([this] { Run(); }) {}
  ~BoxAnswerer() { Finish(); }
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  // Stops watching; afterwards `seen` may be read.
  void Finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

  std::vector<SeenBox> seen;

 private:
  static std::wstring ClassOf(HWND w) {
    wchar_t name[64] = {};
    ::GetClassNameW(w, name, 64);
    return name;
  }
  static std::wstring TextOf(HWND w) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(w)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(::GetWindowTextW(w, text.data(), static_cast<int>(text.size()))));
    return text;
  }

  HWND FindBox() const {
    for (HWND w : drive::TopLevelWindows()) {
      DWORD pid = 0;
      ::GetWindowThreadProcessId(w, &pid);
      if (pid == ::GetCurrentProcessId() && ::IsWindowVisible(w) && ClassOf(w) == L"#32770") {
        return w;
      }
    }
    return nullptr;
  }

  static SeenBox Read(HWND box) {
    SeenBox shown;
    shown.title = TextOf(box);
    shown.owner = ::GetWindow(box, GW_OWNER);
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
      if (!::IsWindowVisible(child)) continue;
      const std::wstring cls = ClassOf(child);
      const LONG style = ::GetWindowLongW(child, GWL_STYLE);
      if (cls == L"Button") {
        shown.buttons.push_back(TextOf(child));
      } else if (cls == L"Static" && (style & SS_TYPEMASK) == SS_ICON) {
        // The box keeps its icon control; with no icon it holds none.
        if (::SendMessageW(child, STM_GETICON, 0, 0)) shown.icon = true;
      } else if (cls == L"Static" && !TextOf(child).empty()) {
        shown.text = TextOf(child);
      }
    }
    return shown;
  }

  void Run() {
    while (!stop_) {
      HWND box = FindBox();
      if (!box) {
        std::this_thread::sleep_for(20ms);
        continue;
      }
      // Let the box finish coming up, then read it and press Enter where
      // the focus is.
      std::this_thread::sleep_for(200ms);
      SeenBox shown = Read(box);
      GUITHREADINFO gui{};
      gui.cbSize = sizeof gui;
      const DWORD thread = ::GetWindowThreadProcessId(box, nullptr);
      HWND target = ::GetGUIThreadInfo(thread, &gui) && gui.hwndFocus ? gui.hwndFocus : box;
      ::PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0x001C0001);
      ::PostMessageW(target, WM_KEYUP, VK_RETURN, 0xC01C0001);
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (::IsWindow(box) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
      }
      shown.closedByEnter = !::IsWindow(box);
      // Never leave the test hanging on a box that Enter did not close.
      if (::IsWindow(box)) ::PostMessageW(box, WM_COMMAND, IDOK, 0);
      seen.push_back(std::move(shown));
    }
  }

  std::atomic<bool> stop_{false};
  std::thread thread_;
};

std::wstring ReadUtf16File(const std::wstring& path) {
  win32::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
  if (!file) return {};
  std::wstring text(static_cast<size_t>(::GetFileSize(file.get(), nullptr)) / sizeof(wchar_t),
                    L'\0');
  DWORD got = 0;
  ::ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &got,
             nullptr);
  text.resize(got / sizeof(wchar_t));
  return text;
}

const wchar_t kToolKey[] = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const wchar_t kFolderKey[] = L"SOFTWARE\\Microsoft\\Shared Tools Location";

// The two locations under the test's control, and two folders (their
// names with a space and Chinese, as real ones may have) holding copies
// of the stand-in tool.
class StartSysInfoUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    std::wstring temp(512, L'\0');
    temp.resize(::GetTempPathW(static_cast<DWORD>(temp.size()), temp.data()));
    root_ = temp + L"sv 探针 " + TestName();
    first_ = root_ + L"\\第一";
    second_ = root_ + L"\\第二";
    empty_ = root_ + L"\\空";
    for (const auto& dir : {root_, first_, second_, empty_}) {
      ASSERT_TRUE(::CreateDirectoryW(dir.c_str(), nullptr)) << Utf8(dir);
    }
    const std::wstring probe = drive::ExeFolder() + L"\\sysinfo_probe.exe";
    ASSERT_TRUE(::CopyFileW(probe.c_str(), (first_ + L"\\tool.exe").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW(probe.c_str(), (second_ + L"\\MSINFO32.EXE").c_str(), FALSE));
    marker_ = root_ + L"\\ran.txt";
    ASSERT_TRUE(::SetEnvironmentVariableW(L"SV_PROBE_MARKER", marker_.c_str()));
    about.Show();
  }

  void TearDown() override {
    about.Unload();
    // The last window gone posts the quit message: take it away before a
    // later test's message box meets it.
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    // A probe that has just written its marker may still be ending.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
      bool left = false;
      for (const auto& file : {first_ + L"\\tool.exe", second_ + L"\\MSINFO32.EXE", marker_}) {
        if (!::DeleteFileW(file.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) left = true;
      }
      if (!left || std::chrono::steady_clock::now() > deadline) break;
      std::this_thread::sleep_for(50ms);
    }
    for (const auto& dir : {first_, second_, empty_, root_}) ::RemoveDirectoryW(dir.c_str());
  }

  // Runs StartSysInfo, answering any message box it shows.
  std::vector<SeenBox> Start() {
    BoxAnswerer answerer;
    about.StartSysInfo();
    answerer.Finish();
    return answerer.seen;
  }

  // The probe's marker: the path it ran from and its show command.
  std::wstring WaitForMarker() {
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (std::chrono::steady_clock::now() < deadline) {
      // The tool writes its marker whole and renames it into place, yet a
      // read just after the name appeared once came back empty (the
      // emulated machine under a whole run's load): only text counts.
      if (::GetFileAttributesW(marker_.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (std::wstring text = ReadUtf16File(marker_); !text.empty()) return text;
      }
      std::this_thread::sleep_for(50ms);
    }
    return L"(the tool did not run)";
  }

  static void ExpectUnavailable(const std::vector<SeenBox>& boxes, HWND owner) {
    ASSERT_EQ(boxes.size(), 1u);
    const SeenBox& box = boxes[0];
    EXPECT_EQ(Utf8(box.title), "Selvane查询");
    EXPECT_EQ(Utf8(box.text), "此时系统信息不可用");
    ASSERT_EQ(box.buttons.size(), 1u) << "OK only";
    EXPECT_EQ(Utf8(box.buttons[0]), "确定");
    EXPECT_FALSE(box.icon);
    EXPECT_EQ(box.owner, owner) << "the About window owns it";
    EXPECT_TRUE(box.closedByEnter);
  }

  HWND AboutWindow() const { return ::FindWindowW(L"frmAbout", nullptr); }

  ScopedValue tool_{kToolKey, L"PATH"};
  ScopedValue folder_{kFolderKey, L"MSINFO"};
  std::wstring root_, first_, second_, empty_, marker_;
  win32::Win32System sys{::GetModuleHandleW(nullptr)};
  ui::frmAbout about{sys.Services()};
};

TEST_F(StartSysInfoUnderWine, TheFirstLocationStartsTheToolItNames) {
  tool_.Set(first_ + L"\\tool.exe");
  folder_.Set(second_);
  const auto boxes = Start();
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(Utf8(WaitForMarker()), Utf8(first_ + L"\\tool.exe\n1\n"))
      << "started from the first location, in a normal window (show command 1)";
}

TEST_F(StartSysInfoUnderWine, TheSecondLocationStartsTheToolInItsFolder) {
  tool_.Remove();
  folder_.Set(second_);
  const auto boxes = Start();
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(Utf8(WaitForMarker()), Utf8(second_ + L"\\MSINFO32.EXE\n1\n"));
}

TEST_F(StartSysInfoUnderWine, TheSecondLocationWithoutTheToolSaysUnavailable) {
  tool_.Remove();
  folder_.Set(empty_);
  ExpectUnavailable(Start(), AboutWindow());
  EXPECT_EQ(::GetFileAttributesW(marker_.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(StartSysInfoUnderWine, NeitherLocationSaysUnavailable) {
  tool_.Remove();
  folder_.Remove();
  ExpectUnavailable(Start(), AboutWindow());
}

TEST_F(StartSysInfoUnderWine, AToolThatCannotStartSaysUnavailable) {
  tool_.Set(empty_ + L"\\missing.exe");
  ExpectUnavailable(Start(), AboutWindow());
}

}  // namespace
}  // namespace sv
