// The simulated service's own behaviour that the other tests rely on: each
// fault kind as a client sees it on the wire, deterministic pictures, and the
// sign-in rules (tests/sim/curl_test.sh walks the whole exchange). Driven
// with plain HTTP through tests/sim/sim_test_client.h.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cerrno>
#include <set>
#include <thread>

#include "tests/sim/sim_test_client.h"
#include "tools/weibo-sim/image_encoding.h"
#include "tools/weibo-sim/raster.h"

namespace weibo::sim {
namespace {

using testing::Get;
using testing::GetUrl;
using testing::JsonpBody;
using testing::ParseObject;
using testing::Reply;
using testing::Str;

struct RawReply {
  std::string head;
  std::string body;
  int error = 0;
  std::size_t content_length = 0;
};

RawReply RawGet(const std::string& host, const std::string& target, int timeout_ms = 5000) {
  RawReply reply;
  std::string bytes = testing::RawExchange(
      host, "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n",
      timeout_ms, &reply.error);
  std::size_t end = bytes.find("\r\n\r\n");
  reply.head = bytes.substr(0, end == std::string::npos ? end : end + 4);
  if (end == std::string::npos) return reply;
  reply.body = bytes.substr(end + 4);
  std::size_t at = reply.head.find("Content-Length: ");
  if (at != std::string::npos) reply.content_length = std::stoul(reply.head.substr(at + 16));
  return reply;
}

FaultRule Rule(const char* text) {
  FaultRule rule;
  Text error;
  EXPECT_TRUE(ParseFaultRule(text, &rule, &error)) << text << ": " << error;
  return rule;
}

std::string LastFault(const WeiboSim& sim, const std::string& path) {
  std::vector<RequestRecord> log = sim.Requests();
  for (auto it = log.rbegin(); it != log.rend(); ++it) {
    if (it->path == path) return it->fault;
  }
  return "(no request)";
}

TEST(SimFaults, RulesParse) {
  FaultRule rule = Rule("status:0.25:418@/photos/");
  EXPECT_EQ(rule.kind, FaultKind::kStatus);
  EXPECT_DOUBLE_EQ(rule.rate, 0.25);
  EXPECT_EQ(rule.status, 418);
  EXPECT_EQ(rule.path_prefix, "/photos/");
  EXPECT_DOUBLE_EQ(Rule("stall").rate, 1.0);
  EXPECT_EQ(Rule("latency:1:40").milliseconds, 40);
  Text error;
  for (const char* bad : {"explode", "status:2", "status:1:99", "reset:1:5", "short@photos"}) {
    EXPECT_FALSE(ParseFaultRule(bad, &rule, &error)) << bad;
    EXPECT_FALSE(error.empty());
  }
}

TEST(SimFaults, EachKindAsAClientSeesIt) {
  SimOptions options;
  options.faults = {Rule("status:1:503@/albums/"), Rule("short@/large/"), Rule("reset@/mw690/"),
                    Rule("stall:1:600000@/sso/qrcode/check"), Rule("headers@/u/"),
                    Rule("badjson@/sso/qrcode/image"), Rule("latency:1:20@/photos/"),
                    Rule("html@/thumb300/")};
  WeiboSim sim(options);
  ASSERT_TRUE(sim.Start()) << sim.error();
  const Endpoints& e = sim.endpoints();

  testing::Reply albums = Get(e.photo_host, "/albums/get_all?uid=1000000001&page=1&count=64");
  EXPECT_EQ(albums.status, 503);
  EXPECT_EQ(albums.body.rfind("<html>", 0), 0u);

  const Photo& photo = sim.data().FindUser(kDefaultUid)->albums[0].photos[0];
  const std::string url = sim.PictureUrl(photo, "large");
  const std::string pictures = url.substr(7, url.find('/', 7) - 7);
  RawReply cut = RawGet(pictures, "/large/" + photo.pic_name);
  EXPECT_EQ(cut.content_length, sim.PictureBytes("large", photo.pic_name).size());
  EXPECT_EQ(cut.body, sim.PictureBytes("large", photo.pic_name).substr(0, cut.content_length / 2));
  EXPECT_EQ(cut.error, 0) << "an orderly close";
  EXPECT_EQ(RawGet(pictures, "/mw690/" + photo.pic_name).error, ECONNRESET);

  RawReply stalled = RawGet(e.signon_host, "/sso/qrcode/check?qrid=x", 300);
  EXPECT_TRUE(stalled.head.empty());
  EXPECT_TRUE(stalled.error == EAGAIN || stalled.error == EWOULDBLOCK) << stalled.error;

  RawReply huge = RawGet(e.main_host, "/u/1000000002");
  EXPECT_GT(huge.head.size(), 8192u);
  EXPECT_EQ(huge.body.size(), huge.content_length);

  testing::Reply qr = Get(e.signon_host, "/sso/qrcode/image?entry=weibo&callback=STK_42");
  EXPECT_EQ(qr.body.rfind("STK_42(", 0), 0u) << qr.body;
  bool parsed = true;
  testing::ParseObject(testing::JsonpBody(qr.body), &parsed);
  EXPECT_FALSE(parsed) << qr.body;

  testing::Reply page = Get(pictures, "/thumb300/" + photo.pic_name);
  EXPECT_EQ(page.status, 200);
  EXPECT_EQ(page.body.rfind("<!DOCTYPE html>", 0), 0u) << page.body;

  EXPECT_EQ(Get(e.photo_host, "/photos/get_all?uid=1").status, 200);
  EXPECT_EQ(LastFault(sim, "/photos/get_all"), "latency");
  sim.Stop();  // returns although the stalled request asked for ten minutes
}

// The pages of /photos/ that a 50 % rule hits, asked with `rnd` as the
// cache-busting value.
std::set<int> HitPages(std::uint64_t seed, const std::string& rnd) {
  SimOptions options;
  options.seed = seed;
  options.faults = {FaultRule{FaultKind::kStatus, 0.5, "/photos/", 503, 0}};
  WeiboSim sim(options);
  EXPECT_TRUE(sim.Start()) << sim.error();
  std::set<int> hit;
  for (int page = 1; page <= 40; ++page) {
    const std::string target = "/photos/get_all?uid=1&album_id=2&count=32&page=" +
                               std::to_string(page) + "&__rnd=" + rnd + std::to_string(page);
    if (Get(sim.endpoints().photo_host, target).status == 503) hit.insert(page);
  }
  return hit;
}

TEST(SimFaults, PartialRatesRepeatWithTheSeed) {
  std::set<int> first = HitPages(7, "1700000000000");
  EXPECT_GT(first.size(), 5u);
  EXPECT_LT(first.size(), 35u);
  EXPECT_EQ(HitPages(7, "1800000000000"), first);
  EXPECT_NE(HitPages(8, "1700000000000"), first);
}

QImage Decode(const std::string& bytes) { return QImage::fromData(QByteArray::fromStdString(bytes)); }

// The first photo of the default user's albums whose name ends in `extension`.
const Photo& PhotoWith(const WeiboSim& sim, const std::string& extension) {
  for (const Album& album : sim.data().FindUser(kDefaultUid)->albums) {
    for (const Photo& photo : album.photos) {
      if (photo.pic_name.ends_with(extension)) return photo;
    }
  }
  ADD_FAILURE() << "no picture ending in " << extension;
  return sim.data().FindUser(kDefaultUid)->albums[0].photos[0];
}

TEST(SimPictures, BytesDependOnlyOnNameAndSizeAndCarryTheirType) {
  WeiboSim sim;
  WeiboSim again;
  ASSERT_TRUE(sim.Start() && again.Start()) << sim.error();
  for (const char* type : {"jpeg", "png", "gif"}) {
    const Photo& photo = PhotoWith(sim, type == std::string("jpeg") ? ".jpg" : "." + std::string(type));
    Reply first = GetUrl(sim.PictureUrl(photo, "mw690"));
    EXPECT_EQ(first.Header("Content-Type"), "image/" + std::string(type));
    EXPECT_EQ(first.body, GetUrl(again.PictureUrl(photo, "mw690")).body) << "another run, same bytes";
    EXPECT_NE(first.body, sim.PictureBytes("large", photo.pic_name));
    // Pixel sizes follow the size segment.
    QImage large = Decode(sim.PictureBytes("large", photo.pic_name));
    EXPECT_EQ(Decode(first.body).width(), std::min(large.width(), 690)) << type;
  }
  // Two different names never share bytes, even with one scene behind them.
  const Album& album = sim.data().FindUser(kDefaultUid)->albums[0];
  std::set<std::string> bytes;
  for (int i = 0; i < 40; ++i) bytes.insert(sim.PictureBytes("thumb150", album.photos[i].pic_name));
  EXPECT_EQ(bytes.size(), 40u);
  EXPECT_EQ(GetUrl(sim.PictureUrl(album.photos[0], "huge")).status, 404);
}

TEST(SimPictures, GifEncoderKeepsEveryPixel) {
  // Sizes that fill the LZW table several times over, and a tiny one.
  for (auto [width, height] : {std::pair{580, 773}, std::pair{333, 211}, std::pair{1, 1}}) {
    Raster raster = DrawPhoto(5, width, height, true);
    QImage decoded = Decode(EncodeGif(raster));
    ASSERT_EQ(decoded.size(), QSize(width, height));
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if ((decoded.pixel(x, y) & 0xFFFFFF) != raster.At(x, y)) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0) << width << "x" << height;
  }
}

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

TEST(SimSignIn, RevokedSessionsAreRefusedOthersStay) {
  WeiboSim sim;
  ASSERT_TRUE(sim.Start()) << sim.error();
  const Endpoints& endpoints = sim.endpoints();
  const std::string first = WeiboSim::CookieHeader(sim.SignedInCookies());
  const std::string other_user = WeiboSim::CookieHeader(sim.SignedInCookies("1000000003"));
  ASSERT_TRUE(Contains(Get(endpoints.main_host, "/", first).body, "$CONFIG['oid']"));

  // By user through the control address, then all through the method.
  EXPECT_EQ(testing::Post(endpoints.signon_host, "/sim/revoke?uid=" + sim.signin_uid()).body,
            "revoked 1\n");
  EXPECT_FALSE(Contains(Get(endpoints.main_host, "/", first).body, "$CONFIG['oid']"));
  EXPECT_FALSE(
      ParseObject(Get(endpoints.photo_host, "/albums/get_all?uid=1000000001&page=1&count=64", first)
                      .body)["result"]
          .toBool());
  EXPECT_TRUE(Contains(Get(endpoints.main_host, "/", other_user).body, "$CONFIG['oid']"));
  EXPECT_EQ(sim.Revoke(), 1);
  EXPECT_FALSE(Contains(Get(endpoints.main_host, "/", other_user).body, "$CONFIG['oid']"));
  EXPECT_EQ(sim.Revoke(), 0);
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

}  // namespace
}  // namespace weibo::sim
