// The sign-in exchange of the simulated service, driven with plain HTTP.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <set>
#include <thread>

#include "tests/sim/sim_test_client.h"

namespace weibo::sim {
namespace {

using testing::CookieJar;
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

std::string LoginTarget(const std::string& domain, const std::string& alt, const char* crossdomain = "1") {
  return "/sso/login.php?entry=weibo&returntype=TEXT&crossdomain=" + std::string(crossdomain) +
         "&cdult=3&domain=" + domain + "&alt=" + alt + "&savestate=30&callback=STK_5";
}

std::string ConfirmedAlt(WeiboSim& sim) {
  std::string qrid = NewQrid(sim);
  EXPECT_TRUE(sim.Scan(qrid));
  EXPECT_TRUE(sim.Confirm(qrid));
  return Str(Poll(sim, qrid)["data"].toObject()["alt"]);
}

TEST(SimSignIn, WholeExchangeSetsTheCookiesTheHostsCheck) {
  WeiboSim sim;
  ASSERT_TRUE(sim.Start()) << sim.error();
  const Endpoints& endpoints = sim.endpoints();
  CookieJar jar;

  // QR code reply: JSON-P named after the callback, a cookie, a picture.
  Reply qr = Get(endpoints.signon_host, "/sso/qrcode/image?entry=weibo&size=180&callback=STK_1712345678901");
  EXPECT_EQ(qr.body.rfind("STK_1712345678901(", 0), 0u);
  bool ok = false;
  QJsonObject qr_json = ParseObject(JsonpBody(qr.body), &ok);
  ASSERT_TRUE(ok) << qr.body;
  EXPECT_EQ(qr_json["retcode"].toInt(), 20000000);
  std::string qrid = Str(qr_json["data"].toObject()["qrid"]);
  EXPECT_EQ(qrid, sim.LatestQrid());
  std::string image = Str(qr_json["data"].toObject()["image"]);
  EXPECT_EQ(image.rfind("http://" + endpoints.signon_host + "/", 0), 0u);
  ASSERT_EQ(qr.SetCookies().size(), 1u);
  EXPECT_TRUE(Contains(qr.SetCookies()[0], "; path=/"));
  EXPECT_TRUE(Contains(qr.SetCookies()[0], "; httponly"));
  jar.Take(qr);
  Reply picture = GetUrl(image);
  EXPECT_EQ(picture.Header("Content-Type"), "image/png");
  QImage qr_image = QImage::fromData(QByteArray::fromStdString(picture.body));
  EXPECT_EQ(qr_image.width(), 180);
  EXPECT_EQ(qr_image.height(), 180);
  EXPECT_EQ(sim.PhoneUrl(qrid), "http://" + endpoints.signon_host + "/phone/qrcode?qrid=" + qrid);

  // Polls: waiting, scanned, confirmed.
  QJsonObject status = Poll(sim, qrid);
  EXPECT_EQ(status["retcode"].toInt(), 50114001);
  EXPECT_EQ(Str(status["msg"]), "未使用");
  EXPECT_TRUE(status["data"].isNull());
  EXPECT_FALSE(sim.Confirm(qrid)) << "confirming needs a scan first";
  ASSERT_TRUE(sim.Scan(qrid));
  status = Poll(sim, qrid);
  EXPECT_EQ(status["retcode"].toInt(), 50114002);
  EXPECT_FALSE(Str(status["msg"]).empty());
  EXPECT_NE(Str(status["msg"]), "未使用");
  ASSERT_TRUE(sim.Confirm(qrid));
  status = Poll(sim, qrid);
  EXPECT_EQ(status["retcode"].toInt(), 20000000);
  std::string alt = Str(status["data"].toObject()["alt"]);
  ASSERT_FALSE(alt.empty());

  // Login: the cross-domain list, once only.
  Reply login = Get(endpoints.signon_host, LoginTarget(endpoints.main_domain, alt));
  QJsonObject login_json = ParseObject(JsonpBody(login.body));
  EXPECT_EQ(Str(login_json["retcode"]), "0");
  EXPECT_EQ(Str(login_json["uid"]), kDefaultUid);
  QJsonArray urls = login_json["crossDomainUrlList"].toArray();
  ASSERT_EQ(urls.size(), 3);
  EXPECT_FALSE(login.SetCookies().empty());
  Reply again = Get(endpoints.signon_host, LoginTarget(endpoints.main_domain, alt));
  EXPECT_NE(Str(ParseObject(JsonpBody(again.body))["retcode"]), "0");
  EXPECT_FALSE(ParseObject(JsonpBody(again.body)).contains("crossDomainUrlList"));

  // The visits: the first deletes the QR cookie, the second redirects with a
  // cookie of its own before the page that sets the checked ones.
  Reply first = GetUrl(Str(urls[0]), jar.Header());
  jar.Take(first);
  EXPECT_FALSE(jar.Has(kQrCookie));
  EXPECT_TRUE(jar.Has("ALF"));
  Reply redirect = GetUrl(Str(urls[1]), jar.Header());
  EXPECT_EQ(redirect.status, 302);
  ASSERT_EQ(redirect.SetCookies().size(), 1u);
  EXPECT_EQ(redirect.SetCookies()[0].rfind(std::string(kRedirectCookie) + "=", 0), 0u);
  Reply finish = GetUrl(redirect.Header("Location"), jar.Header());
  EXPECT_EQ(finish.status, 200);
  jar.Take(finish);
  std::vector<std::string> session = finish.SetCookies();
  ASSERT_EQ(session.size(), 2u);
  EXPECT_EQ(session[0].rfind(std::string(kSessionCookie) + "=", 0), 0u);
  for (const char* attribute : {"; expires=", "; path=/", "; domain=127.0.0.1", "; httponly"}) {
    EXPECT_TRUE(Contains(session[0], attribute)) << session[0] << " lacks " << attribute;
  }
  Reply photo_visit = GetUrl(Str(urls[2]), jar.Header());
  jar.Take(photo_visit);
  EXPECT_TRUE(jar.Has(kPhotoCookie));
  EXPECT_TRUE(Contains(photo_visit.SetCookies().at(0), "; Max-Age=2592000"));
  Reply reused = GetUrl(Str(urls[2]), jar.Header());
  EXPECT_TRUE(reused.SetCookies().empty()) << "tickets are single-use";

  // The checked cookies open the main and photo hosts; the redirect's
  // cookie is not needed.
  Reply root = Get(endpoints.main_host, "/", jar.Header());
  EXPECT_TRUE(Contains(root.body, "$CONFIG['oid']='1000000001'; ")) << root.body;
  EXPECT_TRUE(Contains(root.body, "$CONFIG['onick']='测试用户'; "));
  Reply albums = Get(endpoints.photo_host, "/albums/get_all?uid=1000000001&page=1&count=64&__rnd=1",
                     jar.Header());
  EXPECT_TRUE(ParseObject(albums.body)["result"].toBool()) << albums.body;
  CookieJar partial = jar;
  partial.Remove(kProfileCookie);
  EXPECT_FALSE(Contains(Get(endpoints.main_host, "/", partial.Header()).body, "$CONFIG['oid']"));
  EXPECT_FALSE(Contains(Get(endpoints.main_host, "/").body, "$CONFIG['oid']"));

  // The log tells which cookies each request carried.
  std::vector<RequestRecord> log = sim.Requests();
  auto root_request = std::find_if(log.begin(), log.end(), [&](const RequestRecord& r) {
    return r.path == "/" && r.signed_in_uid == kDefaultUid;
  });
  ASSERT_NE(root_request, log.end());
  EXPECT_EQ(sim.SignedInUser(root_request->cookies, Role::kMain), std::optional<Text>(kDefaultUid));
  auto carried = [&](const char* name) {
    return std::any_of(root_request->cookies.begin(), root_request->cookies.end(),
                       [&](const auto& cookie) { return cookie.first == name; });
  };
  EXPECT_TRUE(carried(kSessionCookie));
  EXPECT_FALSE(carried(kRedirectCookie));
}

TEST(SimSignIn, LoginForAnotherDomainOrWithoutCrossDomainLeavesOutVisits) {
  WeiboSim sim;
  ASSERT_TRUE(sim.Start()) << sim.error();
  const Endpoints& endpoints = sim.endpoints();
  QJsonObject other = ParseObject(JsonpBody(
      Get(endpoints.signon_host, LoginTarget("example.org", ConfirmedAlt(sim))).body));
  EXPECT_EQ(Str(other["retcode"]), "0");
  QJsonArray urls = other["crossDomainUrlList"].toArray();
  ASSERT_EQ(urls.size(), 2);
  CookieJar jar;
  for (const QJsonValue& url : urls) {
    EXPECT_FALSE(Contains(Str(url), "ssosavestate=")) << "the main host's visit";
    jar.Take(GetUrl(Str(url), jar.Header()));
  }
  // The session cookie comes from the main host's visit, which the photo
  // host needs as well.
  EXPECT_FALSE(Contains(Get(endpoints.main_host, "/", jar.Header()).body, "$CONFIG['oid']"));
  EXPECT_FALSE(ParseObject(Get(endpoints.photo_host, "/albums/get_all?uid=1000000001&page=1&count=64",
                               jar.Header()).body)["result"].toBool());

  QJsonObject no_list = ParseObject(JsonpBody(
      Get(endpoints.signon_host, LoginTarget(endpoints.main_domain, ConfirmedAlt(sim), "0")).body));
  EXPECT_EQ(Str(no_list["retcode"]), "0");
  EXPECT_FALSE(no_list.contains("crossDomainUrlList"));
}

TEST(SimSignIn, ExpiredAndUnknownCodesAskForANewCode) {
  SimOptions options;
  options.qr_lifetime_ms = 60000;
  WeiboSim sim(options);
  ASSERT_TRUE(sim.Start()) << sim.error();
  std::string qrid = NewQrid(sim);
  ASSERT_TRUE(sim.Scan(qrid));
  ASSERT_TRUE(sim.Expire(qrid));
  EXPECT_EQ(sim.State(qrid), QrState::kExpired);
  QJsonObject status = Poll(sim, qrid);
  EXPECT_EQ(status["retcode"].toInt(), 50114001);
  EXPECT_NE(Str(status["msg"]), "未使用");
  EXPECT_FALSE(Str(status["msg"]).empty());
  EXPECT_FALSE(sim.Confirm(qrid));
  QJsonObject unknown = Poll(sim, "no-such-code");
  EXPECT_EQ(unknown["retcode"].toInt(), 50114001);
  EXPECT_NE(Str(unknown["msg"]), "未使用");
  EXPECT_EQ(testing::GetUrl("http://" + sim.endpoints().signon_host +
                            "/sso/qrcode/picture?qrid=no-such-code").status, 404);

  // The lifetime option, and another status code for expiry.
  options.qr_lifetime_ms = 1;
  options.expired_retcode = "50114004";
  WeiboSim short_lived(options);
  ASSERT_TRUE(short_lived.Start()) << short_lived.error();
  std::string code = NewQrid(short_lived);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(Poll(short_lived, code)["retcode"].toInt(), 50114004);
  EXPECT_FALSE(short_lived.Scan(code));
}

TEST(SimSignIn, PhonePageScansAndConfirmsFromABrowser) {
  WeiboSim sim;
  ASSERT_TRUE(sim.Start()) << sim.error();
  const std::string host = sim.endpoints().signon_host;
  std::string qrid = NewQrid(sim);
  Reply page = GetUrl(sim.PhoneUrl(qrid));
  EXPECT_EQ(page.status, 200);
  EXPECT_TRUE(Contains(page.body, "action=\"/phone/scan?qrid=" + qrid + "\""));
  EXPECT_TRUE(Contains(page.body, "value=\"confirm\" style=\"font-size:1.4em\" disabled>"));
  Reply scanned = testing::Post(host, "/phone/scan?qrid=" + qrid);
  EXPECT_EQ(scanned.status, 303);
  EXPECT_EQ(scanned.Header("Location"), "/phone/qrcode?qrid=" + qrid);
  EXPECT_EQ(sim.State(qrid), QrState::kScanned);
  page = GetUrl(sim.PhoneUrl(qrid));
  EXPECT_TRUE(Contains(page.body, "data-state=\"scanned\""));
  EXPECT_TRUE(Contains(page.body, "value=\"confirm\" style=\"font-size:1.4em\">"));
  testing::Post(host, "/phone/confirm?qrid=" + qrid);
  EXPECT_EQ(sim.State(qrid), QrState::kConfirmed);
  EXPECT_EQ(Poll(sim, qrid)["retcode"].toInt(), 20000000);
  EXPECT_TRUE(Contains(Get(host, "/phone/qrcode").body, qrid));

  // The control addresses for scripts.
  std::string second = NewQrid(sim);
  EXPECT_EQ(testing::Post(host, "/__sim/expire?qrid=" + second).status, 200);
  EXPECT_EQ(Get(host, "/__sim/state?qrid=" + second).body, "expired\n");
  EXPECT_EQ(testing::Post(host, "/__sim/scan?qrid=" + second).status, 409);
}

TEST(SimSignIn, AutoConfirmSignsInWithoutButtons) {
  SimOptions options;
  options.auto_confirm_ms = 0;
  WeiboSim sim(options);
  ASSERT_TRUE(sim.Start()) << sim.error();
  std::string qrid = NewQrid(sim);
  EXPECT_EQ(Poll(sim, qrid)["retcode"].toInt(), 20000000);

  options.auto_confirm_ms = 600000;
  WeiboSim slow(options);
  ASSERT_TRUE(slow.Start()) << slow.error();
  EXPECT_EQ(Poll(slow, NewQrid(slow))["retcode"].toInt(), 50114001);
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
  EXPECT_EQ(sim.Hosts().size(), 6u);
  EXPECT_EQ(endpoints.main_domain, "127.0.0.1");
  CookieJar jar = testing::SignInOverHttp(sim);
  Reply root = Get(endpoints.main_host, "/", jar.Header());
  EXPECT_TRUE(Contains(root.body, "$CONFIG['oid']='1000000002'; ")) << root.body;
  EXPECT_EQ(Get(endpoints.main_host, "/albums/get_all?uid=1000000002", jar.Header()).status, 404);
  EXPECT_EQ(Get(endpoints.photo_host, "/", jar.Header()).status, 404);
  QJsonObject albums = ParseObject(
      Get(endpoints.photo_host, "/albums/get_all?uid=1000000002&page=1&count=64", jar.Header()).body);
  std::string cover = Str(albums["data"].toObject()["album_list"].toArray()[1].toObject()["cover_pic"]);
  EXPECT_FALSE(Contains(cover, endpoints.photo_host));
  EXPECT_EQ(GetUrl(cover).Header("Content-Type"), "image/jpeg");
}

}  // namespace
}  // namespace weibo::sim
