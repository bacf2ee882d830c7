// The life of the program, the commands and the main phase, against the
// recording windows: which flows and window operations each event reaches.
#include "app/program.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "app/window_texts.h"
#include "flow/recording_window_ops.h"
#include "tests/common/test_support.h"

namespace weibo {
namespace {

using ::testing::ElementsAre;

int CountOf(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

// Thrown by the test's process end, so that EndProgram unwinds instead of
// ending the test.
struct ProgramEnded {
  int code;
};

class ProgramTest : public ::testing::Test {
 protected:
  // Parts with every flow wired to a recorder when `flows` is set.
  ProgramParts Parts(bool flows = true) {
    ProgramParts parts;
    parts.windows = &windows_;
    parts.shell = &shell_;
    parts.endpoints.main_host = "127.0.0.1:8960";
    parts.endpoints.author_profile_url = "http://127.0.0.1:8960/u/100";
    parts.endpoints.author_forum_url = "http://127.0.0.1:8960/forum/100";
    parts.end_process = [](int code) { throw ProgramEnded{code}; };
    if (!flows) return parts;
    parts.flows.qr_sign_in = [this](const FlowContext&) { calls_.push_back("qr_sign_in"); };
    parts.flows.resolve_profile = [this](const FlowContext&) {
      calls_.push_back("resolve_profile");
    };
    parts.flows.ask_for_profile = [this](const FlowContext&) { calls_.push_back("ask"); };
    parts.flows.show_downloads = [this](const FlowContext&) { calls_.push_back("show"); };
    parts.flows.download_album = [this](const FlowContext&, const Text& segment) {
      calls_.push_back("download " + segment);
    };
    return parts;
  }

  static int EndCode(const std::function<void()>& action) {
    try {
      action();
    } catch (const ProgramEnded& ended) {
      return ended.code;
    }
    return -1;
  }

  RecordingWindowOps windows_;
  FakeShell shell_;
  std::vector<std::string> calls_;
};

TEST_F(ProgramTest, StartProgramPreparesThenRunsTheLoopAndEndsWithItsCode) {
  ProgramParts parts = Parts();
  Program* started = nullptr;
  bool state_ready_in_loop = false;
  parts.start_imaging = [] { return true; };
  parts.run_message_loop = [&] {
    state_ready_in_loop = started->State() != nullptr && started->State()->imaging_started &&
                          started->State()->pool.IsRunning() == 0;
    return 3;
  };
  Program program(std::move(parts));
  started = &program;

  EXPECT_EQ(EndCode([&] { program.StartProgram(); }), 3);
  EXPECT_TRUE(state_ready_in_loop);
  EXPECT_THAT(windows_.Calls(), ElementsAre("LoadWindow sign-in", "StopStatusUpdates"));
  EXPECT_EQ(program.State(), nullptr);
  EXPECT_EQ(program.ExitHookRuns(), 1);
}

TEST_F(ProgramTest, ExitHookRunsOnceAndNeverFreesStateUnderARunningTask) {
  Program program(Parts());
  program.CreateProgramState();
  std::weak_ptr<ProgramState> weak = program.State();
  // A task that still runs holds its own reference.
  std::shared_ptr<ProgramState> task_reference = program.State();
  task_reference->saved_count = 7;

  EXPECT_EQ(EndCode([&] { program.EndProgram(4); }), 4);
  EXPECT_EQ(program.State(), nullptr);
  EXPECT_EQ(task_reference->saved_count, 7);  // still alive for the task
  program.ReleaseProgramState();              // the process's exit handler, later
  EXPECT_EQ(program.ExitHookRuns(), 1);
  task_reference.reset();
  EXPECT_TRUE(weak.expired());
}

TEST(ProgramDeathTest, EndProgramEndsTheProcessWithTheCode) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  RecordingWindowOps windows;
  FakeShell shell;
  auto run = [&] {
    ProgramParts parts;
    parts.windows = &windows;
    parts.shell = &shell;
    parts.run_message_loop = [] { return 7; };
    Program program(std::move(parts));
    program.StartProgram();
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(7), "");
}

TEST_F(ProgramTest, ClosingEndsTheProgramFromTheMainWindowOrAVisibleSignIn) {
  // The main window stops the status updates and the pool first.
  ProgramParts parts = Parts();
  parts.flows.download_page = [](const FlowContext&, TaskValue) {};
  Program main(std::move(parts));
  main.CreateProgramState();
  main.StartMainPhase();
  std::shared_ptr<ProgramState> state = main.State();
  ASSERT_EQ(state->pool.IsRunning(), 1);
  EXPECT_EQ(EndCode([&] { main.OnClosing(WindowId::kMain); }), 0);
  EXPECT_EQ(state->pool.IsRunning(), 0);
  EXPECT_TRUE(windows_.StatusUpdatesStopped());

  Program program(Parts());
  program.CreateProgramState();
  windows_.SetVisible(WindowId::kSignIn, false);  // hidden by a successful sign-in
  EXPECT_EQ(EndCode([&] { program.OnClosing(WindowId::kSignIn); }), -1);
  EXPECT_EQ(program.ExitHookRuns(), 0);
  windows_.LoadWindow(WindowId::kSignIn);
  EXPECT_EQ(EndCode([&] { program.OnClosing(WindowId::kSignIn); }), 0);
  EXPECT_EQ(program.ExitHookRuns(), 1);
}

TEST_F(ProgramTest, FirstActivationsRunTheSignInAndTheMainPhaseInOrder) {
  ProgramParts parts = Parts();
  parts.flows.download_page = [](const FlowContext&, TaskValue) {};
  std::vector<std::string> seen_by_resolve;
  parts.flows.resolve_profile = [&](const FlowContext& context) {
    seen_by_resolve = windows_.Calls();
    EXPECT_EQ(context.state->profile_address, "http://127.0.0.1:8960/");
    EXPECT_EQ(context.state->pool.IsRunning(), 1);
    calls_.push_back("resolve_profile");
  };
  Program program(std::move(parts));
  program.CreateProgramState();

  program.OnFirstActivation(WindowId::kSignIn);
  program.OnFirstActivation(WindowId::kMain);
  program.OnFirstActivation(WindowId::kMain);  // the main phase starts once
  EXPECT_THAT(calls_, ElementsAre("qr_sign_in", "resolve_profile"));
  EXPECT_THAT(seen_by_resolve, ElementsAre("DestroyWindow sign-in"));
}

TEST_F(ProgramTest, ToolButtonsMenuItemsAndThePopupReachTheirCommands) {
  Program program(Parts());
  program.CreateProgramState();
  program.OnToolButton(0);
  program.OnMenuItem(MenuItem::kViewDownloads);
  program.OnMenuItem(MenuItem::kAboutAuthor);
  program.OnToolButton(3);
  program.OnToolButton(-1);
  EXPECT_THAT(calls_, ElementsAre("ask", "show"));
  EXPECT_THAT(shell_.opened, ElementsAre("http://127.0.0.1:8960/u/100"));

  program.OnMenuItem(MenuItem::kUsageHelp);
  // Feedback asks yes or no and opens the forum only on yes.
  windows_.QueueMessageBoxAnswer(kIdYes);
  program.OnMenuItem(MenuItem::kFeedback);
  EXPECT_EQ(shell_.opened.back(), "http://127.0.0.1:8960/forum/100");
  const auto boxes = windows_.MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, kUsageHelpText);
  EXPECT_EQ(boxes[0].flags, kMbOk | kMbIconInformation);
  EXPECT_EQ(boxes[1].flags, kMbYesNo | kMbIconInformation);

  // The album popup only over a selection; its items pick the sizes.
  program.OnAlbumViewRightClick();
  windows_.SelectItem(0);
  program.OnAlbumViewRightClick();
  EXPECT_EQ(CountOf(windows_.Calls(), "PopupAlbumMenu"), 1);
  calls_.clear();
  program.OnMenuItem(MenuItem::kDownloadUltra);
  program.OnMenuItem(MenuItem::kDownloadHigh);
  program.OnMenuItem(MenuItem::kDownloadStandard);
  program.OnMenuItem(MenuItem::kDownloadOriginal);
  EXPECT_THAT(calls_, ElementsAre("download /mw1024/", "download /mw690/", "download /mw690/",
                                  "download /large/"));
}

}  // namespace
}  // namespace weibo
