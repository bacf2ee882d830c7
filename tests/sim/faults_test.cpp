// Faults on demand: each kind as a client sees it on the wire, and the
// seeded choice of which requests a partial rate hits.
#include <gtest/gtest.h>

#include <cerrno>
#include <set>

#include "tests/sim/sim_test_client.h"

namespace weibo::sim {
namespace {

using testing::Get;

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
                    Rule("badjson@/sso/qrcode/image"), Rule("latency:1:20@/photos/")};
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

}  // namespace
}  // namespace weibo::sim
