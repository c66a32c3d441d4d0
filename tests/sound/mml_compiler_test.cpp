#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "sound_test_util.h"

namespace {

struct CompileCase {
  const char* text;
  const char* code;
};

class CompileTest : public ::testing::TestWithParam<CompileCase> {};

TEST_P(CompileTest, ProducesTheExactBytes) {
  EXPECT_EQ(CompiledHex(GetParam().text), GetParam().code) << "text: " << GetParam().text;
}

// The game's cue texts.
INSTANTIATE_TEST_SUITE_P(
    CueTexts, CompileTest,
    ::testing::Values(
        CompileCase{"t120@2o6l32q7v14i35 gecx",
                    "FD 78, F4 02, F8 07, FC 0E, FA 23, 4F 06, 4C 06, 48 06, FE --, FF"},
        CompileCase{"t120@2o4l16q7v14i30 cdefgab>cccccx",
                    "FD 78, F4 02, F8 07, FC 0E, FA 1E, 30 0C, 32 0C, 34 0C, 35 0C, 37 0C, 39 0C, "
                    "3B 0C, 3C 0C, 3C 0C, 3C 0C, 3C 0C, 3C 0C, FE --, FF"},
        CompileCase{"t150@0o4l16q7v13h50 m30ceg>ceg>cx",
                    "FD 96, F4 00, F8 07, FC 0D, FB 32, F2 1E, 30 0C, 34 0C, 37 0C, 3C 0C, 40 0C, "
                    "43 0C, 48 0C, FE --, FF"},
        CompileCase{"t120@0o4l32q7v14i5s+30 g8x",
                    "FD 78, F4 00, F8 07, FC 0E, FA 05, F3 1E, 37 18, FE --, FF"},
        CompileCase{"t120@78o4l32q7v14i5 g2x",
                    "FD 78, F4 4E, F8 07, FC 0E, FA 05, 37 60, FE --, FF"},
        CompileCase{"t120@0o4l32q7v14i5 s-40g2x",
                    "FD 78, F4 00, F8 07, FC 0E, FA 05, F3 D8, 37 60, FE --, FF"},
        CompileCase{"t120@56o4l16q7v14L crrrgrrcdrefrrrr crrrgrrcggfrerdr",
                    "FD 78, F4 38, F8 07, FC 0E, F6 00, 30 0C, 00 0C, 00 0C, 00 0C, 37 0C, 00 0C, "
                    "00 0C, 30 0C, 32 0C, 00 0C, 34 0C, 35 0C, 00 0C, 00 0C, 00 0C, 00 0C, 30 0C, "
                    "00 0C, 00 0C, 00 0C, 37 0C, 00 0C, 00 0C, 30 0C, 37 0C, 37 0C, 35 0C, 00 0C, "
                    "34 0C, 00 0C, 32 0C, 00 0C, FF"}));

INSTANTIATE_TEST_SUITE_P(EmptyAndIgnored, CompileTest,
                         ::testing::Values(CompileCase{"", "FE --, FF"},
                                           CompileCase{" !\"#$'*+,-.;=?\\^`ku", "FE --, FF"},
                                           CompileCase{"yz{|}~\x7f\x80\xff", "FE --, FF"},
                                           CompileCase{"CEGABRX0123456789", "FE --, FF"},
                                           CompileCase{"&", "FE --, FF"},
                                           CompileCase{"&c", "30 18, FF"}));

INSTANTIATE_TEST_SUITE_P(
    Notes, CompileTest,
    ::testing::Values(CompileCase{"o0c", "00 18, FF"}, CompileCase{"o0c-", "FF"},
                      CompileCase{"r+", "01 18, FF"}, CompileCase{"r-", "FF"},
                      CompileCase{"o9b", "77 18, FF"}, CompileCase{"o9b+", "78 18, FF"},
                      CompileCase{"o4c>c>c>c>c", "30 18, 3C 18, 48 18, 54 18, 54 18, FF"},
                      CompileCase{"o1c<c<c", "0C 18, 00 18, 00 18, FF"},
                      CompileCase{"ozc", "6C 18, FF"}, CompileCase{"o c", "00 18, FF"},
                      CompileCase{"co", "30 18, FF"}, CompileCase{"c+-", "30 18, FF"},
                      CompileCase{"c-+", "2F 18, FF"}, CompileCase{"c++", "31 18, FF"},
                      CompileCase{"d+e-f", "33 18, 33 18, 35 18, FF"},
                      CompileCase{"C c", "30 18, FF"}));

INSTANTIATE_TEST_SUITE_P(
    Lengths, CompileTest,
    ::testing::Values(CompileCase{"c0", "30 C0, FF"}, CompileCase{"c200", "30 00, FF"},
                      CompileCase{"c%0", "30 01, FF"}, CompileCase{"%0c", "30 00, FF"},
                      CompileCase{"c4.", "30 48, FF"}, CompileCase{"c4..", "30 54, FF"},
                      CompileCase{"c4...", "30 54, FF"}, CompileCase{"c32.", "30 09, FF"},
                      CompileCase{"c1.", "30 20, FF"}, CompileCase{"c1..", "30 50, FF"},
                      CompileCase{"c1", "30 C0, FF"}, CompileCase{"c3", "30 40, FF"},
                      CompileCase{"c192", "30 01, FF"}, CompileCase{"c193", "30 00, FF"},
                      CompileCase{"c256", "30 C0, FF"}, CompileCase{"c%300", "30 2C, FF"},
                      CompileCase{"c%", "30 18, FF"}, CompileCase{"c%.", "30 24, FF"},
                      CompileCase{"c1234", "30 01, FF"}, CompileCase{"l4c", "30 30, FF"},
                      CompileCase{"l4lc", "30 18, FF"}, CompileCase{"l0c", "30 C0, FF"},
                      CompileCase{"l128c", "30 10, FF"}, CompileCase{"%7c", "30 07, FF"},
                      CompileCase{"%7%c", "30 18, FF"}, CompileCase{"%123c", "30 0C, FF"},
                      CompileCase{"r4.", "00 48, FF"}));

INSTANTIATE_TEST_SUITE_P(
    Settings, CompileTest,
    ::testing::Values(CompileCase{"t5", "FD 0F, FF"}, CompileCase{"t300", "FD 2C, FF"},
                      CompileCase{"t1205", "FD 78, FF"}, CompileCase{"t120.", "FD 78, FF"},
                      CompileCase{"t120.5", "FD 78, EC 32, FF"},
                      CompileCase{"t120.05", "FD 78, EC 05, FF"},
                      CompileCase{"t120.555", "FD 78, EC 37, FF"}, CompileCase{"t", "FD --, FF"},
                      CompileCase{"t.5", "FD --, FF"}, CompileCase{"t0", "FD 0F, FF"},
                      CompileCase{"q0", "F8 08, FF"}, CompileCase{"q", "F8 08, FF"},
                      CompileCase{"q9", "F8 09, FF"}, CompileCase{"q1", "F8 01, FF"},
                      CompileCase{"p0", "ED 01, FF"}, CompileCase{"p", "ED 08, FF"},
                      CompileCase{"p16", "ED 0F, FF"}, CompileCase{"p15", "ED 0F, FF"},
                      CompileCase{"v20", "FC 0F, FF"}, CompileCase{"v", "FC 0D, FF"},
                      CompileCase{"v0", "FC 00, FF"}, CompileCase{"@", "F4 00, FF"},
                      CompileCase{"@99", "F4 63, FF"}, CompileCase{"@123", "F4 0C, FF"},
                      CompileCase{"h", "FB 63, FF"}, CompileCase{"h7", "FB 07, FF"},
                      CompileCase{"i", "FA 00, FF"}, CompileCase{"j50", "F9 32, FF"},
                      CompileCase{"m", "F2 00, FF"}, CompileCase{"n9", "EE 09, FF"},
                      CompileCase{"w", "EB 54, FF"}, CompileCase{"w0", "EB 00, FF"},
                      CompileCase{"s+-5", "F3 00, FF"}, CompileCase{"s-+5", "F3 05, FF"},
                      CompileCase{"D-5", "F5 FB, FF"}, CompileCase{"_-99", "E9 9D, FF"},
                      CompileCase{"_-", "E9 00, FF"}, CompileCase{"s-0", "F3 00, FF"},
                      CompileCase{"s123", "F3 0C, FF"}, CompileCase{"()", "EA 00, EA 01, FF"},
                      CompileCase{"L", "F6 00, FF"}, CompileCase{"x", "FE --, FF"}));

INSTANTIATE_TEST_SUITE_P(
    LoopsAndTies, CompileTest,
    ::testing::Values(CompileCase{"[c/d]", "F1 --, 30 18, EF --, 32 18, F0 02, FF"},
                      CompileCase{"[c:d]3", "F1 --, 30 18, EF --, 32 18, F0 03, FF"},
                      CompileCase{"]0", "F0 00, FF"}, CompileCase{"]123", "F0 0C, FF"},
                      CompileCase{"c&d", "F7 00, 30 18, 32 18, FF"},
                      CompileCase{"c&&d", "F7 00, F7 00, 30 18, 32 18, FF"},
                      CompileCase{"v5&c", "F7 00, FC 05, 30 18, FF"},
                      CompileCase{"x&", "F7 00, FE --, FF"}));

// A full buffer: every further event replaces the one at offset 2040.
TEST(CompileLimits, ALongTextKeepsItsFirst1020EventsAndItsLast) {
  std::string text = "%1";
  for (int i = 0; i < 1099; ++i) text += "c";
  text += "d";
  static uint8_t code[EVENT_CODE_SIZE];
  std::memset(code, 0xAA, sizeof code);
  code[0] = EV_STOP;
  compileEventCode(code, text.c_str());
  for (int pos = 0; pos < 2040; pos += 2) {
    ASSERT_EQ(code[pos], 0x30) << pos;
    ASSERT_EQ(code[pos + 1], 1) << pos;
  }
  EXPECT_EQ(code[2040], 0x32);
  EXPECT_EQ(code[2041], 1);
  EXPECT_EQ(code[2042], EV_END);
  EXPECT_EQ(code[2044], EV_END);  // the end-of-text byte two beyond the write position
  EXPECT_EQ(code[2047], 0xAA);    // nothing past offset 2046
}

TEST(CompileLimits, TempoWithFractionAtTheLastSlotStaysInsideTheBuffer) {
  std::string text;
  for (int i = 0; i < 1020; ++i) text += "c";
  text += "t120.5";
  static uint8_t code[EVENT_CODE_SIZE];
  std::memset(code, 0xAA, sizeof code);
  code[0] = EV_STOP;
  compileEventCode(code, text.c_str());
  EXPECT_EQ(code[2040], EV_TEMPO);
  EXPECT_EQ(code[2042], EV_TEMPO_FRACTION);
  EXPECT_EQ(code[2044], EV_END);
  EXPECT_EQ(code[2046], EV_END);
  EXPECT_EQ(code[2047], 0xAA);
}

TEST_F(SoundEngineTest, CompilingRefusesAPlayingChannelAndBadChannelNumbers) {
  PlayCue(3, "c");
  ASSERT_TRUE(gSoundChannels[3].playing);
  compileChannelText(3, "d");
  EXPECT_EQ(gSoundChannels[3].eventCode[0], 0x30);
  compileChannelText(8, "d");
  compileChannelText(-1, "d");
  compileChannelText(2, "d");
  EXPECT_EQ(gSoundChannels[2].eventCode[0], 0x32);
}

// What the lint pass of the tool is told.
class Recorder : public MmlReport {
 public:
  void Note(int pos, MmlIssue issue, int given, int used) override {
    static const char* const names[] = {"ignored",  "clamped",    "wrapped", "loop-start",
                                        "loop-end", "loop-break", "full"};
    notes += std::to_string(pos) + ":" + names[issue] + ":" + std::to_string(given) + ">" +
             std::to_string(used) + " ";
  }
  std::string notes;
};

TEST(CompileReport, NamesIgnoredClampedAndWrappedWithPositions) {
  struct Row {
    const char* text;
    std::string notes;
  } rows[] = {
      {"c", ""},
      {"C", "0:ignored:67>67 "},
      {"v20", "0:clamped:20>15 "},
      {"t5", "0:clamped:5>15 "},
      {"t300", "0:wrapped:300>44 "},
      {"c1.", "0:wrapped:288>32 "},
      {"o0c-", "2:wrapped:-1>255 "},
      {"oz>", "0:clamped:888>108 2:clamped:120>84 "},
      {"p0", "0:clamped:0>1 "},
      {"[:]", "0:loop-start:0>0 1:loop-break:0>0 2:loop-end:0>0 "},
      {"&", "0:ignored:38>38 "},
      {"q0", "1:ignored:48>48 "},
  };
  for (const Row& row : rows) {
    Recorder r;
    static uint8_t code[EVENT_CODE_SIZE];
    code[0] = EV_STOP;
    compileEventCode(code, row.text, &r);
    EXPECT_EQ(r.notes, row.notes) << row.text;
  }
}

// The text position each event came from, for a player that shows where a
// channel is; the code stays what it is without them.
TEST(CompilePlaces, EachEventKeepsThePositionOfItsCommand) {
  struct Row {
    std::string text;
    std::string places;  // one per event up to the end byte
  } rows[] = {
      {"t120@2 o6l32 gec", "0 4 13 14 15"},
      {"t120.5 c", "0 0 7"},
      {"c&d", "1 0 2"},
      {"c&&d", "1 2 0 3"},
      {"&c", "1"},
      {"[c/d]3x", "0 1 2 3 4 6"},
      {"c4.. d+%3", "0 5"},
      {std::string(1100, 'c') + "d", ""},  // checked below
  };
  for (const Row& row : rows) {
    static uint8_t plain[EVENT_CODE_SIZE], code[EVENT_CODE_SIZE];
    static int32_t places[EVENT_CODE_SIZE / 2];
    std::memset(plain, 0xAA, sizeof plain);
    std::memset(code, 0xAA, sizeof code);
    std::fill(std::begin(places), std::end(places), -1);
    plain[0] = code[0] = EV_STOP;
    compileEventCode(plain, row.text.c_str());
    compileEventCode(code, row.text.c_str(), nullptr, places);
    EXPECT_EQ(std::memcmp(plain, code, sizeof code), 0) << row.text;
    if (row.places.empty()) {
      EXPECT_EQ(places[0], 0);
      EXPECT_EQ(places[1019], 1019);
      EXPECT_EQ(places[1020], static_cast<int>(row.text.size()) - 1);
      EXPECT_EQ(places[1021], -1);
      continue;
    }
    std::string got;
    for (int k = 0; code[2 * k] != EV_END; ++k) got += (k ? " " : "") + std::to_string(places[k]);
    EXPECT_EQ(got, row.places) << row.text;
  }
}

}  // namespace
