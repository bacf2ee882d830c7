// The life of the program, the commands and the main phase, against the
// recording windows: which flows and window operations each event reaches.
#include "app/program.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/recording_window_ops.h"
#include "app/window_texts.h"

namespace weibo {
namespace {

using ::testing::ElementsAre;

// Thrown by the test's process end, so that EndProgram unwinds instead of
// ending the test.
struct ProgramEnded {
  int code;
};

class FakeShell : public Shell {
 public:
  bool OpenAddress(const Text& address) override {
    opened.push_back(address);
    return true;
  }
  bool ShowItemSelected(const Text& path) override {
    shown.push_back(path);
    return true;
  }
  Text RunDirectory() override { return "/downloads"; }
  Text PathSeparator() const override { return "/"; }

  std::vector<Text> opened;
  std::vector<Text> shown;
};

// Counts of the flows each trigger reached, in order.
struct FlowLog {
  std::vector<std::string> calls;
  std::vector<Text> segments;
};

class ProgramTest : public ::testing::Test {
 protected:
  ProgramParts Parts() {
    ProgramParts parts;
    parts.windows = &windows_;
    parts.shell = &shell_;
    parts.endpoints.main_host = "127.0.0.1:8960";
    parts.endpoints.author_profile_url = "http://127.0.0.1:8960/u/100";
    parts.endpoints.author_forum_url = "http://127.0.0.1:8960/forum/100";
    parts.end_process = [](int code) { throw ProgramEnded{code}; };
    return parts;
  }

