// The file adapter against the real (Wine) file system: whole reads, the
// statuses that the query turns into its message, and that nothing it does
// ever creates or changes a file.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "driver/driver.h"
#include "platform/win32/files_win32.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace sv {
namespace {

using platform::ReadStatus;

class Win32FileSystemTest : public ::testing::Test {
 protected:
  std::wstring In(const std::wstring& name) const { return folder_.Path() + L"\\" + name; }

  void Put(const std::wstring& name, const std::string& bytes) {
    win32::UniqueFile file(::CreateFileW(In(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << "cannot create " << drive::Utf8(name);
    DWORD written = 0;
    ASSERT_TRUE(
        ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  }

  platform::FileContents Read(const std::wstring& path) const {
    return files_.ReadWhole(win32::FromW(path));
  }

  // Takes the folder as it is now; TearDown checks it is the same after.
  void Mark() { before_ = drive::Snapshot(folder_.Path()); }

  void TearDown() override {
    const drive::FolderSnapshot after = drive::Snapshot(folder_.Path());
    EXPECT_TRUE(after == before_) << "the folder held " << drive::Describe(before_)
                                  << " and now holds " << drive::Describe(after);
  }

  drive::TempFolder folder_{L"sv-files"};
  drive::FolderSnapshot before_;
  win32::Win32FileSystem files_;
};

TEST_F(Win32FileSystemTest, ReadsTheWholeFileByteForByte) {
  // Larger than one read of a small buffer, with NULs, GBK and line ends;
  // under a Chinese name, which only the W functions reach.
  std::string bytes(
      "\xD7\xD6"
      "5554\r\n\0\xFF",
      10);
  while (bytes.size() < 300000) bytes += static_cast<char>(bytes.size() * 7);
  Put(L"码表.dat", bytes);
  Put(L"empty.dat", "");
  Mark();

  const platform::FileContents whole = Read(In(L"码表.dat"));
  EXPECT_EQ(whole.status, ReadStatus::Ok);
  EXPECT_TRUE(whole.bytes == bytes)
      << "read " << whole.bytes.size() << " of " << bytes.size() << " bytes, or not the same ones";

  const platform::FileContents empty = Read(In(L"empty.dat"));
  EXPECT_EQ(empty.status, ReadStatus::Ok);
  EXPECT_EQ(empty.bytes, "");
}

TEST_F(Win32FileSystemTest, MissingFileOrFolderIsNotFoundAndStaysMissing) {
  Mark();
  EXPECT_EQ(Read(In(L"z.dat")).status, ReadStatus::NotFound);
  EXPECT_EQ(Read(In(L"no such folder\\z.dat")).status, ReadStatus::NotFound);
}

TEST_F(Win32FileSystemTest, DirectoryIsUnreadable) {
  ASSERT_TRUE(::CreateDirectoryW(In(L"z.dat").c_str(), nullptr));
  Mark();
  const platform::FileContents contents = Read(In(L"z.dat"));
  EXPECT_EQ(contents.status, ReadStatus::Unreadable);
  EXPECT_EQ(contents.bytes, "");
}

TEST_F(Win32FileSystemTest, FileHeldWithoutSharingIsUnreadable) {
  Put(L"z.dat",
      "\xD7\xD6"
      "5554");
  Mark();
  win32::UniqueFile holder(::CreateFileW(In(L"z.dat").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(holder);
  EXPECT_EQ(Read(In(L"z.dat")).status, ReadStatus::Unreadable);
  holder.reset();
  EXPECT_EQ(Read(In(L"z.dat")).status, ReadStatus::Ok) << "readable again once let go";
}

TEST_F(Win32FileSystemTest, FullPathResolvesAgainstTheCurrentDirectory) {
  Mark();
  std::wstring saved(::GetCurrentDirectoryW(0, nullptr), L'\0');
  saved.resize(::GetCurrentDirectoryW(static_cast<DWORD>(saved.size()), saved.data()));
  ASSERT_TRUE(::SetCurrentDirectoryW(folder_.Path().c_str()));

  const Text full = files_.FullPath(u"z.dat");
  const Text relative = files_.FullPath(u"sub\\..\\z.dat");
  ::SetCurrentDirectoryW(saved.c_str());

  EXPECT_EQ(drive::Utf8(std::wstring(full.begin(), full.end())), drive::Utf8(In(L"z.dat")));
  EXPECT_EQ(relative, full);
}

}  // namespace
}  // namespace sv
