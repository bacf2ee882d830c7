// A WindowOps that shows nothing: it records every call and keeps what the
// windows would show, so that flows can be tested without a display. The
// answers of the modal boxes and the album view's selection are scripted by
// the test.
//
// Threading: every member may be called from any thread; one lock guards the
// recorded state. Callbacks run without the lock held.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "flow/window_ops.h"

namespace weibo {

class RecordingWindowOps : public WindowOps {
 public:
  struct Item {
    Text label;
    int picture_index;
  };
  struct MessageBoxCall {
    Text text;
    Text title;
    int flags;
  };
  struct InputBoxCall {
    Text prompt;
    Text title;
    Text initial_text;
  };

  // Scripting. An input box answers with the next queued text, or cancels
  // (also for a queued nullopt). A message box answers with the next queued
  // result, or with its default button.
  void QueueInputAnswer(std::optional<Text> answer);
  void QueueMessageBoxAnswer(int result);
  void SelectItem(int index);
  // Runs inside every ProcessPendingMessages, standing for the events that
  // would be waiting (an operator's click, a closing window).
  void SetPendingMessages(std::function<void()> pending);
  // Runs the calls posted with PostToUiThread so far, in order, on the
  // calling thread (which stands for the user-interface thread); returns how
  // many ran. ProcessPendingMessages runs them too.
  int RunPostedCalls();

  // What was done, one line per call, in order: the operation's name and its
  // window, control or numbers, e.g. "LoadWindow main", "SetVisible sign-in 0",
  // "PopupAlbumMenu". Texts are not part of the lines; read them below.
  std::vector<std::string> Calls() const;
  bool IsLoaded(WindowId window) const;
  Text LabelText() const;
  ByteArray Picture() const;
  Text StatusText() const;
  std::vector<Item> Items() const;
  ImageList LargeIconList() const;
  bool IsDisabled(Control control) const;
  std::vector<MessageBoxCall> MessageBoxes() const;
  std::vector<InputBoxCall> InputBoxes() const;
  bool StatusUpdatesStopped() const;

  // WindowOps.
  void LoadWindow(WindowId window) override;
  void DestroyWindow(WindowId window) override;
  void SetVisible(WindowId window, bool visible) override;
  bool IsVisible(WindowId window) const override;
  void SetTitle(WindowId window, const Text& title) override;
  Text Title(WindowId window) const override;
  void SetLabelText(const Text& text) override;
  void SetPicture(const ByteArray& image) override;
  void SetStatusText(int part, const Text& text) override;
  void StopStatusUpdates() override;
  void PostToUiThread(std::function<void()> call) override;
  void ClearItems() override;
  void SetLargeIconList(const ImageList& list) override;
  int AppendItem(const Text& label, int picture_index) override;
  int SelectedIndex() const override;
  void SetDisabled(Control control, bool disabled) override;
  void PopupAlbumMenu() override;
  void ProcessPendingMessages() override;
  bool InputBox(const Text& prompt, const Text& title, const Text& initial_text,
                Text* entered) override;
  int MessageBox(const Text& text, const Text& title, int flags) override;

 private:
  struct WindowRecord {
    bool loaded = false;
    bool visible = false;
    Text title;
  };
  WindowRecord& Record(WindowId window);
  const WindowRecord& Record(WindowId window) const;
  void Log(std::string line);

  mutable std::mutex mutex_;
  std::vector<std::string> calls_;
  WindowRecord sign_in_;
  WindowRecord main_;
  Text label_;
  ByteArray picture_;
  Text status_;
  bool status_stopped_ = false;
  std::vector<Item> items_;
  ImageList icons_;
  int selected_ = -1;
  bool view_disabled_ = false;
  bool menu_disabled_ = false;
  std::deque<std::optional<Text>> input_answers_;
  std::deque<int> message_answers_;
  std::vector<MessageBoxCall> message_boxes_;
  std::vector<InputBoxCall> input_boxes_;
  std::function<void()> pending_;
  std::deque<std::function<void()>> posted_;  // guarded by mutex_
};

}  // namespace weibo
