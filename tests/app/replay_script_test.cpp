// Scripts and messages from strangers: a line's keys are a set (each key once,
// in the order first named), the playback reads the checked text one line at
// a time and hands out the same steps as a whole parse, a file is read only
// when it is a regular one within its cap, and offending bytes reach a
// message only as \xNN, cut after 80 characters.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/replay_record.h"
#include "app/replay_script.h"
#include "diag/quote.h"
#include "gfx/input_file.h"
#include "platform/platform.h"

namespace {

std::vector<int> Keys(const replay::KeyList& list) {
  return std::vector<int>(list.begin(), list.end());
}

TEST(ReplayScript, ALinesKeysAreASetInTheOrderFirstNamed) {
  using platform::VKEY_SLASH, platform::VKEY_Z, platform::VKEY_X, platform::VKEY_LEFT;
  struct Row {
    const char* text;
    std::vector<int> keys;
  };
  const Row rows[] = {
      {"1 -\n", {}},
      {"1 Z+X\n", {VKEY_Z, VKEY_X}},
      {"1 X+Z+X+Z+X\n", {VKEY_X, VKEY_Z}},
      {"3 ABOUT+Z+ABOUT+Z+ABOUT+Z\n", {VKEY_SLASH, VKEY_Z}},
      {"1\tLEFT+LEFT\r\n", {VKEY_LEFT}},
  };
  for (const Row& row : rows) {
    std::vector<replay::ScriptLine> lines;
    std::string error;
    ASSERT_TRUE(replay::ParseScript(row.text, &lines, &error)) << row.text << error;
    ASSERT_EQ(lines.size(), 1u) << row.text;
    EXPECT_EQ(Keys(lines[0].vkeys), row.keys) << row.text;
  }
}

TEST(ReplayScript, ThePlaybackHandsOutTheStepsOfTheWholeParse) {
  const std::string text = "# a recording\n2 Z+Z\n\n1 -  # rest\n3 UP+LEFT\n";
  std::vector<replay::ScriptLine> lines;
  std::string error;
  ASSERT_TRUE(replay::ParseScript(text, &lines, &error)) << error;
  replay::KeyPlayback playback;
  ASSERT_TRUE(playback.LoadText(text, &error)) << error;
  EXPECT_EQ(playback.Frames(), 6u);
  for (const replay::ScriptLine& want : lines) {
    for (uint64_t f = 0; f < want.count; ++f) {
      const replay::ScriptLine* got = playback.NextLine();
      ASSERT_NE(got, nullptr);
      EXPECT_EQ(Keys(got->vkeys), Keys(want.vkeys));
    }
  }
  EXPECT_EQ(playback.NextLine(), nullptr);
  EXPECT_FALSE(playback.LoadText("2 Z\n1 Q\n", &error));
  EXPECT_EQ(playback.Frames(), 0u);
  EXPECT_EQ(playback.NextLine(), nullptr) << "a refused script has no steps";
}

TEST(Quote, BytesATerminalWouldActOnAreShownAsHex) {
  struct Row {
    std::string in;
    size_t max;
    std::string out;
  };
  const std::string ellipsis = "\xE2\x80\xA6";
  const Row rows[] = {
      {"Z+X", 80, "Z+X"},
      {std::string("a\0b", 3), 80, "a\\x00b"},
      {"\x1b]0;title\x07", 80, "\\x1B]0;title\\x07"},
      {"back\\slash", 80, "back\\x5Cslash"},
      {"\x7f\t\n", 80, "\\x7F\\x09\\x0A"},
      {"ゲーム", 80, "ゲーム"},  // whole UTF-8 characters stay
      {"\xC2\x9B"
       "31m",
       80, "\\xC2\\x9B31m"},           // a C1 control (CSI) does not
      {"\xE3\x82", 80, "\\xE3\\x82"},  // nor a cut character
      {"\xC0\xAF", 80, "\\xC0\\xAF"},  // nor an overlong one
      {std::string(81, 'z'), 80, std::string(80, 'z') + ellipsis},
      {std::string(80, 'z'), 80, std::string(80, 'z')},
      {"\x01\x02\x03", 2, "\\x01\\x02" + ellipsis},
  };
  for (const Row& row : rows) EXPECT_EQ(QuoteForMessage(row.in, row.max), row.out) << row.out;
  EXPECT_EQ(QuotePath(std::string(200, 'p')), std::string(200, 'p')) << "a path is never cut";
}

TEST(InputFile, OnlyARegularFileWithinItsCapIsRead) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() /
      ("velkari_input_file_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "ten").string();
  std::ofstream(file, std::ios::binary) << "0123456789";
  struct Row {
    std::string path;
    uint64_t cap;
    InputFault fault;
    const char* text;
  };
  const Row rows[] = {
      {file, 10, InputFault::NONE, "0123456789"},
      {file, 9, InputFault::TOO_LARGE, ""},
      {(dir / "missing").string(), 10, InputFault::NOT_FOUND, ""},
      {dir.string(), 10, InputFault::FOLDER, ""},
      {"", 10, InputFault::NOT_FOUND, ""},
#ifndef _WIN32
      {"/dev/zero", 10, InputFault::NOT_REGULAR, ""},
#endif
  };
  for (const Row& row : rows) {
    std::string got = "old";
    EXPECT_EQ(ReadInputFile(row.path, row.cap, &got), row.fault) << row.path;
    EXPECT_EQ(got, row.text) << row.path;
  }
  EXPECT_EQ(DescribeInputFault(InputFault::TOO_LARGE, 9),
            "holds more than 9 bytes (the most it may)");
  std::filesystem::remove_all(dir);
}

}  // namespace
