// The limit on the DLL search against the real (Wine) loader: a DLL
// planted beside the exe or in the current folder, where a user's download
// lands, is found by a load by name before the limit and never after it,
// while system DLLs still load. Each test runs in a process of its own, so
// the limit of one does not reach the next.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "driver/driver.h"
#include "platform/win32/dll_search.h"
#include "platform/win32/handles.h"

namespace sv {
namespace {

struct ModuleTraits {
  using pointer = HMODULE;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer p) { ::FreeLibrary(p); }
};
using UniqueModule = win32::Unique<ModuleTraits>;

// Built beside this test program (tests/wine/probe_dll.c).
constexpr wchar_t kProbe[] = L"sv_probe.dll";

enum class Planted { BesideTheExe, InTheCurrentFolder };

class DllSearchLimit : public ::testing::TestWithParam<Planted> {
 protected:
  void SetUp() override {
    if (GetParam() == Planted::BesideTheExe) {
      name_ = kProbe;
      return;
    }
    // Under a name that is not beside the exe, so only the current folder
    // can offer it.
    name_ = L"sv_probe_current.dll";
    ASSERT_TRUE(::CopyFileW((drive::ExeFolder() + L"\\" + kProbe).c_str(),
                            (folder_.Path() + L"\\" + name_).c_str(), TRUE));
    ASSERT_TRUE(::SetCurrentDirectoryW(folder_.Path().c_str()));
  }
  // The folder goes only once it is no longer the current one.
  void TearDown() override { ::SetCurrentDirectoryW(drive::ExeFolder().c_str()); }

  std::wstring name_;
  drive::TempFolder folder_{L"sv-dll-search"};
};

TEST_P(DllSearchLimit, ThePlantedDllIsFoundBeforeTheLimitAndNeverAfter) {
  ASSERT_TRUE(UniqueModule(::LoadLibraryW(name_.c_str())))
      << "without the limit the search should find " << drive::Utf8(name_);

  ASSERT_TRUE(win32::LimitDllSearchToSystem32());

  EXPECT_FALSE(UniqueModule(::LoadLibraryW(name_.c_str())));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_TRUE(UniqueModule(::LoadLibraryW(L"version.dll"))) << "a system DLL by name";
}

INSTANTIATE_TEST_SUITE_P(Where, DllSearchLimit,
                         ::testing::Values(Planted::BesideTheExe, Planted::InTheCurrentFolder),
                         [](const auto& info) {
                           return info.param == Planted::BesideTheExe ? "BesideTheExe"
                                                                      : "InTheCurrentFolder";
                         });

}  // namespace
}  // namespace sv
