// The folder the users' download roots are made in: the first usable one of
// the program's folder, the user's pictures folder and the home folder.
// A folder is usable when its path is absolute, spelled in code page 936
// (perhaps by its short name), exists or can be made, and takes a file.
//
// Threading: any thread; the probe file it writes is removed at once.
#pragma once

#include <string_view>
#include <vector>

#include "albums/file_system.h"
#include "flow/shell.h"

namespace weibo {

// The folders tried, in this order.
inline constexpr KnownFolder kRunFolderOrder[] = {KnownFolder::kProgram, KnownFolder::kPictures,
                                                  KnownFolder::kHome};

struct RunFolderChoice {
  // The chosen folder (a FolderSpelling::path); empty when none is usable.
  Text folder;
  // The folders passed over, as the operator knows them, in the order tried.
  std::vector<Text> refused;
};

// True for a path that does not depend on the working folder: "/x",
// "\x", "\\server\share" or a drive letter followed by ":\" or ":/".
bool IsAbsolutePath(std::string_view path);

// Whether `path` is a usable folder (see above). Creates the folder (one
// level) when missing, and writes and removes a probe file in it.
bool IsUsableFolder(const Text& path, FileSystem& files);

// Asks `shell` for the known folders in kRunFolderOrder and takes the first
// usable one.
RunFolderChoice ChooseRunFolder(Shell& shell, FileSystem& files);

}  // namespace weibo
