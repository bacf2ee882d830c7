// The tool end to end on its Win32 windows under Wine, against the simulated
// service running beside Wine on 127.0.0.1 (scripts/run-with-sim.sh passes
// its address in WEIBO_E2E_HOST): the QR sign-in, the main phase listing the
// signed-in user's albums, a download chosen from the album popup with the
// keyboard, and the saved files compared byte for byte with the simulator's
// pictures; the session kept encrypted, and 退出登录 back to a new sign-in.
#include "app/win32/windows_api.h"
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "albums/album_flows.h"
#include "albums/saved_pictures.h"
#include "app/program.h"
#include "app/win32/wide_text.h"
#include "app/win32/win32_runtime.h"
#include "app/win32/win32_shell.h"
#include "app/win32/win32_window_ops.h"
#include "signin/qr_sign_in.h"
#include "support/reencode_image.h"
#include "support/session_store_dpapi.h"
#include "tests/app/win32_test_support.h"
#include "web/http_request.h"

namespace weibo {
namespace {

// The real shell, keeping downloads in a folder of the test's own.
class TestShell : public Win32Shell {
 public:
  explicit TestShell(Text folder) : folder_(std::move(folder)) {}
  FolderSpelling LocateFolder(KnownFolder) override { return FolderSpelling{folder_, folder_}; }

 private:
  Text folder_;
};

// Every file under `folder`, as (path, name).
void ListFiles(const std::wstring& folder, std::vector<std::pair<std::wstring, std::wstring>>* files) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + L"\\" + name;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      ListFiles(path, files);
    } else {
      files->emplace_back(path, name);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

ByteArray ReadFile(const std::wstring& path) {
  ByteArray bytes;
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) return bytes;
  char buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) bytes.append(buffer, got);
  std::fclose(file);
  return bytes;
}

std::wstring StatusText(HWND status) {
  wchar_t text[256] = {};
  SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  return text;
}

