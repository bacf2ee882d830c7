// Safe names for the folders and files made from the service's texts, and
// the file layer that turns the tool's paths into native ones.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "albums/path_names.h"
#include "albums/std_file_system.h"
#include "support/icu_codepage.h"
#include "tests/common/test_support.h"

namespace weibo {
namespace {

TEST(SafePathComponentTest, KeepsOrdinaryNamesAndChinese) {
  EXPECT_EQ(SafePathComponent("1367640000_006abc.jpg"), "1367640000_006abc.jpg");
  // 淺 is 9C 5C: its second byte is a backslash, which must stay.
  EXPECT_EQ(SafePathComponent(Gbk("淺草寺與雷門")), Gbk("淺草寺與雷門"));
  // Leading spaces, inner dots, leading dots and full-width spaces are allowed.
  EXPECT_EQ(SafePathComponent(Gbk("  前后空格　")), Gbk("  前后空格　"));
  EXPECT_EQ(SafePathComponent(".a..b"), ".a..b");
  EXPECT_EQ(SafePathComponent("CONSOLE"), "CONSOLE");
}

TEST(SafePathComponentTest, ReplacesWhatCouldEscapeOrFail) {
  EXPECT_EQ(SafePathComponent(Gbk("日记: 夏天?*/\\")), Gbk("日记_ 夏天____"));
  EXPECT_EQ(SafePathComponent("../../etc/passwd"), ".._.._etc_passwd");
  EXPECT_EQ(SafePathComponent(std::string("a<b>c\"d|e\tf\x01\x7F", 13)), "a_b_c_d_e_f__");
  // Never dots alone, trailing dots or spaces, or empty; no device names.
  EXPECT_EQ(SafePathComponent(".."), "__");
  EXPECT_EQ(SafePathComponent("name. . "), "name____");
  EXPECT_EQ(SafePathComponent(""), "_");
  EXPECT_EQ(SafePathComponent("lpt1.txt"), "lpt1_.txt");
  // A lead byte without its second byte is half a character.
  EXPECT_EQ(SafePathComponent(std::string("ab\xD5", 3)), "ab");
}

TEST(SafePathComponentTest, EuroSignIsOneCharacterOfItsOwn) {
  // 0x80 must not take the byte after it along: "/", a control byte, a
  // trailing space or dot after it is still seen.
  EXPECT_EQ(SafePathComponent(Gbk("预算100€/人")), Gbk("预算100€_人"));
  EXPECT_EQ(SafePathComponent(Gbk("旅行€/")), Gbk("旅行€_"));
  EXPECT_EQ(SafePathComponent("\x80\x01"), "\x80_");
  EXPECT_EQ(SafePathComponent("\x80 "), "\x80_");
  EXPECT_EQ(SafePathComponent("\x80."), "\x80_");
  // The separator after a folder ending in the euro sign stays a separator;
  // after a lead byte with no trail byte, that byte is dropped instead.
  EXPECT_EQ(ReplacePathSeparators(JoinPath("root\x80", "b"), "/"), "root\x80/b");
  EXPECT_EQ(ReplacePathSeparators(JoinPath("root\xD5", "b"), "/"), "root/b");
  EXPECT_EQ(JoinPath(Gbk("淺"), "b"), Gbk("淺") + "\\b");
}

TEST(SafePathComponentTest, CharactersTheCodePageLacksBecomeUnderscores) {
  // An escaped emoji arrives as GB18030 bytes, an unescaped one as "?".
  EXPECT_EQ(SafePathComponent("a\x94\x39\xFC\x36" "b?"), "a_b_");
  // Bytes that begin no character; a lead byte at the very end is dropped.
  EXPECT_EQ(SafePathComponent("\x95" "2\xFF" "c\xD5"), "_2_c");
}

TEST(SafePathComponentTest, LongNamesFitTheFileSystemOnceConverted) {
  TempFolder temp;
  StdFileSystem files;
  Text chinese;
  for (int i = 0; i < 100; ++i) chinese += Gbk("张");
  Text emoji;
  for (int i = 0; i < 80; ++i) emoji += "\x94\x39\xFC\x36";
  // A device name gets its "_" and is still cut to the limit.
  const Text long_names[] = {Text(150, '\x80'), emoji, chinese, "a" + chinese, Text(300, 'x'),
                             "con.txt" + Text(300, '.'), "nul." + Text(300, 'y')};
  for (const Text& name : long_names) {
    const Text safe = SafePathComponent(name);
    EXPECT_LE(CodePage936ToUtf8(safe).size(), kMaxComponentBytes) << name;
    const Text folder = JoinPath(temp.text(), safe);
    EXPECT_TRUE(files.CreateFolder(folder)) << name;
    EXPECT_TRUE(files.ReplaceFile(JoinPath(folder, safe), "x")) << name;
  }
  // Cut on a character boundary: 3 bytes counted for each Chinese character.
  EXPECT_EQ(SafePathComponent(chinese), chinese.substr(0, kMaxComponentBytes / 3 * 2));
  EXPECT_EQ(SafePathComponent("a" + chinese), "a" + chinese.substr(0, 74 * 2));
  EXPECT_EQ(SafePathComponent(Text(300, 'x')).size(), kMaxComponentBytes);
  EXPECT_EQ(SafePathComponent(emoji), Text(80, '_'));
  EXPECT_EQ(SafePathComponent("nul." + Text(300, 'y')), "nul_." + Text(220, 'y'));
  EXPECT_EQ(SafePathComponent("con.txt" + Text(300, '.')), "con_.txt" + Text(217, '_'));
}

TEST(StdFileSystemTest, CreatesFoldersAndReplacesFilesWhole) {
  EXPECT_EQ(ReplacePathSeparators(Gbk("根\\淺草\\x"), "/"), Gbk("根/淺草/x"));
  EXPECT_EQ(StdFileSystem::NativePath(JoinPath("/tmp", Gbk("淺草"))),
            std::filesystem::path(u8"/tmp/淺草"));
  TempFolder temp;
  StdFileSystem files;
  const Text folder = JoinPath(temp.text(), Gbk("淺草寺"));
  EXPECT_TRUE(files.CreateFolder(folder));
  EXPECT_TRUE(files.CreateFolder(folder));  // existing is fine
  EXPECT_FALSE(files.CreateFolder(JoinPath(JoinPath(temp.text(), "missing"), "child")));

  const Text file = JoinPath(folder, "1_a.jpg");
  EXPECT_TRUE(files.ReplaceFile(file, ByteArray("first\0bytes", 11)));
  EXPECT_TRUE(files.ReplaceFile(file, "second"));
  EXPECT_EQ(ReadWholeFile(Below(temp.path(), {"淺草寺", "1_a.jpg"})), "second");
  EXPECT_EQ(FolderEntries(Below(temp.path(), {"淺草寺"})), std::vector<std::string>{"1_a.jpg"});

  // A folder that cannot exist: nothing is written, nothing left behind.
  EXPECT_FALSE(files.ReplaceFile(JoinPath(JoinPath(temp.text(), "missing"), "x.jpg"), "x"));
  // A folder standing where the file should go keeps standing.
  EXPECT_FALSE(files.ReplaceFile(folder, "x"));
  EXPECT_TRUE(std::filesystem::is_directory(Below(temp.path(), {"淺草寺"})));
  EXPECT_EQ(FolderEntries(temp.path()), std::vector<std::string>{"淺草寺"});
}

TEST(StdFileSystemTest, ConcurrentWritersLeaveOneCompleteFile) {
  TempFolder temp;
  StdFileSystem files;
  const Text file = JoinPath(temp.text(), "same.jpg");
  std::vector<std::thread> writers;
  for (int w = 0; w < 4; ++w) {
    writers.emplace_back([&files, &file, w] {
      for (int i = 0; i < 50; ++i) files.ReplaceFile(file, ByteArray(4096, static_cast<char>('a' + w)));
    });
  }
  for (std::thread& writer : writers) writer.join();
  const ByteArray content = ReadWholeFile(temp.path() / "same.jpg");
  ASSERT_EQ(content.size(), 4096u);
  EXPECT_EQ(content, ByteArray(4096, content[0]));
  EXPECT_EQ(FolderEntries(temp.path()), std::vector<std::string>{"same.jpg"});
}

}  // namespace
}  // namespace weibo