  // Every flow wired to a recorder.
  FlowHooks RecordingFlows() {
    FlowHooks flows;
    flows.qr_sign_in = [this](const FlowContext&) { log_.calls.push_back("qr_sign_in"); };
    flows.resolve_profile = [this](const FlowContext&) {
      log_.calls.push_back("resolve_profile");
      return true;
    };
    flows.ask_for_profile = [this](const FlowContext&) { log_.calls.push_back("ask_for_profile"); };
    flows.show_downloads = [this](const FlowContext&) { log_.calls.push_back("show_downloads"); };
    flows.download_album = [this](const FlowContext&, const Text& segment) {
      log_.calls.push_back("download_album");
      log_.segments.push_back(segment);
    };
    return flows;
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
  FlowLog log_;
};

TEST_F(ProgramTest, StartProgramPreparesThenRunsTheLoopAndEndsWithItsCode) {
  ProgramParts parts = Parts();
  bool imaging_started = false;
  parts.start_imaging = [&] {
    imaging_started = true;
    return true;
  };
  Program* started = nullptr;
  bool state_ready_in_loop = false;
  parts.run_message_loop = [&] {
    state_ready_in_loop = started->State() != nullptr && started->State()->imaging_started &&
                          started->State()->cookie_jar.empty() &&
                          started->State()->pool.IsRunning() == 0;
    return 3;
  };
  Program program(std::move(parts));
  started = &program;

  EXPECT_EQ(EndCode([&] { program.StartProgram(); }), 3);
  EXPECT_TRUE(imaging_started);
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
  EXPECT_EQ(program.ExitHookRuns(), 1);
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

TEST_F(ProgramTest, ClosingTheSignInWindowEndsTheProgramOnlyWhileItIsVisible) {
  {
    Program program(Parts());
    program.CreateProgramState();
    windows_.LoadWindow(WindowId::kSignIn);
    EXPECT_EQ(EndCode([&] { program.OnClosing(WindowId::kSignIn); }), 0);
    EXPECT_EQ(program.ExitHookRuns(), 1);
  }
  Program program(Parts());
  program.CreateProgramState();
  windows_.SetVisible(WindowId::kSignIn, false);  // hidden by a successful sign-in
  EXPECT_EQ(EndCode([&] { program.OnClosing(WindowId::kSignIn); }), -1);
  EXPECT_NE(program.State(), nullptr);
  EXPECT_EQ(program.ExitHookRuns(), 0);
}

TEST_F(ProgramTest, FirstActivationsRunTheSignInAndTheMainPhaseInOrder) {
  ProgramParts parts = Parts();
  parts.flows = RecordingFlows();
  std::mutex mutex;
  std::condition_variable cv;
  std::vector<TaskValue> tasks;
  ProgramState* task_state = nullptr;
  parts.flows.download_page = [&](const FlowContext& context, TaskValue task) {
    std::lock_guard<std::mutex> lock(mutex);
    tasks.push_back(task);
    task_state = context.state.get();
    cv.notify_all();
  };
  Program* program_ptr = nullptr;
  std::vector<std::string> seen_by_resolve;
  parts.flows.resolve_profile = [&](const FlowContext& context) {
    seen_by_resolve = windows_.Calls();
    EXPECT_EQ(context.state->profile_address, "http://127.0.0.1:8960/");
    EXPECT_EQ(context.state->pool.IsRunning(), 1);
    EXPECT_EQ(context.state, program_ptr->State());
    log_.calls.push_back("resolve_profile");
    return true;
  };
  Program program(std::move(parts));
  program_ptr = &program;
  program.CreateProgramState();

  program.OnFirstActivation(WindowId::kSignIn);
  program.OnFirstActivation(WindowId::kMain);
  program.OnFirstActivation(WindowId::kMain);  // the main phase starts once
  EXPECT_THAT(log_.calls, ElementsAre("qr_sign_in", "resolve_profile"));
  EXPECT_THAT(seen_by_resolve, ElementsAre("DestroyWindow sign-in"));

  // The pool hands posted tasks to the page routine with the program's state.
  ASSERT_TRUE(program.State()->pool.Post(41));
  ASSERT_TRUE(program.State()->pool.Post(42));
  std::unique_lock<std::mutex> lock(mutex);
  ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(5), [&] { return tasks.size() == 2; }));
  std::sort(tasks.begin(), tasks.end());
  EXPECT_THAT(tasks, ElementsAre(41u, 42u));
  EXPECT_EQ(task_state, program.State().get());
}

TEST_F(ProgramTest, ClosingTheMainWindowStopsTheStatusAndThePoolThenEnds) {
  ProgramParts parts = Parts();
  parts.flows.download_page = [](const FlowContext&, TaskValue) {};
  Program program(std::move(parts));
  program.CreateProgramState();
  program.StartMainPhase();
  std::shared_ptr<ProgramState> state = program.State();
  ASSERT_EQ(state->pool.IsRunning(), 1);

  EXPECT_EQ(EndCode([&] { program.OnClosing(WindowId::kMain); }), 0);
  EXPECT_EQ(state->pool.IsRunning(), 0);
  EXPECT_TRUE(windows_.StatusUpdatesStopped());
  EXPECT_EQ(program.ExitHookRuns(), 1);
}

TEST_F(ProgramTest, ToolButtonsAndMenuItemsReachTheSameCommands) {
  ProgramParts parts = Parts();
  parts.flows = RecordingFlows();
  Program program(std::move(parts));
  program.CreateProgramState();

  program.OnToolButton(0);
  program.OnMenuItem(MenuItem::kStartAnalysis);
  program.OnToolButton(1);
  program.OnMenuItem(MenuItem::kViewDownloads);
  program.OnToolButton(2);
  program.OnMenuItem(MenuItem::kAboutAuthor);
  program.OnToolButton(3);
  program.OnToolButton(-1);
  EXPECT_THAT(log_.calls, ElementsAre("ask_for_profile", "ask_for_profile", "show_downloads",
                                      "show_downloads"));
  EXPECT_THAT(shell_.opened,
              ElementsAre("http://127.0.0.1:8960/u/100", "http://127.0.0.1:8960/u/100"));

  program.OnMenuItem(MenuItem::kUsageHelp);
  ASSERT_EQ(windows_.MessageBoxes().size(), 1u);
  EXPECT_EQ(windows_.MessageBoxes()[0].text, kUsageHelpText);
  EXPECT_EQ(windows_.MessageBoxes()[0].flags, kMbOk | kMbIconInformation);
  EXPECT_EQ(shell_.opened.size(), 2u);
}

TEST_F(ProgramTest, FeedbackAsksYesOrNoAndOpensTheForumOnlyOnYes) {
  Program program(Parts());
  program.CreateProgramState();
  windows_.QueueMessageBoxAnswer(kIdNo);
  windows_.QueueMessageBoxAnswer(kIdYes);

  program.OnMenuItem(MenuItem::kFeedback);
  EXPECT_TRUE(shell_.opened.empty());
  program.OnMenuItem(MenuItem::kFeedback);
  EXPECT_THAT(shell_.opened, ElementsAre("http://127.0.0.1:8960/forum/100"));

  const auto boxes = windows_.MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  // 点击是,打开Quorvel 论坛私信我,点击否取消;
  EXPECT_EQ(boxes[0].text,
            "\xB5\xE3\xBB\xF7\xCA\xC7,\xB4\xF2\xBF\xAAQuorvel \xC2\xDB\xCC\xB3\xCB\xBD\xD0\xC5\xCE"
            "\xD2,\xB5\xE3\xBB\xF7\xB7\xF1\xC8\xA1\xCF\xFB;");
  EXPECT_EQ(boxes[0].title, "");
  EXPECT_EQ(boxes[0].flags, 0x44);
}

TEST_F(ProgramTest, AlbumPopupOnlyWithASelectionAndItsItemsPickTheSizes) {
  ProgramParts parts = Parts();
  parts.flows = RecordingFlows();
  Program program(std::move(parts));
  program.CreateProgramState();

  program.OnAlbumViewRightClick();
  EXPECT_TRUE(windows_.Calls().empty());
  windows_.SelectItem(0);
  program.OnAlbumViewRightClick();
  EXPECT_THAT(windows_.Calls(), ElementsAre("PopupAlbumMenu"));

  program.OnMenuItem(MenuItem::kDownloadUltra);
  program.OnMenuItem(MenuItem::kDownloadHigh);
  program.OnMenuItem(MenuItem::kDownloadStandard);
  program.OnMenuItem(MenuItem::kDownloadOriginal);
  EXPECT_THAT(log_.segments, ElementsAre("/mw1024/", "/mw690/", "/mw690/", "/large/"));
}

TEST_F(ProgramTest, UnwiredFlowsLeaveEveryTriggerHarmless) {
  Program program(Parts());
  program.CreateProgramState();
  program.OnFirstActivation(WindowId::kSignIn);
  program.OnToolButton(0);
  program.OnToolButton(1);
  windows_.SelectItem(0);
  program.OnMenuItem(MenuItem::kDownloadHigh);
  program.OnFirstActivation(WindowId::kMain);
  EXPECT_EQ(program.State()->pool.IsRunning(), 0);  // no page routine, no pool
  EXPECT_EQ(program.State()->profile_address, "http://127.0.0.1:8960/");
  EXPECT_THAT(windows_.Calls(), ElementsAre("DestroyWindow sign-in"));
}

}  // namespace
}  // namespace weibo
