// The rules behind retries, resuming and file times, and the piecewise file
// replacement pictures stream into.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "albums/album_download.h"
#include "albums/path_names.h"
#include "albums/retry_policy.h"
#include "albums/saved_pictures.h"
#include "albums/std_file_system.h"
#include "tests/common/test_support.h"

namespace weibo {
namespace {

using namespace std::chrono_literals;

DownloadReply Reply(TransportOutcome outcome, int status, Text headers = Text()) {
  DownloadReply reply;
  reply.started = true;
  reply.outcome = outcome;
  reply.status = status;
  reply.raw_headers = std::move(headers);
  return reply;
}

TEST(RetryPolicyTest, OnlyPassingFailuresAreRetriedWithGrowingPauses) {
  for (int status : {500, 502, 503, 599, 408, 418, 429}) {
    EXPECT_TRUE(IsPassingFailure(Reply(TransportOutcome::kComplete, status))) << status;
  }
  for (int status : {200, 206, 301, 400, 403, 404, 410, 600}) {
    EXPECT_FALSE(IsPassingFailure(Reply(TransportOutcome::kComplete, status))) << status;
  }
  EXPECT_TRUE(IsPassingFailure(Reply(TransportOutcome::kFailed, 200)));  // cut short
  EXPECT_TRUE(IsPassingFailure(Reply(TransportOutcome::kFailed, 0)));    // refused, reset
  EXPECT_TRUE(IsPassingFailure(Reply(TransportOutcome::kTimedOut, 0)));
  EXPECT_FALSE(IsPassingFailure(Reply(TransportOutcome::kTooLarge, 200)));
  EXPECT_FALSE(IsPassingFailure(DownloadReply{}));  // never started

  EXPECT_EQ(RetryAfterSeconds("HTTP/1.1 429 x\r\nretry-after:  12 \r\n\r\n"), 12);
  EXPECT_EQ(RetryAfterSeconds("HTTP/1.1 429 x\r\nRetry-After: soon\r\n\r\n"), std::nullopt);
  EXPECT_EQ(RetryAfterSeconds("HTTP/1.1 429 x\r\nX-Retry-After: 3\r\n\r\n"), std::nullopt);

  const RetrySchedule schedule{{1000ms, 2000ms, 4000ms, 8000ms}, 60s};
  std::mt19937_64 random(3);
  for (int retry = 0; retry < 4; ++retry) {
    const auto base = schedule.pauses[static_cast<std::size_t>(retry)];
    for (int i = 0; i < 50; ++i) {
      const auto pause = PauseBeforeRetry(schedule, retry, Text(), random);
      ASSERT_TRUE(pause.has_value());
      EXPECT_GE(*pause, base * 8 / 10);
      EXPECT_LE(*pause, base * 12 / 10);
    }
  }
  EXPECT_EQ(PauseBeforeRetry(schedule, 4, Text(), random), std::nullopt);
  EXPECT_EQ(PauseBeforeRetry(schedule, -1, Text(), random), std::nullopt);
  // A Retry-After within the limit wins over a shorter pause; past it, it is ignored.
  EXPECT_EQ(PauseBeforeRetry(schedule, 0, "HTTP/1.1 503 x\r\nRetry-After: 60\r\n", random), 60s);
  EXPECT_LE(PauseBeforeRetry(schedule, 0, "HTTP/1.1 503 x\r\nRetry-After: 61\r\n", random),
            1200ms);
  EXPECT_LE(PauseBeforeRetry(schedule, 3, "HTTP/1.1 503 x\r\nRetry-After: 1\r\n", random),
            9600ms);
}

TEST(SavedPicturesTest, KnowsCompletePicturesOfOneSize) {
  ByteArray record = SavedPictures::Line("1_a.jpg", "/large/", 100) +
                     SavedPictures::Line("2_b.jpg", "/large/", 5) +
                     SavedPictures::Line("2_b.jpg", "/mw690/", 7) +  // a later line wins
                     "junk line\n/large/\tx\t3_c.jpg\n" + "/large/\t9\t4_cut.jpg";
  const SavedPictures saved = SavedPictures::Parse(record);
  EXPECT_TRUE(saved.IsSavedComplete("1_a.jpg", "/large/", 100));
  EXPECT_FALSE(saved.IsSavedComplete("1_a.jpg", "/large/", 99));            // damaged
  EXPECT_FALSE(saved.IsSavedComplete("1_a.jpg", "/large/", std::nullopt));  // deleted
  EXPECT_FALSE(saved.IsSavedComplete("1_a.jpg", "/mw690/", 100));           // other size
  EXPECT_TRUE(saved.IsSavedComplete("2_b.jpg", "/mw690/", 7));
  EXPECT_FALSE(saved.IsSavedComplete("2_b.jpg", "/large/", 5));
  EXPECT_FALSE(saved.IsSavedComplete("3_c.jpg", "/large/", 0));
  EXPECT_FALSE(saved.IsSavedComplete("4_cut.jpg", "/large/", 9));  // no line end: cut short
  // Names with spaces and tabs survive.
  EXPECT_TRUE(SavedPictures::Parse(SavedPictures::Line("1_a\tb c.jpg", "/mw1024/", 0))
                  .IsSavedComplete("1_a\tb c.jpg", "/mw1024/", 0));
}

TEST(FileTimeTest, OnlyPlausibleTimesAreUsed) {
  EXPECT_EQ(PlausibleFileTime("1367640000"), 1367640000);
  EXPECT_EQ(PlausibleFileTime("631152000"), 631152000);
  for (const char* text : {"", "0", "631151999", "-1367640000", "1367640000.5", "abc",
                           "99999999999", " 1367640000", "1367640000x"}) {
    EXPECT_EQ(PlausibleFileTime(text), std::nullopt) << text;
  }
}

TEST(StdFileSystemTest, ReplacesPieceByPieceAndCleansLeftovers) {
  TempFolder temp;
  StdFileSystem files;
  const Text file = JoinPath(temp.text(), "1_a.jpg");
  ASSERT_TRUE(files.ReplaceFile(file, "old"));
  {
    std::unique_ptr<FileReplacement> replacement = files.BeginReplace(file);
    ASSERT_NE(replacement, nullptr);
    EXPECT_TRUE(replacement->Write("ne", 2));
    EXPECT_EQ(ReadWholeFile(temp.path() / "1_a.jpg"), "old");  // untouched until committed
    EXPECT_EQ(FolderEntries(temp.path()).size(), 2u);
  }  // dropped: the temporary file goes, the old content stays
  EXPECT_EQ(FolderEntries(temp.path()), std::vector<std::string>{"1_a.jpg"});
  EXPECT_EQ(ReadWholeFile(temp.path() / "1_a.jpg"), "old");

  std::unique_ptr<FileReplacement> replacement = files.BeginReplace(file);
  ASSERT_NE(replacement, nullptr);
  EXPECT_TRUE(replacement->Write("ne", 2));
  EXPECT_TRUE(replacement->Write("w", 1));
  EXPECT_TRUE(replacement->Commit(1367640000));
  replacement.reset();
  EXPECT_EQ(ReadWholeFile(temp.path() / "1_a.jpg"), "new");
  EXPECT_EQ(std::filesystem::last_write_time(temp.path() / "1_a.jpg"),
            std::chrono::file_clock::from_sys(std::chrono::sys_seconds(1367640000s)));
  EXPECT_EQ(files.FileSize(file), 3u);
  EXPECT_EQ(files.FileSize(JoinPath(temp.text(), "none")), std::nullopt);
  EXPECT_EQ(files.BeginReplace(JoinPath(JoinPath(temp.text(), "missing"), "x")), nullptr);

  {
    auto log = files.OpenForAppend(JoinPath(temp.text(), "log"));
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(log->Append("a"));
    // Each append is in the file at once, before the appender closes.
    EXPECT_EQ(files.ReadFile(JoinPath(temp.text(), "log")), ByteArray("a"));
  }
  EXPECT_TRUE(files.OpenForAppend(JoinPath(temp.text(), "log"))->Append("b"));
  EXPECT_EQ(files.ReadFile(JoinPath(temp.text(), "log")), ByteArray("ab"));
  EXPECT_EQ(files.OpenForAppend(JoinPath(JoinPath(temp.text(), "missing"), "x")), nullptr);
  EXPECT_TRUE(files.RemoveFile(JoinPath(temp.text(), "log")));
  EXPECT_TRUE(files.RemoveFile(JoinPath(temp.text(), "log")));  // absent is fine
  EXPECT_EQ(files.ReadFile(JoinPath(temp.text(), "log")), std::nullopt);

  // Only names of the temporary-file form are leftovers.
  for (const char* name : {".1_a.jpg.3.part", ".x.12.part", ".keep.part", ".a..part",
                           "1_a.jpg.3.part", ".a.3x.part", ".a.3.parts"}) {
    std::ofstream(temp.path() / name) << "x";
  }
  EXPECT_EQ(files.RemoveLeftoverTemporaryFiles(temp.text()), 2);
  EXPECT_EQ(FolderEntries(temp.path()),
            (std::vector<std::string>{".a..part", ".a.3.parts", ".a.3x.part", ".keep.part",
                                      "1_a.jpg", "1_a.jpg.3.part"}));
}

}  // namespace
}  // namespace weibo
