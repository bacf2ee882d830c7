#include "support/session_store_dpapi.h"

// clang-format off
#include <windows.h>
#include <wincrypt.h>
#include <shlobj.h>
// clang-format on

#include <utility>

#include "support/session_record.h"

namespace weibo {
namespace {

constexpr wchar_t kFileName[] = L"session.bin";
constexpr DWORD kLargestBlob = 1 << 20;

Text Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return Text();
  Text result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
  result.resize(static_cast<std::size_t>(size - 1));
  return result;
}

// The user and the machine the session belongs to.
Text Owner() {
  wchar_t user[256 + 1] = {};
  DWORD user_size = 256 + 1;
  if (!GetUserNameW(user, &user_size)) user[0] = L'\0';
  wchar_t machine[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD machine_size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(machine, &machine_size)) machine[0] = L'\0';
  return "user " + Utf8(user) + " machine " + Utf8(machine);
}

DATA_BLOB Blob(const ByteArray& bytes) {
  DATA_BLOB blob;
  blob.cbData = static_cast<DWORD>(bytes.size());
  blob.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()));
  return blob;
}

// Takes the bytes of a blob the data-protection API allocated, and frees it.
ByteArray TakeBlob(DATA_BLOB& blob) {
  ByteArray bytes(reinterpret_cast<const char*>(blob.pbData), blob.cbData);
  SecureZeroMemory(blob.pbData, blob.cbData);
  LocalFree(blob.pbData);
  return bytes;
}

std::optional<ByteArray> ReadFileBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<ByteArray> bytes;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file, &size) && size.QuadPart <= kLargestBlob) {
    ByteArray read_bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (read_bytes.empty() || (ReadFile(file, read_bytes.data(),
                                        static_cast<DWORD>(read_bytes.size()), &got, nullptr) &&
                               got == read_bytes.size())) {
      bytes = std::move(read_bytes);
    }
  }
  CloseHandle(file);
  return bytes;
}

bool WriteFileBytes(const std::wstring& path, const ByteArray& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size() && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  return ok;
}

}  // namespace

ByteArray ProgramSessionEntropy() {
  // Fixed bytes of this program: another program of the same user that
  // calls the data-protection API without them cannot decrypt the session.
  return ByteArray("weibo-album-downloader/session/7f3a9c1e5b2d4086");
}

DpapiSessionStore::DpapiSessionStore(std::wstring folder, ByteArray entropy)
    : folder_(std::move(folder)), entropy_(std::move(entropy)) {}

std::wstring DpapiSessionStore::Path() const { return folder_ + L"\\" + kFileName; }

std::optional<Text> DpapiSessionStore::Load() {
  if (folder_.empty()) return std::nullopt;
  if (GetFileAttributesW(Path().c_str()) == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  std::optional<Text> jar;
  const std::optional<ByteArray> sealed = ReadFileBytes(Path());
  if (sealed.has_value()) {
    DATA_BLOB in = Blob(*sealed);
    DATA_BLOB entropy = Blob(entropy_);
    DATA_BLOB out{};
    if (CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                           &out)) {
      jar = DecodeSessionRecord(TakeBlob(out), Owner());
    }
  }
  if (!jar.has_value()) Remove();
  return jar;
}

bool DpapiSessionStore::Save(const Text& cookie_jar) {
  if (folder_.empty()) return false;
  if (!CreateDirectoryW(folder_.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    return false;
  }
  const ByteArray record = EncodeSessionRecord(Owner(), cookie_jar);
  DATA_BLOB in = Blob(record);
  DATA_BLOB entropy = Blob(entropy_);
  DATA_BLOB out{};
  if (!CryptProtectData(&in, L"weibo-album-downloader session", &entropy, nullptr, nullptr,
                        CRYPTPROTECT_UI_FORBIDDEN, &out)) {
    return false;
  }
  const ByteArray sealed = TakeBlob(out);
  const std::wstring temporary =
      Path() + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  bool ok = WriteFileBytes(temporary, sealed) &&
            MoveFileExW(temporary.c_str(), Path().c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileW(temporary.c_str());
  return ok;
}

void DpapiSessionStore::Remove() {
  if (!folder_.empty()) DeleteFileW(Path().c_str());
}

std::wstring DefaultSessionFolder() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                              SHGFP_TYPE_CURRENT, path))) {
    return std::wstring();
  }
  return std::wstring(path) + L"\\weibo-album-downloader";
}

}  // namespace weibo
