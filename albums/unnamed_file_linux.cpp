// Unnamed files on Linux: open(O_TMPFILE) makes the file, linkat() through
// /proc/self/fd names it.
#include "albums/unnamed_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <utility>

#include "albums/temporary_names.h"

namespace weibo {
namespace {

constexpr char kOwnFiles[] = "/proc/self/fd";

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

class UnnamedFileReplacement : public FileReplacement {
 public:
  UnnamedFileReplacement(int descriptor, std::filesystem::path target,
                         std::mutex& directory_changes)
      : descriptor_(descriptor), target_(std::move(target)),
        directory_changes_(directory_changes) {}
  // A file that never got its name ends with its last descriptor.
  ~UnnamedFileReplacement() override {
    if (descriptor_ >= 0) close(descriptor_);
  }

  // Pieces are gathered up to kGatherBytes before they go to the file: a
  // picture arrives in pieces of 16 KiB, one system call each otherwise.
  bool Write(const char* data, std::size_t size) override {
    if (gathered_.size() + size > kGatherBytes && !WriteGathered()) return false;
    if (size >= kGatherBytes) return WriteAll(descriptor_, data, size);
    if (gathered_.capacity() < kGatherBytes) gathered_.reserve(kGatherBytes);
    gathered_.append(data, size);
    return true;
  }

  bool Commit(std::optional<std::int64_t> modified_seconds) override {
    if (descriptor_ < 0 || !WriteGathered()) return false;
    if (modified_seconds) {
      // Access time left as it is; a file system without times still keeps the picture.
      const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(*modified_seconds), 0}};
      futimens(descriptor_, times);
    }
    if (!GiveName()) return false;
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
  static constexpr std::size_t kGatherBytes = 64 * 1024;

  bool WriteGathered() {
    const bool written = WriteAll(descriptor_, gathered_.data(), gathered_.size());
    gathered_.clear();
    return written;
  }

  // Links the file to the target's name; when that name is taken, links it
  // beside the target under a temporary name and renames that over it.
  bool GiveName() {
    const std::string self = std::string(kOwnFiles) + "/" + std::to_string(descriptor_);
    const std::lock_guard<std::mutex> lock(directory_changes_);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      return true;
    }
    if (errno != EEXIST) return false;
    const std::filesystem::path temporary = TemporaryPathFor(target_);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      return false;
    }
    if (std::rename(temporary.c_str(), target_.c_str()) == 0) return true;
    unlink(temporary.c_str());  // a folder stands where the file should go
    return false;
  }

  int descriptor_;
  std::filesystem::path target_;
  std::mutex& directory_changes_;
  std::string gathered_;  // written, not yet handed to the file
};

}  // namespace

// Naming goes through /proc/self/fd (linkat with AT_EMPTY_PATH needs a
// privilege the user does not have); without /proc, files keep names.
UnnamedFiles::UnnamedFiles() : usable_(access(kOwnFiles, X_OK) == 0) {}

std::unique_ptr<FileReplacement> UnnamedFiles::Begin(const std::filesystem::path& target,
                                                     std::mutex& directory_changes) const {
  if (!usable_ || !target.has_filename()) return nullptr;
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  int descriptor = -1;
  {
    const std::lock_guard<std::mutex> lock(directory_changes);
    // Mode as a new file gets it from open(O_CREAT): 0666 less the umask.
    descriptor = open(folder.c_str(), O_WRONLY | O_TMPFILE | O_CLOEXEC, 0666);
  }
  if (descriptor < 0) return nullptr;  // no such folder, or a file system without them
  return std::make_unique<UnnamedFileReplacement>(descriptor, target, directory_changes);
}

}  // namespace weibo
