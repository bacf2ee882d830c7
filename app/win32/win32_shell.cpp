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

// A folder the shell knows (pictures, profile ...); empty when it has none.
std::wstring ShellFolder(REFKNOWNFOLDERID id, DWORD flags) {
  wchar_t* path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, flags, nullptr, &path))) folder = path;
  CoTaskMemFree(path);
  return folder;
}

// The short (8.3) name of the existing `folder`; empty when it has none.
std::wstring ShortName(const std::wstring& folder) {
  const DWORD size = GetShortPathNameW(folder.c_str(), nullptr, 0);
  if (size == 0) return std::wstring();
  std::wstring path(size, L'\0');
  const DWORD length = GetShortPathNameW(folder.c_str(), path.data(), size);
  if (length == 0 || length >= size) return std::wstring();
  path.resize(length);
  return path;
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

FolderSpelling Win32Shell::LocateFolder(KnownFolder folder) {
  switch (folder) {
    case KnownFolder::kProgram: return SpellFolder(ExecutableFolder());
    case KnownFolder::kPictures: return SpellFolder(ShellFolder(FOLDERID_Pictures, KF_FLAG_CREATE));
    case KnownFolder::kHome: return SpellFolder(ShellFolder(FOLDERID_Profile, 0));
  }
  return FolderSpelling{};
}

FolderSpelling Win32Shell::SpellFolder(std::wstring folder) {
  while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  if (folder.empty()) return FolderSpelling{};
  FolderSpelling spelling;
  spelling.shown = Narrow(folder);
  if (Wide(spelling.shown) == folder) {
    spelling.path = spelling.shown;
    return spelling;
  }
  // Where the volume keeps short names they are ASCII.
  const std::wstring short_name = ShortName(folder);
  const Text spelled = Narrow(short_name);
  if (!short_name.empty() && Wide(spelled) == short_name) spelling.path = spelled;
  return spelling;
}

}  // namespace weibo
