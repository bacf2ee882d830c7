#include "support/session_store_file_posix.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <utility>

#include "support/session_record.h"

namespace weibo {
namespace {

constexpr char kFileName[] = "session";
constexpr std::size_t kLargestRecord = 1 << 20;

// The user and the machine the session belongs to.
Text Owner() {
  Text machine;
  for (const char* path : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
    std::ifstream file(path);
    if (file && std::getline(file, machine) && !machine.empty()) break;
  }
  return "uid " + std::to_string(getuid()) + " machine " + machine;
}

bool IsPrivateFolder(const Text& folder) {
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 077) == 0;
}

// Creates `folder` and its missing parents; the last one gets mode 0700.
bool MakePrivateFolder(const Text& folder) {
  for (std::size_t slash = folder.find('/', 1); slash != Text::npos;
       slash = folder.find('/', slash + 1)) {
    const Text parent = folder.substr(0, slash);
    if (mkdir(parent.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  // A folder made earlier with a wider mode is narrowed, when it is ours.
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid()) {
    return false;
  }
  if ((info.st_mode & 077) != 0 && chmod(folder.c_str(), 0700) != 0) return false;
  return true;
}

bool WriteAll(int fd, const ByteArray& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

// The file's bytes when it is a private plain file of this user, opened
// without following a link; nothing otherwise.
std::optional<ByteArray> ReadPrivateFile(const Text& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  std::optional<ByteArray> bytes;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == getuid() &&
      (info.st_mode & 077) == 0 && static_cast<std::size_t>(info.st_size) <= kLargestRecord) {
    ByteArray read_bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < read_bytes.size()) {
      const ssize_t got = read(fd, read_bytes.data() + done, read_bytes.size() - done);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    if (done == read_bytes.size()) bytes = std::move(read_bytes);
  }
  close(fd);
  return bytes;
}

}  // namespace

FileSessionStore::FileSessionStore(Text folder) : folder_(std::move(folder)) {}

Text FileSessionStore::Path() const { return folder_ + "/" + kFileName; }

std::optional<Text> FileSessionStore::Load() {
  if (folder_.empty()) return std::nullopt;
  const Text path = Path();
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return std::nullopt;
  std::optional<ByteArray> bytes;
  if (IsPrivateFolder(folder_)) bytes = ReadPrivateFile(path);
  std::optional<Text> jar;
  if (bytes.has_value()) jar = DecodeSessionRecord(*bytes, Owner());
  if (!jar.has_value()) Remove();
  return jar;
}

bool FileSessionStore::Save(const Text& cookie_jar) {
  if (folder_.empty() || !MakePrivateFolder(folder_)) return false;
  Text temporary = folder_ + "/" + kFileName + ".XXXXXX";
  // mkstemp creates the file with mode 0600.
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fchmod(fd, 0600) == 0 && WriteAll(fd, EncodeSessionRecord(Owner(), cookie_jar)) &&
            fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok) ok = rename(temporary.c_str(), Path().c_str()) == 0;
  if (!ok) unlink(temporary.c_str());
  return ok;
}

void FileSessionStore::Remove() {
  if (!folder_.empty()) unlink(Path().c_str());
}

Text DefaultStateFolder() {
  Text base;
  const char* state_home = std::getenv("XDG_STATE_HOME");
  if (state_home != nullptr && state_home[0] == '/') {
    base = state_home;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
      const passwd* entry = getpwuid(getuid());
      home = entry != nullptr ? entry->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] != '/') return Text();
    base = Text(home) + "/.local/state";
  }
  return base + "/weibo-album-downloader";
}

}  // namespace weibo
