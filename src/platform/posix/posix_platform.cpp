#include "platform/posix/posix_platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace lanthe::posix {

namespace {

std::string NativePath(TextView path) { return TextToUtf8(path); }

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool WriteNewFile(const std::string& path, std::string_view bytes, bool sync) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes);
  if (ok && sync) ok = ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  return ok;
}

}  // namespace

bool PosixFileSystem::FileExists(TextView path) {
  struct stat info {};
  return ::stat(NativePath(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool PosixFileSystem::DirectoryExists(TextView path) {
  struct stat info {};
  return ::stat(NativePath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<std::string> PosixFileSystem::ReadFile(TextView path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

bool PosixFileSystem::WriteFileAtomic(TextView path, std::string_view bytes, std::optional<Text> backupPath) {
  const std::string target = NativePath(path);
  const std::string temporary = target + ".tmp-" + std::to_string(::getpid());
  if (!WriteNewFile(temporary, bytes, true)) {
    ::unlink(temporary.c_str());
    return false;
  }
  if (backupPath && FileExists(path)) {
    // A copy, not a move: the old file stays in place until the new one replaces it.
    const auto old = ReadFile(path);
    if (!old || !WriteNewFile(NativePath(*backupPath), *old, true)) {
      ::unlink(temporary.c_str());
      return false;
    }
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

bool PosixFileSystem::CopyOver(TextView from, TextView to) {
  const auto bytes = ReadFile(from);
  return bytes && WriteNewFile(NativePath(to), *bytes, false);
}

std::vector<DirectoryEntry> PosixFileSystem::ListFiles(TextView folder, TextView mask) {
  // Only masks of the form "*.ext", matched without regard to letter case.
  std::vector<DirectoryEntry> entries;
  const Text extension = AsciiUpper(mask.substr(mask.find(u'*') == 0 ? 1 : 0));
  std::error_code error;
  for (const auto& item : std::filesystem::directory_iterator(std::filesystem::path(NativePath(folder)), error)) {
    const Text name = Utf8ToText(item.path().filename().string());
    if (name.size() < extension.size() || AsciiUpper(TextView(name).substr(name.size() - extension.size())) != extension) {
      continue;
    }
    DirectoryEntry entry{name};
    entry.directory = item.is_directory(error);
    entry.hidden = !name.empty() && name.front() == u'.';
    entries.push_back(entry);
  }
  return entries;
}

Text PosixFolders::GetSpecialFolder(int) { return Text(); }

Text PosixFolders::GetWindowsDir() { return Text(); }

Text PosixFolders::ExecutablePath() {
  char buffer[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0) return Text();
  return Utf8ToText(std::string_view(buffer, static_cast<std::size_t>(length)));
}

bool PosixFolders::ChangeCurrentDirectory(TextView folder) { return ::chdir(NativePath(folder).c_str()) == 0; }

Text PosixFolders::ExpandEnvironment(TextView text) {
  Text result;
  std::size_t at = 0;
  while (at < text.size()) {
    const auto open = text.find(u'%', at);
    const auto close = open == TextView::npos ? TextView::npos : text.find(u'%', open + 1);
    if (close == TextView::npos) break;
    result += text.substr(at, open - at);
    const std::string name = TextToUtf8(text.substr(open + 1, close - open - 1));
    if (const char* value = name.empty() ? nullptr : std::getenv(name.c_str())) {
      result += Utf8ToText(value);
    } else {
      result += text.substr(open, close - open + 1);
    }
    at = close + 1;
  }
  return result + Text(text.substr(at));
}

Text AbsolutePath(TextView path) {
  std::error_code error;
  const auto absolute = std::filesystem::absolute(std::filesystem::path(NativePath(path)), error);
  if (error) return Text(path);
  return Utf8ToText(absolute.lexically_normal().string());
}

}  // namespace lanthe::posix
