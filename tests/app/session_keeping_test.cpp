// The session kept between runs as the program uses it, against the
// recording windows and a store in memory: when it is kept, checked, kept
// afresh and removed, and the way back to the sign-in window (退出登录 and a
// sign-in the service ended).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/program.h"
#include "app/window_texts.h"
#include "flow/recording_window_ops.h"
#include "tests/common/test_support.h"

namespace weibo {
namespace {

using ::testing::ElementsAre;

struct ProgramEnded {
  int code;
};

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class SessionKeepingTest : public ::testing::Test {
 protected:
  ProgramParts Parts() {
    ProgramParts parts;
    parts.windows = &windows_;
    parts.shell = &shell_;
    parts.session_store = &store_;
    parts.endpoints.main_host = "127.0.0.1:8960";
    parts.end_process = [](int code) { throw ProgramEnded{code}; };
    parts.flows.qr_sign_in = [this](const FlowContext& context) {
      calls_.push_back("qr_sign_in");
      context.state->cookie_jar = "SUB=fresh";
    };
    parts.flows.resolve_profile = [this](const FlowContext&) { calls_.push_back("resolve"); };
    parts.flows.check_kept_session = [this](const FlowContext& context,
                                            std::function<void(bool)> accepted) {
      calls_.push_back("check " + context.state->cookie_jar);
      accepted_ = std::move(accepted);
    };
    parts.flows.stop_downloads = [this](const FlowContext&) { calls_.push_back("stop"); };
    return parts;
  }

  // A state as a listed user leaves it.
  static void ListUser(ProgramState& state) {
    state.user_id = "100";
    state.nickname = "abc";
    state.download_root = "/d/abc";
    state.album_table.push_back(AlbumRecord{"a", "1", "c", "u", "3", "0"});
    state.album_images.pictures.push_back("jpeg");
  }

  static void ExpectSignedOut(const ProgramState& state) {
    EXPECT_EQ(state.cookie_jar, "");
    EXPECT_EQ(state.user_id, "");
    EXPECT_EQ(state.nickname, "");
    EXPECT_EQ(state.download_root, "");
    EXPECT_TRUE(state.album_table.empty());
    EXPECT_TRUE(state.album_images.pictures.empty());
  }

  // StartProgram, up to the end of the program.
  static void RunToEnd(Program& program) {
    try {
      program.StartProgram();
    } catch (const ProgramEnded&) {
    }
  }

  // A QR sign-in followed by the main phase: the lookup runs, the jar the
  // sign-in left is kept.
  void ExpectQrSignInKept(Program& program) {
    calls_.clear();
    program.OnFirstActivation(WindowId::kSignIn);
    program.OnFirstActivation(WindowId::kMain);
    EXPECT_THAT(calls_, ElementsAre("qr_sign_in", "resolve"));
    EXPECT_EQ(store_.Load(), "SUB=fresh");
  }

  // The window calls since the latest Mark.
  std::vector<std::string> CallsSinceMark() const {
    const auto calls = windows_.Calls();
    return std::vector<std::string>(calls.begin() + static_cast<std::ptrdiff_t>(mark_), calls.end());
  }
  void Mark() { mark_ = windows_.Calls().size(); }

  RecordingWindowOps windows_;
  std::size_t mark_ = 0;
  FakeShell shell_;
  MemorySessionStore store_;
  std::vector<std::string> calls_;
  std::function<void(bool)> accepted_;
};

TEST_F(SessionKeepingTest, AQrSignInIsKeptAndTheNextStartOpensTheMainWindowAndChecksIt) {
  {
    ProgramParts parts = Parts();
    parts.run_message_loop = [] { return 0; };
    Program first(std::move(parts));
    RunToEnd(first);
    EXPECT_EQ(windows_.Calls().front(), "LoadWindow sign-in");  // nothing kept yet
  }
  {
    Program first(Parts());
    first.CreateProgramState();
    ExpectQrSignInKept(first);
  }

  // The next start: the main window at once, with the kept jar, checked by
  // the first lookup.
  calls_.clear();
  Mark();
  ProgramParts parts = Parts();
  Program* program = nullptr;
  std::vector<std::string> loaded;
  parts.run_message_loop = [&] {
    loaded = windows_.Calls();
    program->OnFirstActivation(WindowId::kMain);
    program->State()->cookie_jar = "SUB=fresh; SUBP=renewed";  // the lookup's reply
    accepted_(true);
    return 0;
  };
  Program second(std::move(parts));
  program = &second;
  RunToEnd(second);
  EXPECT_THAT(std::vector<std::string>(loaded.begin() + static_cast<std::ptrdiff_t>(mark_),
                                       loaded.end()),
              ElementsAre("LoadWindow main"));
  EXPECT_THAT(calls_, ElementsAre("check SUB=fresh"));
  EXPECT_EQ(store_.Load(), "SUB=fresh; SUBP=renewed");  // kept afresh
  EXPECT_TRUE(windows_.MessageBoxes().empty());
}

TEST_F(SessionKeepingTest, ARefusedSessionIsRemovedAndTheSignInStartsWithoutAMessage) {
  store_.Save("SUB=old");
  Program program(Parts());
  program.CreateProgramState();
  ASSERT_TRUE(program.TakeKeptSession());
  program.OnFirstActivation(WindowId::kMain);
  ASSERT_TRUE(accepted_);
  Mark();
  accepted_(false);

  EXPECT_FALSE(store_.Load().has_value());
  ExpectSignedOut(*program.State());
  EXPECT_TRUE(windows_.MessageBoxes().empty());
  const auto calls = CallsSinceMark();
  EXPECT_TRUE(Has(calls, "DestroyWindow main"));
  EXPECT_EQ(calls.back(), "LoadWindow sign-in");

  // The QR sign-in then runs as on a first start, and its session is kept.
  ExpectQrSignInKept(program);

  // With nothing kept, nothing is taken.
  store_.Remove();
  EXPECT_FALSE(program.TakeKeptSession());
}

TEST_F(SessionKeepingTest, SignOutAsksThenForgetsTheSessionAndShowsAFreshSignIn) {
  Program program(Parts());
  program.CreateProgramState();
  program.OnMenuItem(MenuItem::kSignOut);  // before the main phase: nothing
  EXPECT_TRUE(windows_.MessageBoxes().empty());

  ExpectQrSignInKept(program);
  ListUser(*program.State());

  // No: everything stays.
  windows_.QueueMessageBoxAnswer(kIdNo);
  program.OnMenuItem(MenuItem::kSignOut);
  ASSERT_EQ(windows_.MessageBoxes().size(), 1u);
  EXPECT_EQ(windows_.MessageBoxes()[0].text, kSignOutQuestion);
  EXPECT_EQ(windows_.MessageBoxes()[0].flags, kMbYesNo | kMbIconQuestion);
  EXPECT_EQ(program.State()->user_id, "100");
  EXPECT_TRUE(store_.Load().has_value());

  // Yes: downloads stop, the session goes, the main window goes, a new
  // sign-in window comes.
  calls_.clear();
  Mark();
  windows_.QueueMessageBoxAnswer(kIdYes);
  program.OnMenuItem(MenuItem::kSignOut);
  EXPECT_THAT(calls_, ElementsAre("stop"));
  EXPECT_FALSE(store_.Load().has_value());
  ExpectSignedOut(*program.State());
  const auto calls = CallsSinceMark();
  EXPECT_TRUE(Has(calls, "SetVisible main 0"));
  EXPECT_TRUE(Has(calls, "ClearItems"));
  EXPECT_TRUE(Has(calls, "DestroyWindow main"));
  EXPECT_EQ(calls.back(), "LoadWindow sign-in");

  // The next sign-in starts a new main phase.
  ExpectQrSignInKept(program);
}

TEST_F(SessionKeepingTest, ASignInTheServiceEndedGoesBackWithoutAsking) {
  Program program(Parts());
  program.CreateProgramState();
  program.SignInEnded();  // no main phase yet: nothing
  EXPECT_TRUE(windows_.Calls().empty());

  program.OnFirstActivation(WindowId::kMain);
  ListUser(*program.State());
  calls_.clear();
  program.SignInEnded();
  EXPECT_THAT(calls_, ElementsAre("stop"));
  EXPECT_TRUE(windows_.MessageBoxes().empty());
  EXPECT_FALSE(store_.Load().has_value());
  ExpectSignedOut(*program.State());
  EXPECT_EQ(windows_.Calls().back(), "LoadWindow sign-in");
  // A second report of the same end changes nothing more.
  Mark();
  program.SignInEnded();
  EXPECT_TRUE(CallsSinceMark().empty());
}

}  // namespace
}  // namespace weibo
