// Unnamed files on Linux: open(O_TMPFILE) makes the file, linkat() through
// /proc/self/fd names it.
#include "albums/unnamed_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "albums/piece_gatherer.h"
#include "albums/temporary_names.h"

namespace weibo {
namespace {

bool WriteAll(int descriptor, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(descriptor, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// Copies the whole content of `from` to `to`; false when it cannot.
bool CopyContent(int from, int to) {
  off_t offset = 0;
  std::string buffer(64 * 1024, '\0');
  for (;;) {
    const ssize_t got = pread(from, buffer.data(), buffer.size(), offset);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(got))) return false;
    offset += got;
  }
}

class UnnamedFileReplacement : public FileReplacement {
 public:
  // `own_files` names the folder of the process's open files; `usable` is
  // cleared when naming fails for another reason than a taken name.
  UnnamedFileReplacement(int descriptor, std::filesystem::path target,
                         std::mutex& directory_changes, const std::string& own_files,
                         std::atomic<bool>& usable)
      : descriptor_(descriptor), target_(std::move(target)),
        directory_changes_(directory_changes), own_files_(own_files), usable_(usable) {}
  // A file that never got its name ends with its last descriptor.
  ~UnnamedFileReplacement() override {
    if (descriptor_ >= 0) close(descriptor_);
  }

  bool Write(const char* data, std::size_t size) override {
    return gatherer_.Add(data, size,
                         [this](const char* d, std::size_t n) { return WriteOut(d, n); });
  }

  bool Commit(std::optional<std::int64_t> modified_seconds) override {
    if (descriptor_ < 0 ||
        !gatherer_.Drain([this](const char* d, std::size_t n) { return WriteOut(d, n); })) {
      return false;
    }
    SetModified(descriptor_, modified_seconds);
    if (!GiveName() && !CopyToNamedFile(modified_seconds)) return false;
    const int closed = close(descriptor_);
    descriptor_ = -1;
    if (closed == 0) return true;
    // The file system reported a failed write only now: the named file may
    // lack bytes, so it goes.
    const std::lock_guard<std::mutex> lock(directory_changes_);
    unlink(target_.c_str());
    return false;
  }

 private:
  bool WriteOut(const char* data, std::size_t size) { return WriteAll(descriptor_, data, size); }

  // Access time left as it is; a file system without times still keeps the picture.
  static void SetModified(int descriptor, std::optional<std::int64_t> modified_seconds) {
    if (!modified_seconds) return;
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(*modified_seconds), 0}};
    futimens(descriptor, times);
  }

  // Links the file to the target's name; when that name is taken, links it
  // beside the target under a temporary name and renames that over it.
  bool GiveName() {
    const std::string self = own_files_ + "/" + std::to_string(descriptor_);
    const std::lock_guard<std::mutex> lock(directory_changes_);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      return true;
    }
    const int error = errno;
    if (error == EEXIST) {
      const std::filesystem::path temporary = TemporaryPathFor(target_);
      if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        if (std::rename(temporary.c_str(), target_.c_str()) == 0) return true;
        unlink(temporary.c_str());  // a folder stands where the file should go
        renamed_failed_ = true;
        return false;
      }
    }
    // Unless the folder itself refuses (full, read-only, gone), this system
    // does not name such files: later pictures use named temporary files.
    if (!FolderRefuses(error)) usable_.store(false);
    return false;
  }

  bool FolderRefuses(int error) const {
    if (error == ENOSPC || error == EDQUOT || error == EROFS || error == EACCES) return true;
    std::error_code ignored;
    return error == ENOENT && !std::filesystem::is_directory(target_.parent_path(), ignored);
  }

  // The fallback when the file could not be named: its bytes go to a named
  // temporary file beside the target, which is renamed over it.
  bool CopyToNamedFile(std::optional<std::int64_t> modified_seconds) {
    if (renamed_failed_) return false;
    const std::filesystem::path temporary = TemporaryPathFor(target_);
    int copy = -1;
    {
      const std::lock_guard<std::mutex> lock(directory_changes_);
      copy = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    if (copy < 0) return false;
    bool copied = CopyContent(descriptor_, copy);
    if (copied) SetModified(copy, modified_seconds);
    copied = close(copy) == 0 && copied;
    const std::lock_guard<std::mutex> lock(directory_changes_);
    if (copied && std::rename(temporary.c_str(), target_.c_str()) == 0) return true;
    unlink(temporary.c_str());
    return false;
  }

  int descriptor_;
  std::filesystem::path target_;
  std::mutex& directory_changes_;
  const std::string& own_files_;
  std::atomic<bool>& usable_;
  PieceGatherer gatherer_;
  bool renamed_failed_ = false;  // a folder stands at the target's name
};

}  // namespace

// Naming goes through /proc/self/fd (linkat with AT_EMPTY_PATH needs a
// privilege the user does not have); without /proc, files keep names.
UnnamedFiles::UnnamedFiles(const char* own_files)
    : own_files_(own_files), usable_(access(own_files, X_OK) == 0) {}

std::unique_ptr<FileReplacement> UnnamedFiles::Begin(const std::filesystem::path& target,
                                                     std::mutex& directory_changes) {
  if (!usable_.load() || !target.has_filename()) return nullptr;
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  int descriptor = -1;
  {
    const std::lock_guard<std::mutex> lock(directory_changes);
    // Mode as a new file gets it from open(O_CREAT): 0666 less the umask.
    // Readable too, for the fallback that copies the bytes.
    descriptor = open(folder.c_str(), O_RDWR | O_TMPFILE | O_CLOEXEC, 0666);
  }
  if (descriptor < 0) return nullptr;  // no such folder, or a file system without them
  return std::make_unique<UnnamedFileReplacement>(descriptor, target, directory_changes,
                                                  own_files_, usable_);
}

}  // namespace weibo
