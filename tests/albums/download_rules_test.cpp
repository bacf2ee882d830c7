// The rules behind retries, resuming and file times, and the piecewise file
// replacement pictures stream into.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>

#if defined(__linux__)
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "albums/album_download.h"
#include "albums/album_texts.h"
#include "albums/download_ending.h"
#include "albums/failure_list.h"
#include "albums/photo_list_reply.h"
#include "albums/picture_format.h"
#include "albums/path_names.h"
#include "albums/retry_policy.h"
#include "albums/saved_pictures.h"
#include "albums/std_file_system.h"
#include "albums/temporary_names.h"
#include "albums/unnamed_file.h"
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

#if defined(__linux__)
// A process that ends in the middle of a picture leaves nothing of it: on
// Linux the picture has no name until it is complete.
TEST(StdFileSystemTest, ProcessEndingMidWriteLeavesNothingBehind) {
  TempFolder temp;
  StdFileSystem files;
  const Text file = JoinPath(temp.text(), "1_a.jpg");
  ASSERT_TRUE(files.ReplaceFile(file, "old"));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::unique_ptr<FileReplacement> replacement = files.BeginReplace(file);
    const bool written = replacement != nullptr && replacement->Write("half", 4);
    _exit(written ? 0 : 1);  // no destructor runs, as when the process is killed
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(FolderEntries(temp.path()), std::vector<std::string>{"1_a.jpg"});
  EXPECT_EQ(ReadWholeFile(temp.path() / "1_a.jpg"), "old");
}

// Where the system does not name such files after all, the picture is still
// saved whole (through a named temporary file), and later pictures do not
// try again.
TEST(StdFileSystemTest, UnnamedFileThatCannotBeNamedIsSavedAnyway) {
  TempFolder temp;
  std::ofstream(temp.path() / "1_a.jpg") << "old";
  UnnamedFiles files("/");  // no descriptors there: every link fails
  std::mutex directory_changes;
  std::unique_ptr<FileReplacement> replacement =
      files.Begin(temp.path() / "1_a.jpg", directory_changes);
  ASSERT_NE(replacement, nullptr);
  EXPECT_TRUE(replacement->Write("ne", 2));
  EXPECT_TRUE(replacement->Write(ByteArray(100000, 'w').data(), 100000));
  EXPECT_TRUE(replacement->Commit(1367640000));
  replacement.reset();
  EXPECT_EQ(ReadWholeFile(temp.path() / "1_a.jpg"), "ne" + ByteArray(100000, 'w'));
  EXPECT_EQ(ModifiedSeconds(temp.path() / "1_a.jpg"), 1367640000);
  EXPECT_EQ(FolderEntries(temp.path()), std::vector<std::string>{"1_a.jpg"});
  EXPECT_EQ(files.Begin(temp.path() / "2_b.jpg", directory_changes), nullptr);
}
#endif

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
    // Beside it at most a hidden temporary file (none where files can be
    // written without a name).
    const std::vector<std::string> entries = FolderEntries(temp.path());
    EXPECT_LE(entries.size(), 2u);
    for (const std::string& name : entries) {
      EXPECT_TRUE(name == "1_a.jpg" || IsTemporaryName(name)) << name;
    }
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

TEST(PictureFormatTest, OnlyPictureBytesOfAPictureTypeAreKept) {
  using namespace std::string_view_literals;
  for (std::string_view bytes :
       {"\xFF\xD8\xFF\xE0\0\x10JFIF\0"sv, "\x89PNG\r\n\x1A\n\0\0\0\x0D"sv, "GIF89a\x01\0\x01\0\x80\0"sv,
        "GIF87a"sv, "RIFF\x24\0\0\0WEBP"sv, "BM\x36\0\0\0\0\0\0\0\x36\0"sv}) {
    EXPECT_TRUE(LooksLikePicture(bytes)) << bytes;
  }
  for (std::string_view bytes :
       {""sv, "<!DOCTYPE html>\n<html"sv, "  <html>"sv, "{\"result\":false"sv, "\xFF\xD8good"sv,
        "RIFF\x24\0\0\0WAVE"sv, "\x89PNG\r\n"sv, "GIF90a"sv, "\xEF\xBB\xBF<html>"sv}) {
    EXPECT_FALSE(LooksLikePicture(bytes)) << bytes;
  }
  for (const char* headers : {"", "Server: x\r\n", "Content-Type: image/jpeg\r\n",
                              "content-type:IMAGE/WEBP; q=1\r\n",
                              "Content-Type: application/octet-stream\r\n"}) {
    EXPECT_TRUE(ContentTypeAllowsPicture(headers)) << headers;
  }
  for (const char* headers :
       {"Content-Type: text/html; charset=utf-8\r\n", "CONTENT-TYPE: Text/Plain\r\n",
        "Content-Type: application/json\r\n", "Server: x\r\nContent-Type: application/xhtml+xml\r\n",
        "Content-Type: application/javascript\r\n"}) {
    EXPECT_FALSE(ContentTypeAllowsPicture(headers)) << headers;
  }
}