TEST(Win32EndToEndTest, SignInListAlbumsAndDownloadOneFromThePopup) {
  const char* host = std::getenv("WEIBO_E2E_HOST");
  ASSERT_NE(host, nullptr) << "start it through scripts/run-with-sim.sh";
  StartWin32Ui();
  StartImageCodecs();
  // Wine numbers the processes of a fresh server alike from run to run, so
  // a folder named by the process id alone may be one that an ended run
  // left: the time joins the name, and the folder goes however the test ends.
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"weibo-e2e-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount64());
  struct RemoveAtEnd {
    std::filesystem::path path;
    ~RemoveAtEnd() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
  } remove_at_end{std::filesystem::path(folder)};
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  // Downloads and the kept session in folders of their own.
  const std::wstring downloads = folder + L"\\downloads";
  ASSERT_TRUE(CreateDirectoryW(downloads.c_str(), nullptr));

  Win32WindowOps windows;
  TestShell shell(Narrow(downloads));
  DpapiSessionStore store(folder + L"\\state", ProgramSessionEntropy());
  ProgramParts parts;
  parts.session_store = &store;
  parts.windows = &windows;
  parts.shell = &shell;
  parts.endpoints.signon_host = host;
  parts.endpoints.main_host = host;
  parts.endpoints.main_domain = "127.0.0.1";
  parts.endpoints.photo_host = host;
  parts.endpoints.static_host = host;
  parts.flows.qr_sign_in = [](const FlowContext& context) {
    QrSignInPaced(context, SignInPacing{20, 50});
  };
  InstallAlbumFlows(&parts.flows);
  parts.end_process = [](int code) {
    std::fprintf(stderr, "the program ended with %d\n", code);
    std::abort();
  };
  auto program = std::make_unique<Program>(std::move(parts));
  windows.SetEventSink(program.get());
  program->CreateProgramState();

  windows.LoadWindow(WindowId::kSignIn);
  HWND albums = nullptr;
  auto albums_listed = [&] {
    albums = windows.FindControl(W("超级列表框1"));
    return albums != nullptr && ListView_GetItemCount(albums) > 0 &&
           windows.Handle(WindowId::kSignIn) == nullptr;
  };
  ASSERT_TRUE(PumpUntil(albums_listed, 30000));
  const Text suffix = " - \xCE\xA2\xCF\xE0\xB2\xE1";  // " - 微相册"
  const Text title = windows.Title(WindowId::kMain);
  ASSERT_GT(title.size(), suffix.size());
  EXPECT_EQ(title.substr(title.size() - suffix.size()), suffix);

  // 淺 ends in the byte 0x5C in code page 936.
  const std::wstring caption = W("淺草寺與雷門_32张");
  LVFINDINFOW find = {};
  find.flags = LVFI_STRING;
  find.psz = caption.c_str();
  const int row = static_cast<int>(
      SendMessageW(albums, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
  ASSERT_GE(row, 0);
  ListView_EnsureVisible(albums, row, FALSE);
  RECT item = {};
  item.left = LVIR_ICON;
  SendMessageW(albums, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  const POINT on_item{(item.left + item.right) / 2, (item.top + item.bottom) / 2};

  // A right click on the album selects it and opens the popup; Down, Down,
  // Enter chooses its second item, 下载选中_高清.
  WhenShown(L"#32768", [](HWND popup) {
    PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
  });
  PostMessageW(albums, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(on_item.x, on_item.y));
  PostMessageW(albums, WM_RBUTTONUP, 0, MAKELPARAM(on_item.x, on_item.y));
  HWND status = windows.FindControl(W("状态条1"));
  const std::wstring finished = W("状态:貌似都已经下载完了");
  // Long enough for a transfer that stalls to its idle time-out (60 s) and
  // is tried again: the download must still end with every picture.
  ASSERT_TRUE(PumpUntil([&] { return StatusText(status).rfind(finished, 0) == 0; }, 150000))
      << Narrow(StatusText(status));
  EXPECT_TRUE(Acted());
  EXPECT_EQ(windows.SelectedIndex(), row);

  // 32 pictures, each the simulator's "mw690" picture of its name, beside
  // the record of the pictures saved.
  std::vector<std::pair<std::wstring, std::wstring>> files;
  ListFiles(downloads, &files);
  EXPECT_EQ(files.size(), 33u);
  int records = 0;
  for (const auto& [path, name] : files) {
    if (name == W(kSavedPicturesFileName)) {
      ++records;
      continue;
    }
    const std::size_t underscore = name.find(L'_');
    ASSERT_NE(underscore, std::wstring::npos) << Narrow(name);
    const Text picture_name = Narrow(name.substr(underscore + 1));
    const ByteArray served = HttpRequest("http://" + Text(host) + "/mw690/" + picture_name);
    ASSERT_FALSE(served.empty()) << picture_name;
    EXPECT_TRUE(ReadFile(path) == served) << picture_name;
  }
  EXPECT_EQ(records, 1);

  // The session is kept, and nothing of it is readable in the file.
  const ByteArray sealed = ReadFile(store.Path());
  ASSERT_FALSE(sealed.empty());
  EXPECT_EQ(sealed.find("SUB="), ByteArray::npos);
  EXPECT_EQ(sealed.find("weibo-session"), ByteArray::npos);

  // 退出登录, answered Yes: the session goes and a new sign-in window
  // replaces the main window; the simulated phone confirms its code and the
  // user's albums come back, with the new session kept.
  WhenShown(L"#32770", [](HWND box) { PostMessageW(box, WM_COMMAND, IDYES, 0); });
  program->OnMenuItem(MenuItem::kSignOut);
  EXPECT_TRUE(Acted());
  EXPECT_TRUE(ReadFile(store.Path()).empty());
  EXPECT_EQ(windows.Handle(WindowId::kMain), nullptr);
  EXPECT_NE(windows.Handle(WindowId::kSignIn), nullptr);
  ASSERT_TRUE(PumpUntil(albums_listed, 30000));
  EXPECT_EQ(store.Load().has_value(), true);

  windows.SetEventSink(nullptr);
  windows.StopStatusUpdates();
  program.reset();
}

}  // namespace
}  // namespace weibo
