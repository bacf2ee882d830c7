#include "app/win32/win32_shell.h"

#include "app/win32/windows_api.h"
#include <objbase.h>
#include <shlobj.h>
#include <shellapi.h>

#include "app/win32/wide_text.h"

namespace weibo {
namespace {

// The folder that holds the executable.
std::wstring ExecutableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring PicturesFolder() {
  wchar_t* path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Pictures, KF_FLAG_CREATE, nullptr, &path))) {
    folder = path;
  }
  CoTaskMemFree(path);
  return folder;
}

// Whether a file can be created in `folder` (a test file, removed at once).
bool IsWritableFolder(const std::wstring& folder) {
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return false;
  }
  wchar_t probe[MAX_PATH + 16] = {};
  if (GetTempFileNameW(folder.c_str(), L"wad", 0, probe) == 0) return false;
  DeleteFileW(probe);
  return true;
}

}  // namespace

bool Win32Shell::IsWebAddress(const Text& address) {
  const Text trimmed = TrimSpaces(address);
  const std::size_t colon = trimmed.find("://");
  if (colon == Text::npos) return false;
  Text scheme = trimmed.substr(0, colon);
  for (char& c : scheme) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  const Text rest = trimmed.substr(colon + 3);
  const std::size_t host_end = rest.find_first_of("/?#");
  return (scheme == "http" || scheme == "https") && host_end != 0 && !rest.empty();
}

bool Win32Shell::OpenAddress(const Text& address) {
  if (!IsWebAddress(address)) return false;
  // The browser may be started through COM: the thread must be in an
  // apartment (StartWin32Ui makes the user-interface thread one for good).
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
      nullptr, L"open", Wide(TrimSpaces(address)).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (SUCCEEDED(com)) CoUninitialize();
  return result > 32;
}

bool Win32Shell::ShowItemSelected(const Text& path) {
  if (path.empty()) return false;
  const std::wstring wide = Wide(path);
  if (GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bool shown = false;
  if (PIDLIST_ABSOLUTE item = ILCreateFromPathW(wide.c_str())) {
    shown = SUCCEEDED(SHOpenFolderAndSelectItems(item, 0, nullptr, 0));
    ILFree(item);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return shown;
}

Text Win32Shell::RunDirectory() {
  if (!run_directory_) run_directory_ = FirstUsableFolder({ExecutableFolder(), PicturesFolder()});
  return *run_directory_;
}

Text Win32Shell::FirstUsableFolder(const std::vector<std::wstring>& candidates) {
  for (std::wstring folder : candidates) {
    while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    if (folder.empty()) continue;
    const Text spelled = Narrow(folder);
    if (Wide(spelled) != folder) continue;  // code page 936 cannot spell it
    CreateDirectoryW(folder.c_str(), nullptr);
    if (IsWritableFolder(folder)) return spelled;
  }
  return Text();
}

}  // namespace weibo
