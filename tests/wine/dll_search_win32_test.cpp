// The limit on the DLL search against the real (Wine) loader: a DLL
// planted beside the exe, as in a Downloads folder, is found by a load by
// name before the limit and never after it, while system DLLs still load.
// The limit holds for the rest of the process: ctest runs each test in a
// process of its own.
#include <windows.h>

#include <gtest/gtest.h>

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

TEST(DllSearchLimit, APlantedDllBesideTheExeIsFoundBeforeTheLimitAndNeverAfter) {
  // Built beside this test program (probe_dll.c).
  const wchar_t* const planted = L"sv_probe.dll";
  ASSERT_TRUE(UniqueModule(::LoadLibraryW(planted))) << "without the limit the search finds it";

  ASSERT_TRUE(win32::LimitDllSearchToSystem32());

  EXPECT_FALSE(UniqueModule(::LoadLibraryW(planted)));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_TRUE(UniqueModule(::LoadLibraryW(L"version.dll"))) << "a system DLL by name";
}

}  // namespace
}  // namespace sv
