// Helpers shared by the tests of several folders: a recording shell, a
// temporary folder, file readers and code page 936 spellings of UTF-8 literals.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "flow/shell.h"
#include "support/text_rules.h"

namespace weibo {

// The code page 936 form of the UTF-8 text `utf8`.
Text Gbk(std::string_view utf8);

// A Shell whose program folder is a given folder (no other known folder)
// and which records what it was asked to show or open.
class FakeShell : public Shell {
 public:
  explicit FakeShell(Text run_directory = Text())
      : run_directory_(std::move(run_directory)) {}
  bool OpenAddress(const Text& address) override {
    opened.push_back(address);
    return true;
  }
  bool ShowItemSelected(const Text& path) override {
    shown.push_back(path);
    return true;
  }
  FolderSpelling LocateFolder(KnownFolder folder) override {
    if (folder != KnownFolder::kProgram) return FolderSpelling{};
    return FolderSpelling{run_directory_, run_directory_};
  }
  Text PathSeparator() const override { return "/"; }

  std::vector<Text> opened;
  std::vector<Text> shown;

 private:
  Text run_directory_;
};

// A fresh folder under the system's temporary folder, removed with its
// contents at the end of the test.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder as the tool spells paths (it is ASCII), with "/" between its
  // parts on every system.
  Text text() const { return path_.generic_string(); }

 private:
  std::filesystem::path path_;
};

// The native path of `parts` below `root`, each part given in UTF-8.
std::filesystem::path Below(const std::filesystem::path& root,
                            const std::vector<std::string>& parts);

// The whole content of the file at `path`; empty when it cannot be read.
ByteArray ReadWholeFile(const std::filesystem::path& path);

// The file's modification time in seconds since 1970 as the C runtime's
// stat reports it (independent of std::filesystem's clock); -1 when the file
// cannot be read.
std::int64_t ModifiedSeconds(const std::filesystem::path& path);

// The names (UTF-8) of the entries of `folder`, sorted.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

}  // namespace weibo
