#include "albums/std_file_system.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>
#include <fstream>
#include <string>
#include <system_error>

#include "albums/path_names.h"
#include "albums/piece_gatherer.h"
#include "albums/temporary_names.h"
#include "support/icu_codepage.h"

namespace weibo {
namespace {

// The problem an errno value names, for a folder that still exists.
WriteProblem ProblemOfError(int error_number) {
  switch (error_number) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return WriteProblem::kDiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
      return WriteProblem::kNoPermission;
    case ENOENT:
    case ENOTDIR:
      return WriteProblem::kFolderGone;
    default:
      return WriteProblem::kOther;
  }
}

// Writes a block of `bytes` zero bytes to a new file `probe`; 0 when that
// worked, else the errno of the failing step (-1 when none was set).
int WriteProbe(const std::filesystem::path& probe, std::size_t bytes) {
  errno = 0;
  std::ofstream stream(probe, std::ios::binary | std::ios::trunc);
  if (!stream.is_open()) return errno != 0 ? errno : -1;
  const std::string block(bytes, '\0');
  stream.write(block.data(), static_cast<std::streamsize>(block.size()));
  stream.flush();
  if (!stream.fail()) stream.close();
  return stream.fail() ? (errno != 0 ? errno : -1) : 0;
}

class StdFileAppender : public FileAppender {
 public:
  explicit StdFileAppender(const std::filesystem::path& path)
      : stream_(path, std::ios::binary | std::ios::app) {}
  bool is_open() const { return stream_.is_open(); }
  bool Append(const ByteArray& bytes) override {
    stream_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    stream_.flush();  // each append reaches the file at once
    return !stream_.fail();
  }

 private:
  std::ofstream stream_;
};

class StdFileReplacement : public FileReplacement {
 public:
  // `directory_changes` (not owned) is held while the temporary file is
  // created, renamed or removed.
  StdFileReplacement(std::filesystem::path target, std::filesystem::path temporary,
                     std::mutex& directory_changes)
      : target_(std::move(target)), temporary_(std::move(temporary)),
        directory_changes_(directory_changes) {
    const std::lock_guard<std::mutex> lock(directory_changes_);
    stream_.open(temporary_, std::ios::binary | std::ios::trunc);
  }
  ~StdFileReplacement() override {
    if (committed_) return;
    if (stream_.is_open()) stream_.close();
    std::error_code error;
    const std::lock_guard<std::mutex> lock(directory_changes_);
    std::filesystem::remove(temporary_, error);
  }
  bool IsOpen() const { return stream_.is_open(); }

  bool Write(const char* data, std::size_t size) override {
    return gatherer_.Add(data, size,
                         [this](const char* d, std::size_t n) { return WriteOut(d, n); });
  }

  bool Commit(std::optional<std::int64_t> modified_seconds) override {
    if (!gatherer_.Drain([this](const char* d, std::size_t n) { return WriteOut(d, n); })) {
      return false;
    }
    stream_.close();
    if (stream_.fail()) return false;
    std::error_code error;
    if (modified_seconds) {
      const std::chrono::sys_seconds when{std::chrono::seconds(*modified_seconds)};
      std::filesystem::last_write_time(
          temporary_, std::chrono::file_clock::from_sys(when), error);
      error.clear();  // a file system without times still keeps the picture
    }
    {
      const std::lock_guard<std::mutex> lock(directory_changes_);
      std::filesystem::rename(temporary_, target_, error);
    }
    committed_ = !error;
    return committed_;
  }

 private:
  bool WriteOut(const char* data, std::size_t size) {
    stream_.write(data, static_cast<std::streamsize>(size));
    return !stream_.fail();
  }

  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::mutex& directory_changes_;
  std::ofstream stream_;
  PieceGatherer gatherer_;
  bool committed_ = false;
};

}  // namespace

