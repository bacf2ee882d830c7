#include "flow/recording_window_ops.h"

#include <utility>

#include "flow/message_box_flags.h"

namespace weibo {
namespace {

const char* Name(WindowId window) { return window == WindowId::kMain ? "main" : "sign-in"; }
const char* Name(Control control) {
  switch (control) {
    case Control::kAlbumView:
      return "album-view";
    case Control::kStopCommand:
      return "stop-command";
    case Control::kAlbumMenu:
      break;
  }
  return "album-menu";
}

}  // namespace

void RecordingWindowOps::QueueInputAnswer(std::optional<Text> answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  input_answers_.push_back(std::move(answer));
}

void RecordingWindowOps::QueueMessageBoxAnswer(int result) {
  std::lock_guard<std::mutex> lock(mutex_);
  message_answers_.push_back(result);
}

void RecordingWindowOps::SelectItem(int index) {
  std::lock_guard<std::mutex> lock(mutex_);
  selected_ = index;
}

void RecordingWindowOps::SetPendingMessages(std::function<void()> pending) {
  std::lock_guard<std::mutex> lock(mutex_);
  pending_ = std::move(pending);
}

std::vector<std::string> RecordingWindowOps::Calls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_;
}

bool RecordingWindowOps::IsLoaded(WindowId window) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return Record(window).loaded;
}

Text RecordingWindowOps::LabelText() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return label_;
}

ByteArray RecordingWindowOps::Picture() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return picture_;
}

Text RecordingWindowOps::StatusText() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_;
}

std::vector<RecordingWindowOps::Item> RecordingWindowOps::Items() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return items_;
}

ImageList RecordingWindowOps::LargeIconList() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return icons_;
}

bool RecordingWindowOps::IsDisabled(Control control) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return control == Control::kAlbumView ? view_disabled_ : menu_disabled_;
}

std::vector<RecordingWindowOps::MessageBoxCall> RecordingWindowOps::MessageBoxes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return message_boxes_;
}

std::vector<RecordingWindowOps::InputBoxCall> RecordingWindowOps::InputBoxes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return input_boxes_;
}

bool RecordingWindowOps::StatusUpdatesStopped() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_stopped_;
}

RecordingWindowOps::WindowRecord& RecordingWindowOps::Record(WindowId window) {
  return window == WindowId::kMain ? main_ : sign_in_;
}

const RecordingWindowOps::WindowRecord& RecordingWindowOps::Record(WindowId window) const {
  return window == WindowId::kMain ? main_ : sign_in_;
}

void RecordingWindowOps::Log(std::string line) { calls_.push_back(std::move(line)); }

void RecordingWindowOps::LoadWindow(WindowId window) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(std::string("LoadWindow ") + Name(window));
  WindowRecord& record = Record(window);
  record.loaded = true;
  record.visible = true;
}

void RecordingWindowOps::DestroyWindow(WindowId window) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(std::string("DestroyWindow ") + Name(window));
  Record(window) = WindowRecord();
}

void RecordingWindowOps::SetVisible(WindowId window, bool visible) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(std::string("SetVisible ") + Name(window) + (visible ? " 1" : " 0"));
  WindowRecord& record = Record(window);
  if (record.loaded) record.visible = visible;
}

bool RecordingWindowOps::IsVisible(WindowId window) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return Record(window).visible;
}

void RecordingWindowOps::SetTitle(WindowId window, const Text& title) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(std::string("SetTitle ") + Name(window));
  Record(window).title = title;
}

Text RecordingWindowOps::Title(WindowId window) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return Record(window).title;
}

void RecordingWindowOps::SetLabelText(const Text& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("SetLabelText");
  label_ = text;
}

void RecordingWindowOps::SetPicture(const ByteArray& image) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("SetPicture");
  picture_ = image;
}

void RecordingWindowOps::SetStatusText(int part, const Text& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("SetStatusText " + std::to_string(part));
  if (part == 0) status_ = text;
}

void RecordingWindowOps::StopStatusUpdates() {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("StopStatusUpdates");
  status_stopped_ = true;
}

void RecordingWindowOps::PostToUiThread(std::function<void()> call) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!status_stopped_) posted_.push_back(std::move(call));
}

int RecordingWindowOps::RunPostedCalls() {
  int ran = 0;
  for (;;) {
    std::function<void()> call;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (posted_.empty() || status_stopped_) return ran;
      call = std::move(posted_.front());
      posted_.pop_front();
    }
    call();
    ++ran;
  }
}

void RecordingWindowOps::ClearItems() {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("ClearItems");
  items_.clear();
  selected_ = -1;
}

void RecordingWindowOps::SetLargeIconList(const ImageList& list) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("SetLargeIconList " + std::to_string(list.pictures.size()));
  icons_ = list;
}

int RecordingWindowOps::AppendItem(const Text& label, int picture_index) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("AppendItem " + std::to_string(picture_index));
  items_.push_back(Item{label, picture_index});
  return static_cast<int>(items_.size()) - 1;
}

int RecordingWindowOps::SelectedIndex() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return selected_;
}

void RecordingWindowOps::SetDisabled(Control control, bool disabled) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(std::string("SetDisabled ") + Name(control) + (disabled ? " 1" : " 0"));
  (control == Control::kAlbumView ? view_disabled_ : menu_disabled_) = disabled;
}

void RecordingWindowOps::PopupAlbumMenu() {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(menu_disabled_ ? "PopupAlbumMenu disabled" : "PopupAlbumMenu");
}

void RecordingWindowOps::ProcessPendingMessages() {
  std::function<void()> pending;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Log("ProcessPendingMessages");
    pending = pending_;
  }
  RunPostedCalls();
  if (pending) pending();
}

bool RecordingWindowOps::InputBox(const Text& prompt, const Text& title, const Text& initial_text,
                                  Text* entered) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("InputBox");
  input_boxes_.push_back(InputBoxCall{prompt, title, initial_text});
  if (input_answers_.empty()) return false;
  std::optional<Text> answer = std::move(input_answers_.front());
  input_answers_.pop_front();
  if (!answer) return false;
  *entered = *answer;
  return true;
}

int RecordingWindowOps::MessageBox(const Text& text, const Text& title, int flags) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("MessageBox " + std::to_string(flags));
  message_boxes_.push_back(MessageBoxCall{text, title, flags});
  if (message_answers_.empty()) return MessageBoxDefaultButton(flags);
  const int answer = message_answers_.front();
  message_answers_.pop_front();
  return answer;
}

}  // namespace weibo
