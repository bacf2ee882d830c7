// The commands of the tool bar, the menus and the album popup, and the
// binding of every window event to its handler.
#include "app/program.h"
#include "app/window_texts.h"

namespace weibo {

void Program::RunToolCommand(int index) {
  if (state_ == nullptr) return;
  switch (index) {
    case 0:
      if (parts_.flows.ask_for_profile) parts_.flows.ask_for_profile(Context());
      break;
    case 1:
      if (parts_.flows.show_downloads) parts_.flows.show_downloads(Context());
      break;
    case 2:
      OpenInBrowser(parts_.endpoints.author_profile_url);
      break;
    default:
      break;
  }
}

void Program::ContactAuthor() {
  const int answer =
      parts_.windows->MessageBox(kContactAuthorQuestion, Text(), kMbYesNo | kMbIconInformation);
  if (answer == kIdYes) OpenInBrowser(parts_.endpoints.author_forum_url);
}

void Program::ShowAlbumMenu() {
  if (parts_.windows->SelectedIndex() == -1) return;
  parts_.windows->PopupAlbumMenu();
}

void Program::OpenInBrowser(const Text& address) { parts_.shell->OpenAddress(address); }

void Program::OnFirstActivation(WindowId window) {
  if (window == WindowId::kMain) {
    StartMainPhase();
  } else if (state_ != nullptr && parts_.flows.qr_sign_in) {
    parts_.flows.qr_sign_in(Context());
  }
}

void Program::OnClosing(WindowId window) {
  if (window == WindowId::kMain) {
    MainClosing();
  } else {
    SignInClosing();
  }
}

void Program::OnToolButton(int index) { RunToolCommand(index); }

void Program::OnMenuItem(MenuItem item) {
  auto download = [this](const char* segment) {
    if (state_ != nullptr && parts_.flows.download_album) {
      parts_.flows.download_album(Context(), segment);
    }
  };
  auto download_all = [this](const char* segment) {
    if (state_ != nullptr && parts_.flows.download_account) {
      parts_.flows.download_account(Context(), segment);
    }
  };
  switch (item) {
    case MenuItem::kStartAnalysis:
      RunToolCommand(0);
      break;
    case MenuItem::kViewDownloads:
      RunToolCommand(1);
      break;
    case MenuItem::kAboutAuthor:
      RunToolCommand(2);
      break;
    case MenuItem::kUsageHelp:
      parts_.windows->MessageBox(kUsageHelpText, Text(), kMbOk | kMbIconInformation);
      break;
    case MenuItem::kFeedback:
      ContactAuthor();
      break;
    case MenuItem::kDownloadUltra:
      download(kSegmentUltra);
      break;
    case MenuItem::kDownloadHigh:
    case MenuItem::kDownloadStandard:
      download(kSegmentHigh);
      break;
    case MenuItem::kDownloadOriginal:
      download(kSegmentOriginal);
      break;
    case MenuItem::kAllUltra:
      download_all(kSegmentUltra);
      break;
    case MenuItem::kAllHigh:
    case MenuItem::kAllStandard:
      download_all(kSegmentHigh);
      break;
    case MenuItem::kAllOriginal:
      download_all(kSegmentOriginal);
      break;
    case MenuItem::kStopDownloads:
      if (state_ != nullptr && parts_.flows.stop_downloads) parts_.flows.stop_downloads(Context());
      break;
    case MenuItem::kSignOut:
      SignOut();
      break;
  }
}

void Program::OnAlbumViewRightClick() { ShowAlbumMenu(); }

}  // namespace weibo