std::filesystem::path StdFileSystem::NativePath(const Text& path) {
  const std::string separator(1, static_cast<char>(std::filesystem::path::preferred_separator));
  const std::string utf8 = CodePage936ToUtf8(ReplacePathSeparators(path, separator));
  if (utf8.empty()) return std::filesystem::path();
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

bool StdFileSystem::CreateFolder(const Text& path) {
  const std::filesystem::path native = NativePath(path);
  if (native.empty()) return false;
  std::error_code error;
  std::filesystem::create_directory(native, error);
  return std::filesystem::is_directory(native, error);
}

bool StdFileSystem::ReplaceFile(const Text& path, const ByteArray& bytes) {
  std::unique_ptr<FileReplacement> replacement = BeginReplace(path);
  return replacement != nullptr && replacement->Write(bytes.data(), bytes.size()) &&
         replacement->Commit(std::nullopt);
}

std::unique_ptr<FileReplacement> StdFileSystem::BeginReplace(const Text& path) {
  const std::filesystem::path native = NativePath(path);
  if (native.empty() || !native.has_filename()) return nullptr;
  if (auto unnamed = unnamed_files_.Begin(native, directory_changes_)) return unnamed;
  auto replacement = std::make_unique<StdFileReplacement>(native, TemporaryPathFor(native),
                                                          directory_changes_);
  if (!replacement->IsOpen()) return nullptr;
  return replacement;
}

std::optional<std::uint64_t> StdFileSystem::FileSize(const Text& path) {
  const std::filesystem::path native = NativePath(path);
  std::error_code error;
  if (native.empty() || !std::filesystem::is_regular_file(native, error)) return std::nullopt;
  const std::uintmax_t size = std::filesystem::file_size(native, error);
  if (error) return std::nullopt;
  return static_cast<std::uint64_t>(size);
}

std::optional<ByteArray> StdFileSystem::ReadFile(const Text& path) {
  const std::filesystem::path native = NativePath(path);
  if (native.empty()) return std::nullopt;
  std::ifstream stream(native, std::ios::binary);
  if (!stream) return std::nullopt;
  ByteArray bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
  if (stream.bad()) return std::nullopt;
  return bytes;
}

std::unique_ptr<FileAppender> StdFileSystem::OpenForAppend(const Text& path) {
  const std::filesystem::path native = NativePath(path);
  if (native.empty()) return nullptr;
  auto appender = std::make_unique<StdFileAppender>(native);
  if (!appender->is_open()) return nullptr;
  return appender;
}

bool StdFileSystem::RemoveFile(const Text& path) {
  const std::filesystem::path native = NativePath(path);
  if (native.empty()) return false;
  std::error_code error;
  std::filesystem::remove(native, error);
  return !std::filesystem::exists(native, error) && !error;
}

int StdFileSystem::RemoveLeftoverTemporaryFiles(const Text& folder) {
  const std::filesystem::path native = NativePath(folder);
  if (native.empty()) return 0;
  std::error_code error;
  std::vector<std::filesystem::path> leftovers;
  for (std::filesystem::directory_iterator it(native, error), end; !error && it != end;
       it.increment(error)) {
    const std::u8string name = it->path().filename().u8string();
    if (it->is_regular_file(error) && IsTemporaryName(std::string(name.begin(), name.end()))) {
      leftovers.push_back(it->path());
    }
  }
  int removed = 0;
  for (const std::filesystem::path& leftover : leftovers) {
    if (std::filesystem::remove(leftover, error)) ++removed;
  }
  return removed;
}

WriteProblem StdFileSystem::ProbeFolder(const Text& folder) {
  const std::filesystem::path native = NativePath(folder);
  if (native.empty()) return WriteProblem::kOther;
  std::error_code error;
  if (!std::filesystem::is_directory(native, error)) return WriteProblem::kFolderGone;
  const std::filesystem::path probe = TemporaryPathFor(native / u8"write-check");
  const int error_number = WriteProbe(probe, 4096);
  std::filesystem::remove(probe, error);
  if (error_number == 0) return WriteProblem::kNone;
  if (!std::filesystem::is_directory(native, error)) return WriteProblem::kFolderGone;
  return ProblemOfError(error_number);
}

namespace {
std::atomic<FileSystem*> replaced_file_system{nullptr};
}  // namespace

FileSystem& DefaultFileSystem() {
  static StdFileSystem* file_system = new StdFileSystem();  // never destroyed: workers may run
  FileSystem* replaced = replaced_file_system.load();
  return replaced != nullptr ? *replaced : *file_system;
}

FileSystem* ReplaceDefaultFileSystem(FileSystem* file_system) {
  return replaced_file_system.exchange(file_system);
}

}  // namespace weibo
