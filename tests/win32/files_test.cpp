// Files and INI files in temporary folders.

#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "platform/win32/win32_platform.h"
#include "lockdown/program_folder.h"
#include "test_support.h"

namespace lanthe::win32 {
namespace {

using namespace tests;

using Names = std::vector<std::wstring>;

// Bytes a text-mode write would change: CR LF, a lone LF, NUL and a byte above 0x7F.
const std::string kOldBytes = std::string("[Old]\r\nvalue=1\n\0\xE9", 17);
const std::string kNewBytes = std::string("[New]\r\n\0\x1A\xFF end", 14);

TEST(FileSystem, TellsFilesFromDirectories) {
  TempFolder folder;
  ASSERT_TRUE(WriteBytes(folder.file(L"file.txt"), "x"));
  ASSERT_TRUE(::CreateDirectoryW(folder.file(L"sub").c_str(), nullptr));
  struct Row {
    std::wstring path;
    bool file;
    bool directory;
  };
  const Row rows[] = {
      {folder.file(L"file.txt"), true, false},
      {folder.file(L"sub"), false, true},
      {folder.path(), false, true},
      {folder.file(L"missing.txt"), false, false},
      {folder.file(L"missing\\file.txt"), false, false},
  };
  Win32FileSystem files;
  for (const auto& row : rows) {
    EXPECT_EQ(files.FileExists(T(row.path)), row.file) << row.path;
    EXPECT_EQ(files.DirectoryExists(T(row.path)), row.directory) << row.path;
  }
}

TEST(FileSystem, ReadsWholeFilesAndNothingElse) {
  TempFolder folder;
  std::string large(300000, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i % 251);
  ASSERT_TRUE(WriteBytes(folder.file(L"old.ini"), kOldBytes));
  ASSERT_TRUE(WriteBytes(folder.file(L"large.bin"), large));
  ASSERT_TRUE(WriteBytes(folder.file(L"empty.bin"), ""));
  Win32FileSystem files;
  EXPECT_EQ(files.ReadFile(T(folder.file(L"old.ini"))), std::optional<std::string>(kOldBytes));
  EXPECT_EQ(files.ReadFile(T(folder.file(L"large.bin"))), std::optional<std::string>(large));
  EXPECT_EQ(files.ReadFile(T(folder.file(L"empty.bin"))), std::optional<std::string>(""));
  EXPECT_EQ(files.ReadFile(T(folder.file(L"missing.bin"))), std::nullopt);
  EXPECT_EQ(files.ReadFile(T(folder.path())), std::nullopt);
}

TEST(FileSystem, ReadsAFileAnotherProgramHasOpenForWriting) {
  TempFolder folder;
  const std::wstring path = folder.file(L"busy.ini");
  ASSERT_TRUE(WriteBytes(path, kOldBytes));
  const UniqueFile writer(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(writer);
  EXPECT_EQ(Win32FileSystem().ReadFile(T(path)), std::optional<std::string>(kOldBytes));
}

TEST(AtomicWrite, CreatesAMissingFile) {
  TempFolder folder;
  Win32FileSystem files;
  EXPECT_TRUE(files.WriteFileAtomic(T(folder.file(L"new.ini")), kNewBytes));
  EXPECT_TRUE(files.WriteFileAtomic(T(folder.file(L"empty.ini")), ""));
  EXPECT_EQ(ReadBytes(folder.file(L"new.ini")), kNewBytes);
  EXPECT_EQ(ReadBytes(folder.file(L"empty.ini")), "");
  EXPECT_EQ(folder.entries(), (Names{L"empty.ini", L"new.ini"}));
}

TEST(AtomicWrite, ReplacesAnExistingFile) {
  TempFolder folder;
  const std::wstring path = folder.file(L"settings.ini");
  ASSERT_TRUE(WriteBytes(path, kOldBytes));
  Win32FileSystem files;
  EXPECT_TRUE(files.WriteFileAtomic(T(path), kNewBytes));
  EXPECT_EQ(ReadBytes(path), kNewBytes);
  // A shorter file after a longer one: nothing of the old one is left at the end.
  EXPECT_TRUE(files.WriteFileAtomic(T(path), "short"));
  EXPECT_EQ(ReadBytes(path), "short");
  EXPECT_EQ(folder.entries(), Names{L"settings.ini"});
}

TEST(AtomicWrite, KeepsTheOldFileAsBackupWhenAsked) {
  TempFolder folder;
  const std::wstring path = folder.file(L"settings.ini");
  const std::wstring backup = folder.file(L"settings.bak");
  ASSERT_TRUE(WriteBytes(path, kOldBytes));
  Win32FileSystem files;
  EXPECT_TRUE(files.WriteFileAtomic(T(path), kNewBytes, T(backup)));
  EXPECT_EQ(ReadBytes(path), kNewBytes);
  EXPECT_EQ(ReadBytes(backup), kOldBytes);
  EXPECT_EQ(folder.entries(), (Names{L"settings.bak", L"settings.ini"}));

  // An older backup gives way to the file that was just replaced.
  EXPECT_TRUE(files.WriteFileAtomic(T(path), "third", T(backup)));
  EXPECT_EQ(ReadBytes(path), "third");
  EXPECT_EQ(ReadBytes(backup), kNewBytes);
}

TEST(AtomicWrite, BackupOfAMissingFileIsNoFile) {
  TempFolder folder;
  const std::wstring path = folder.file(L"settings.ini");
  EXPECT_TRUE(Win32FileSystem().WriteFileAtomic(T(path), kNewBytes, T(folder.file(L"settings.bak"))));
  EXPECT_EQ(ReadBytes(path), kNewBytes);
  EXPECT_EQ(folder.entries(), Names{L"settings.ini"});
}

TEST(AtomicWrite, FailureLeavesTheOldFileWholeAndNoTemporaryFile) {
  TempFolder folder;
  Win32FileSystem files;

  // The folder does not exist.
  EXPECT_FALSE(files.WriteFileAtomic(T(folder.file(L"missing\\settings.ini")), kNewBytes));
  EXPECT_TRUE(folder.entries().empty());

  // A read-only file stays as it is, with and without a backup asked for.
  const std::wstring path = folder.file(L"settings.ini");
  ASSERT_TRUE(WriteBytes(path, kOldBytes));
  ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(files.WriteFileAtomic(T(path), kNewBytes));
  EXPECT_EQ(ReadBytes(path), kOldBytes);
  EXPECT_EQ(folder.entries(), Names{L"settings.ini"});
  EXPECT_FALSE(files.WriteFileAtomic(T(path), kNewBytes, T(folder.file(L"settings.bak"))));
  EXPECT_EQ(ReadBytes(path), kOldBytes);
  EXPECT_EQ(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY, DWORD{FILE_ATTRIBUTE_READONLY});
  for (const auto& name : folder.entries()) {
    EXPECT_TRUE(name == L"settings.ini" || name == L"settings.bak") << name;
  }

  // The target's name is taken by a directory.
  ASSERT_TRUE(::CreateDirectoryW(folder.file(L"taken").c_str(), nullptr));
  EXPECT_FALSE(files.WriteFileAtomic(T(folder.file(L"taken")), kNewBytes));
  EXPECT_TRUE(files.DirectoryExists(T(folder.file(L"taken"))));
  for (const auto& name : folder.entries()) {
    EXPECT_EQ(name.find(L".tmp"), std::wstring::npos) << name;
  }
}

TEST(CopyOver, CopiesOverAnExistingFile) {
  TempFolder folder;
  ASSERT_TRUE(WriteBytes(folder.file(L"from.ini"), kNewBytes));
  ASSERT_TRUE(WriteBytes(folder.file(L"to.ini"), kOldBytes + kOldBytes));
  Win32FileSystem files;
  EXPECT_TRUE(files.CopyOver(T(folder.file(L"from.ini")), T(folder.file(L"to.ini"))));
  EXPECT_EQ(ReadBytes(folder.file(L"to.ini")), kNewBytes);
  EXPECT_TRUE(files.CopyOver(T(folder.file(L"from.ini")), T(folder.file(L"fresh.ini"))));
  EXPECT_EQ(ReadBytes(folder.file(L"fresh.ini")), kNewBytes);
  EXPECT_FALSE(files.CopyOver(T(folder.file(L"missing.ini")), T(folder.file(L"to.ini"))));
  EXPECT_EQ(ReadBytes(folder.file(L"to.ini")), kNewBytes);
}

// ---- INI files ------------------------------------------------------------------

const std::string kServersIni =
    "[General]\r\n"
    "Zeta=first\r\n"
    "[ApplicationServers]\r\n"
    "Sales Desktop=\r\n"
    "Accounting=\r\n"
    "B=\r\n"
    "alpha=\r\n"
    "[Other]\r\n"
    "Key=Value\r\n";

// Wine enforces no access lists, but keeps and reports the ones it is given.
TEST(FileSecurity, TheAccessListAsSetDecidesWhoMayChangeAFile) {
  TempFolder folder;
  const std::wstring path = folder.file(L"lanthe.exe");
  ASSERT_TRUE(WriteBytes(path, "MZ"));
  Win32FileSecurity security;
  const auto mayChange = [&](const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR raw = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &raw, nullptr)) return Text(u"?");
    const UniqueLocal descriptor(raw);
    ::GetSecurityDescriptorDacl(raw, &present, &dacl, &defaulted);
    ::SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl,
                            nullptr);
    const auto list = security.ReadAccessList(T(path));
    if (!list) return Text(u"unreadable");
    Text names;
    for (const Text& name : TrusteesWhoMayChange(*list, false, WatchedTrustees(std::nullopt, u""))) names += name;
    return names;
  };
  EXPECT_EQ(mayChange(L"D:P(A;;FA;;;BA)(A;;FA;;;SY)(A;;FRFX;;;BU)"), u"") << "Users read and run";
  EXPECT_EQ(mayChange(L"D:P(A;;FA;;;BA)(A;;FA;;;SY)(A;;GA;;;WD)"), u"Everyone");
  EXPECT_EQ(security.ReadAccessList(T(folder.file(L"missing.exe"))), std::nullopt);
}

