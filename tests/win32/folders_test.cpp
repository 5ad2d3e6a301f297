// Shell folders, the Windows directory and the program's own path.

#include <gtest/gtest.h>

#include <windows.h>

#include "platform/folders.h"
#include "platform/win32/shared_functions.h"
#include "platform/win32/win32_platform.h"
#include "test_support.h"

namespace lanthe::win32 {
namespace {

using namespace tests;

bool IsDirectory(const Text& path) {
  const DWORD attributes = ::GetFileAttributesW(W(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool SamePath(const Text& a, const std::wstring& b) { return ::lstrcmpiW(W(a).c_str(), b.c_str()) == 0; }

TEST(SpecialFolders, KnownFoldersAreExistingDirectoriesWithoutTrailingBackslash) {
  const int folders[] = {Csidl::kDesktop, Csidl::kAppData, Csidl::kSystem, Csidl::kProgramFiles,
                         Csidl::kProgramFilesX86};
  for (const int csidl : folders) {
    const Text path = GetSpecialFolder(csidl);
    ASSERT_FALSE(path.empty()) << "CSIDL " << csidl;
    EXPECT_NE(path.back(), u'\\') << "CSIDL " << csidl;
    EXPECT_TRUE(IsDirectory(path)) << "CSIDL " << csidl;
    // Read where the shell keeps them, without the shell: the shell's own answer.
    EXPECT_TRUE(SamePath(Win32Folders().GetSpecialFolder(csidl), W(path))) << "CSIDL " << csidl;
  }
}

TEST(SpecialFolders, SystemFolderIsTheSystemDirectory) {
  wchar_t system[MAX_PATH] = {};
  ASSERT_GT(::GetSystemDirectoryW(system, MAX_PATH), 0u);
  EXPECT_TRUE(SamePath(GetSpecialFolder(Csidl::kSystem), system));
}

TEST(SpecialFolders, UnknownFolderIsEmpty) {
  for (const int csidl : {0x7FFF, 0x00FF, -1}) {
    EXPECT_TRUE(GetSpecialFolder(csidl).empty()) << "CSIDL " << csidl;
  }
}

TEST(WindowsDirectory, ExistsAndHasNoTrailingBackslash) {
  const Text windows = GetWindowsDir();
  ASSERT_FALSE(windows.empty());
  EXPECT_NE(windows.back(), u'\\');
  EXPECT_TRUE(IsDirectory(windows));
  EXPECT_TRUE(SamePath(windows, EnvironmentValue(L"SystemRoot")));
  EXPECT_EQ(Win32Folders().GetWindowsDir(), windows);
}

TEST(ExecutablePath, IsThisTestProgram) {
  const Text path = Win32Folders().ExecutablePath();
  const std::wstring expected = ProgramFolder() + L"lanthe_win32_tests.exe";
  EXPECT_TRUE(SamePath(path, expected)) << W(path);
  EXPECT_EQ(path.find(u'\0'), Text::npos);
  EXPECT_EQ(DirectoryOf(path), T(ProgramFolder()));
}

TEST(FullPath, ResolvesAgainstTheCurrentDirectory) {
  wchar_t current[MAX_PATH] = {};
  ASSERT_GT(::GetCurrentDirectoryW(MAX_PATH, current), 0u);
  std::wstring base = current;
  if (base.back() != L'\\') base += L'\\';
  const std::wstring deep(300, L'd');
  struct Row {
    std::wstring given;
    std::wstring expected;
  };
  const Row rows[] = {
      {L"settings.ini", base + L"settings.ini"},
      {L"sub\\..\\other\\.\\x.ini", base + L"other\\x.ini"},
      {L"C:\\Apps\\Lanthe\\..\\lanthe.ini", L"C:\\Apps\\lanthe.ini"},
      // Longer than MAX_PATH once resolved.
      {deep + L"\\x.ini", base + deep + L"\\x.ini"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(W(FullPath(T(row.given))), row.expected);
  }
  EXPECT_EQ(FullPath(u""), u"");
}

}  // namespace
}  // namespace lanthe::win32
