// The sign-in rules of the simulated service that the end-to-end tests rely
// on, driven with plain HTTP (tests/sim/curl_test.sh walks the whole exchange).
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "tests/sim/sim_test_client.h"

namespace weibo::sim {
namespace {

using testing::Get;
using testing::GetUrl;
using testing::JsonpBody;
using testing::ParseObject;
using testing::Reply;
using testing::Str;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

QJsonObject Poll(const WeiboSim& sim, const std::string& qrid) {
  Reply reply = Get(sim.endpoints().signon_host,
                    "/sso/qrcode/check?entry=weibo&qrid=" + qrid + "&callback=STK_17000000000001");
  EXPECT_EQ(reply.body.rfind("STK_17000000000001(", 0), 0u) << reply.body;
  return ParseObject(JsonpBody(reply.body));
}

std::string NewQrid(const WeiboSim& sim) {
  Reply reply = Get(sim.endpoints().signon_host, "/sso/qrcode/image?entry=weibo&size=180&callback=STK_9");
  return Str(ParseObject(JsonpBody(reply.body))["data"].toObject()["qrid"]);
}

TEST(SimSignIn, HostsRefuseVisitorsWithoutTheirSession) {
  WeiboSim sim;
  ASSERT_TRUE(sim.Start()) << sim.error();
  const Endpoints& endpoints = sim.endpoints();
  CookieList minted = sim.SignedInCookies();
  const std::string all = WeiboSim::CookieHeader(minted);
  EXPECT_TRUE(Contains(Get(endpoints.main_host, "/u/1000000003", all).body, "$CONFIG['onick']='夜:雨/窗?*|'; "));
  EXPECT_FALSE(Contains(Get(endpoints.main_host, "/u/999", all).body, "$CONFIG['oid']"));
  EXPECT_FALSE(Contains(Get(endpoints.main_host, "/", "SUB=forged; SUBP=forged").body, "$CONFIG['oid']"));
  CookieList no_photo(minted.begin(), minted.begin() + 2);  // SUB and SUBP only
  for (const std::string& cookies : {std::string(), WeiboSim::CookieHeader(no_photo)}) {
    QJsonObject json = ParseObject(
        Get(endpoints.photo_host, "/albums/get_all?uid=1000000001&page=1&count=64", cookies).body);
    EXPECT_FALSE(json["result"].toBool()) << cookies;
    EXPECT_EQ(Str(json["code"]), "A0001");
  }
}

TEST(SimSignIn, ExpiredAndUnknownCodesAskForANewCode) {
  SimOptions options;
  WeiboSim sim(options);
  ASSERT_TRUE(sim.Start()) << sim.error();
  std::string qrid = NewQrid(sim);
  ASSERT_TRUE(sim.Scan(qrid));
  ASSERT_TRUE(sim.Expire(qrid));
  QJsonObject status = Poll(sim, qrid);
  EXPECT_EQ(status["retcode"].toInt(), 50114001);
  EXPECT_NE(Str(status["msg"]), "未使用");
  EXPECT_FALSE(sim.Confirm(qrid));
  EXPECT_EQ(Poll(sim, "no-such-code")["retcode"].toInt(), 50114001);

  // The lifetime option, and another status code for expiry.
  options.qr_lifetime_ms = 1;
  options.expired_retcode = "50114004";
  WeiboSim short_lived(options);
  ASSERT_TRUE(short_lived.Start()) << short_lived.error();
  std::string code = NewQrid(short_lived);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(Poll(short_lived, code)["retcode"].toInt(), 50114004);
}

TEST(SimSignIn, PhonePageAndControlAddresses) {
  WeiboSim sim;
  ASSERT_TRUE(sim.Start()) << sim.error();
  const std::string host = sim.endpoints().signon_host;
  std::string qrid = NewQrid(sim);
  // The confirm button is disabled until the code is scanned.
  EXPECT_TRUE(Contains(GetUrl(sim.PhoneUrl(qrid)).body,
                       "value=\"confirm\" style=\"font-size:1.4em\" disabled>"));
  EXPECT_EQ(testing::Post(host, "/__sim/expire?qrid=" + qrid).status, 200);
  EXPECT_EQ(Get(host, "/__sim/state?qrid=" + qrid).body, "expired\n");
  EXPECT_EQ(testing::Post(host, "/__sim/scan?qrid=" + qrid).status, 409);

}

TEST(SimSignIn, SeparateHostsEachServeTheirOwnRole) {
  SimOptions options;
  options.separate_hosts = true;
  options.signin_uid = kManyAlbumsUid;
  WeiboSim sim(options);
  ASSERT_TRUE(sim.Start()) << sim.error();
  const Endpoints& endpoints = sim.endpoints();
  std::set<std::string> hosts = {endpoints.signon_host, endpoints.main_host, endpoints.photo_host,
                                 endpoints.static_host};
  EXPECT_EQ(hosts.size(), 4u);
  const std::string cookies = WeiboSim::CookieHeader(sim.SignedInCookies());
  EXPECT_TRUE(Contains(Get(endpoints.main_host, "/", cookies).body, "$CONFIG['oid']='1000000002'; "));
  EXPECT_EQ(Get(endpoints.main_host, "/albums/get_all?uid=1000000002", cookies).status, 404);
  QJsonObject albums = ParseObject(
      Get(endpoints.photo_host, "/albums/get_all?uid=1000000002&page=1&count=64", cookies).body);
  std::string cover = Str(albums["data"].toObject()["album_list"].toArray()[1].toObject()["cover_pic"]);
  EXPECT_FALSE(Contains(cover, endpoints.photo_host));
  EXPECT_EQ(GetUrl(cover).Header("Content-Type"), "image/jpeg");
}

}  // namespace
}  // namespace weibo::sim
