// The sign-in against the simulated service: the phone is driven from the
// events the sign-in handles while it waits, as an operator would act.
#include <gtest/gtest.h>

#include <memory>

#include "flow/recording_window_ops.h"
#include "signin/qr_sign_in.h"
#include "signin/sign_in_texts.h"
#include "tools/weibo-sim/request_log.h"
#include "tools/weibo-sim/weibo_sim.h"

namespace weibo {
namespace {

const char kScannedMsgGbk[] =
    "\xB3\xC9\xB9\xA6\xC9\xA8\xC3\xE8\xA3\xAC\xC7\xEB\xD4\xDA\xCA\xD6\xBB\xFA\xB5\xE3\xBB\xF7"
    "\xC8\xB7\xC8\xCF\xD2\xD4\xB5\xC7\xC2\xBC";  // 成功扫描，请在手机点击确认以登录

struct SignInSetup {
  explicit SignInSetup(sim::SimOptions options) : service(std::move(options)) {}

  bool Start() {
    if (!service.Start()) return false;
    endpoints = service.endpoints();
    windows.LoadWindow(WindowId::kSignIn);
    return true;
  }
  void Run() {
    QrSignInPaced(FlowContext{state, &windows, nullptr, &endpoints}, SignInPacing{5, 5});
  }

  sim::WeiboSim service;
  Endpoints endpoints;
  RecordingWindowOps windows;
  std::shared_ptr<ProgramState> state = std::make_shared<ProgramState>();
};

TEST(SignInEndToEnd, ExpiredCodeIsReplacedAndTheConfirmedOneSignsIn) {
  sim::SimOptions options;
  options.separate_hosts = true;
  SignInSetup setup(options);
  ASSERT_TRUE(setup.Start()) << setup.service.error();
  sim::WeiboSim& service = setup.service;

  // The phone: the first code runs out before anyone scans it; the second is
  // scanned, and confirmed once the window shows that it was scanned.
  setup.windows.SetPendingMessages([&] {
    const std::vector<Text> qrids = service.Qrids();
    if (qrids.size() == 1) {
      service.Expire(qrids[0]);
    } else if (qrids.size() == 2) {
      if (service.State(qrids[1]) == sim::QrState::kWaiting) service.Scan(qrids[1]);
      if (setup.windows.LabelText() == kScannedMsgGbk) service.Confirm(qrids[1]);
    }
  });
  setup.Run();

  EXPECT_EQ(service.Qrids().size(), 2U);
  EXPECT_TRUE(setup.windows.IsLoaded(WindowId::kMain));
  EXPECT_FALSE(setup.windows.IsVisible(WindowId::kSignIn));
  EXPECT_EQ(setup.windows.LabelText(), kSignInSucceeded);

  // The jar now holds a session that the main and the photo host accept.
  const sim::CookieList cookies = sim::ParseCookieHeader(setup.state->cookie_jar);
  EXPECT_EQ(service.SignedInUser(cookies, sim::Role::kMain), service.signin_uid())
      << setup.state->cookie_jar;
  EXPECT_EQ(service.SignedInUser(cookies, sim::Role::kPhoto), service.signin_uid())
      << setup.state->cookie_jar;
}

TEST(SignInEndToEnd, SignsInThroughFailingAndGarbledReplies) {
  sim::SimOptions options;
  options.auto_confirm_ms = 150;
  options.faults.push_back({sim::FaultKind::kStatus, 0.3, "/sso/qrcode/", 503, 0});
  options.faults.push_back({sim::FaultKind::kBadJson, 0.3, "/sso/qrcode/", 0, 0});
  options.faults.push_back({sim::FaultKind::kReset, 0.3, "/sso/qrcode/check", 0, 0});
  SignInSetup setup(options);
  ASSERT_TRUE(setup.Start()) << setup.service.error();
  setup.Run();

  EXPECT_TRUE(setup.windows.IsLoaded(WindowId::kMain));
  const sim::CookieList cookies = sim::ParseCookieHeader(setup.state->cookie_jar);
  EXPECT_EQ(setup.service.SignedInUser(cookies, sim::Role::kMain), setup.service.signin_uid());
  int faults = 0;
  for (const sim::RequestRecord& request : setup.service.Requests()) {
    faults += request.fault.empty() ? 0 : 1;
  }
  EXPECT_GT(faults, 0);
}

}  // namespace
}  // namespace weibo
