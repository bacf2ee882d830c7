#include "albums/download_root_choice.h"

#include "albums/path_names.h"

namespace weibo {
namespace {

// The probe written into a candidate folder; a leading dot keeps it out of
// most listings in the moment it exists.
constexpr char kProbeFileName[] = ".weibo-write-probe";

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool IsAbsolutePath(std::string_view path) {
  if (!path.empty() && IsSeparator(path[0])) return true;
  return path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && IsSeparator(path[2]);
}

bool IsUsableFolder(const Text& path, FileSystem& files) {
  if (!IsAbsolutePath(path) || !files.CreateFolder(path)) return false;
  const Text probe = JoinPath(path, kProbeFileName);
  if (!files.ReplaceFile(probe, "probe")) return false;
  files.RemoveFile(probe);
  return true;
}

RunFolderChoice ChooseRunFolder(Shell& shell, FileSystem& files) {
  RunFolderChoice choice;
  for (const KnownFolder known : kRunFolderOrder) {
    const FolderSpelling spelling = shell.LocateFolder(known);
    if (!spelling.path.empty() && IsUsableFolder(spelling.path, files)) {
      choice.folder = spelling.path;
      return choice;
    }
    if (!spelling.shown.empty()) choice.refused.push_back(spelling.shown);
  }
  return choice;
}

}  // namespace weibo