TEST(PhotoListReplyTest, OnlyASuccessfulListCounts) {
  const auto judge = [](const char* json) {
    JsonNode document;
    JsonParse(document, json);
    JsonNode list;
    const PhotoListVerdict verdict = JudgePhotoListReply(document, &list);
    if (verdict == PhotoListVerdict::kList) {
      EXPECT_TRUE(JsonIsArray(list)) << json;
    }
    return verdict;
  };
  EXPECT_EQ(judge(R"({"result":true,"data":{"photo_list":[{"pic_name":"a"}]}})"),
            PhotoListVerdict::kList);
  EXPECT_EQ(judge(R"({"result":true,"data":{"total":0,"photo_list":[]}})"),
            PhotoListVerdict::kList);  // an empty album
  EXPECT_EQ(judge(R"({"result":false,"code":"A0001","msg":"x","data":null})"),
            PhotoListVerdict::kSignedOut);
  EXPECT_EQ(judge("{\"result\":false,\"code\":\"9\",\"msg\":\"\xC7\xEB\xCF\xC8\xB5\xC7\xC2\xBC\"}"),
            PhotoListVerdict::kSignedOut);  // 请先登录
  for (const char* json : {R"({"result":false,"code":"A0002","msg":"gone","data":null})",
                           R"({"result":true,"data":null})", R"({"result":true,"data":{}})",
                           R"({"result":true,"data":{"photo_list":{}}})",
                           R"({"result":"true","data":{"photo_list":[]}})",
                           R"({"data":{"photo_list":[]}})", "null", "[]"}) {
    EXPECT_EQ(judge(json), PhotoListVerdict::kNotAList) << json;
  }
}

TEST(FailureListTest, AListIsReplacedOnlyByARunThatTriedItsPictures) {
  const ByteArray old_list =
      "http://p/a.jpg\r\nhttp://p/b.jpg\r\nhttp://h/photos/get_all?uid=1&page=2\r\nhttp://p/c.jpg";
  // Every page listed: only this run's failures.
  EXPECT_EQ(MergedFailureList(old_list, {"http://p/x.jpg"}, {}, true), "http://p/x.jpg\r\n");
  EXPECT_EQ(MergedFailureList(old_list, {}, {"http://p/a.jpg"}, true), "");
  // A page not listed: the old pictures this run did not try stay, once;
  // old page addresses go.
  EXPECT_EQ(MergedFailureList(old_list, {"http://h/photos/get_all?uid=1&page=1", "http://p/c.jpg"},
                              {"http://p/a.jpg", "http://p/c.jpg"}, false),
            "http://h/photos/get_all?uid=1&page=1\r\nhttp://p/c.jpg\r\nhttp://p/b.jpg\r\n");
}

TEST(FinishingTextTest, NamesTheListOnlyWhenWrittenAndSaysWhy) {
  EXPECT_EQ(FinishingText(DownloadEnding{}), kAllPagesDoneText);
  EXPECT_EQ(FinishingText(DownloadEnding{3}),
            Gbk("状态:下载结束,有 3 张图片没能下载,它们的地址记在相册文件夹的 failed-downloads.txt 里;"));
  EXPECT_EQ(FinishingText(DownloadEnding{40, false, WriteProblem::kDiskFull, true}),
            Gbk("状态:下载结束,有 40 张图片没能下载,相册文件夹无法写入:磁盘已满,没能记下它们的地址;"));
  EXPECT_EQ(FinishingText(DownloadEnding{2, false, WriteProblem::kNoPermission, false}),
            Gbk("状态:下载结束,有 2 张图片没能下载,相册文件夹无法写入:没有写入权限,"
                "它们的地址记在相册文件夹的 failed-downloads.txt 里;"));
  EXPECT_EQ(FinishingText(DownloadEnding{1, false, WriteProblem::kFolderGone, true}),
            Gbk("状态:下载结束,有 1 张图片没能下载,相册文件夹无法写入:文件夹已不存在,没能记下它们的地址;"));
  EXPECT_EQ(FinishingText(DownloadEnding{64, true}),
            Gbk("状态:登录已失效,请重新登录后再下载!有 64 张图片没能下载,"
                "它们的地址记在相册文件夹的 failed-downloads.txt 里;"));
  EXPECT_EQ(FinishingText(DownloadEnding{0, true}), kSignInEndedText);
}

TEST(StdFileSystemTest, ProbeTellsAFolderThatTakesFilesFromOneThatIsGone) {
  TempFolder temp;
  StdFileSystem files;
  EXPECT_EQ(files.ProbeFolder(temp.text()), WriteProblem::kNone);
  EXPECT_EQ(FolderEntries(temp.path()), std::vector<std::string>{});  // the probe is gone
  EXPECT_EQ(files.ProbeFolder(JoinPath(temp.text(), "missing")), WriteProblem::kFolderGone);
  { std::ofstream(temp.path() / "file") << "x"; }
  EXPECT_EQ(files.ProbeFolder(JoinPath(temp.text(), "file")), WriteProblem::kFolderGone);
}

}  // namespace
}  // namespace weibo