TEST(IniFiles, SectionKeysComeInFileOrder) {
  TempFolder folder;
  const std::wstring path = folder.file(L"appsrv.ini");
  ASSERT_TRUE(WriteBytes(path, kServersIni));
  Win32IniFiles ini;
  EXPECT_EQ(ini.ReadSectionKeys(T(path), u"ApplicationServers"),
            (std::vector<Text>{u"Sales Desktop", u"Accounting", u"B", u"alpha"}));
  EXPECT_EQ(ini.ReadSectionKeys(T(path), u"Other"), std::vector<Text>{u"Key"});
  EXPECT_TRUE(ini.ReadSectionKeys(T(path), u"Missing").empty());
  EXPECT_TRUE(ini.ReadSectionKeys(T(folder.file(L"missing.ini")), u"ApplicationServers").empty());
}

TEST(IniFiles, LongSectionsAndValuesAreReadWhole) {
  TempFolder folder;
  const std::wstring path = folder.file(L"long.ini");
  std::string content = "[Many]\r\n";
  std::vector<Text> expected;
  for (int i = 0; i < 600; ++i) {
    const std::string name = "Server number " + std::to_string(i);
    content += name + "=x\r\n";
    expected.emplace_back(name.begin(), name.end());
  }
  const std::string longValue(5000, 'v');
  content += "[Long]\r\nValue=" + longValue + "\r\n";
  ASSERT_TRUE(WriteBytes(path, content));
  Win32IniFiles ini;
  EXPECT_EQ(ini.ReadSectionKeys(T(path), u"Many"), expected);
  EXPECT_EQ(ini.ReadString(T(path), u"Long", u"Value", u""), Text(longValue.begin(), longValue.end()));
}

