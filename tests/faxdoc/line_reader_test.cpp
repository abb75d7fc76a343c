// Line splitting of text files: CR, CR LF, lone LF, Ctrl-Z, NUL, block edges.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "faxdoc/line_reader.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

std::vector<std::string> ReadLines(const std::string& bytes) {
  test::TempDir dir;
  const std::string name = dir.File("t.txt");
  test::WriteAll(name, bytes);
  TLineReader reader(open(name.c_str(), O_RDONLY));
  std::vector<std::string> lines;
  while (!reader.Eof()) lines.push_back(reader.ReadLine());
  EXPECT_EQ(reader.Error(), 0);
  return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, LineEnds) {
  EXPECT_EQ(ReadLines(""), Lines{});
  EXPECT_EQ(ReadLines("a\r\nb\r\n"), (Lines{"a", "b"}));
  EXPECT_EQ(ReadLines("a\rb\r"), (Lines{"a", "b"}));
  EXPECT_EQ(ReadLines("a\r\nb"), (Lines{"a", "b"}));
  EXPECT_EQ(ReadLines("a\r\r\nb"), (Lines{"a", "", "b"}));
  // A lone line feed is an ordinary character.
  EXPECT_EQ(ReadLines("a\nb\r\n"), (Lines{"a\nb"}));
}

TEST(LineReader, CrLfSplitAcrossBlocks) {
  std::string text(TLineReader::kBlockSize - 1, 'x');
  text += "\r\nnext\r\n";  // CR is the last byte of block 1, LF the first of block 2
  Lines lines = ReadLines(text);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), TLineReader::kBlockSize - 1);
  EXPECT_EQ(lines[1], "next");
}

TEST(LineReader, LineLongerThanABlock) {
  std::string text(3 * TLineReader::kBlockSize + 10, 'y');
  Lines lines = ReadLines(text + "\r\nz");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], text);
  EXPECT_EQ(lines[1], "z");
}

TEST(LineReader, CtrlZAndNul) {
  // Ctrl-Z as the last byte of the file ends the text.
  EXPECT_EQ(ReadLines("a\r\nb\x1a"), (Lines{"a", "b"}));
  // A NUL ends the text of its block; the next block is read as usual.
  std::string text = std::string("ab\0cd\r\n", 7);
  text.resize(TLineReader::kBlockSize, 'q');
  text += "second\r\n";
  Lines lines = ReadLines(text);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "absecond");
}

TEST(LineReader, CountsBytesAndFileSize) {
  test::TempDir dir;
  const std::string name = dir.File("t.txt");
  test::WriteAll(name, std::string(5000, 'a'));
  TLineReader reader(open(name.c_str(), O_RDONLY));
  EXPECT_EQ(reader.FileSize(), 5000u);
  reader.ReadLine();
  EXPECT_EQ(reader.BytesRead(), 5000u);
  EXPECT_TRUE(reader.Eof());
}

}  // namespace
}  // namespace telvane