TEST(IniFiles, ReadStringGivesTheValueOrTheDefault) {
  TempFolder folder;
  const std::wstring path = folder.file(L"appsrv.ini");
  ASSERT_TRUE(WriteBytes(path, kServersIni));
  Win32IniFiles ini;
  EXPECT_EQ(ini.ReadString(T(path), u"Other", u"Key", u"fallback"), u"Value");
  EXPECT_EQ(ini.ReadString(T(path), u"other", u"KEY", u"fallback"), u"Value");
  EXPECT_EQ(ini.ReadString(T(path), u"Other", u"Missing", u"fallback"), u"fallback");
  EXPECT_EQ(ini.ReadString(T(path), u"ApplicationServers", u"B", u"fallback"), u"");
  EXPECT_EQ(ini.ReadString(T(folder.file(L"missing.ini")), u"Other", u"Key", u"fallback"), u"fallback");
}

TEST(IniFiles, WrittenValuesAreReadBackAndOnDisk) {
  TempFolder folder;
  const std::wstring path = folder.file(L"written.ini");
  Win32IniFiles ini;
  EXPECT_TRUE(ini.WriteString(T(path), u"ApplicationServers", u"Desktop", u""));
  EXPECT_TRUE(ini.WriteString(T(path), u"ApplicationServers", u"Mail", u""));
  EXPECT_TRUE(ini.WriteString(T(path), u"Settings", u"Server", u"farm.example"));
  EXPECT_TRUE(ini.WriteString(T(path), u"Settings", u"Server", u"farm2.example"));
  EXPECT_EQ(ini.ReadString(T(path), u"Settings", u"Server", u""), u"farm2.example");
  EXPECT_EQ(ini.ReadSectionKeys(T(path), u"ApplicationServers"), (std::vector<Text>{u"Desktop", u"Mail"}));
  const std::string onDisk = ReadBytes(path);
  EXPECT_NE(onDisk.find("Server=farm2.example"), std::string::npos) << onDisk;
  EXPECT_FALSE(ini.WriteString(T(folder.file(L"missing\\x.ini")), u"S", u"K", u"V"));
}

}  // namespace
}  // namespace lanthe::win32
