// velkari-mml's song files and lint lines: what each line of a song gives
// every channel, where each byte of a channel's text stands in the file, and
// which lines are refused with which message.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "lint.h"
#include "song.h"

namespace {

using namespace std::string_view_literals;

// A song as "CH=TEXT" for every present channel, joined by "|"; each byte's
// place as LINE:COLUMN after the text when `places` is set.
std::string Describe(const Song& song, bool places) {
  std::string out;
  for (int ch = 0; ch < SONG_CHANNELS; ++ch) {
    const SongPart& part = song.parts[ch];
    if (!part.present) continue;
    if (!out.empty()) out += "|";
    out += std::to_string(ch) + "=" + part.text;
    if (!places) continue;
    for (const TextPlace& p : part.places)
      out += " " + std::to_string(p.line) + ":" + std::to_string(p.column);
  }
  return out;
}

struct SongRow {
  std::string_view file;
  const char* song;  // Describe(song, false), or the error as "LINE: message"
};

class SongTest : public ::testing::TestWithParam<SongRow> {};

TEST_P(SongTest, ReadsTheChannelsOrRefusesTheLine) {
  Song song;
  SongError error;
  const std::string got = ReadSong(GetParam().file, &song, &error)
                              ? Describe(song, false)
                              : std::to_string(error.line) + ": " + error.message;
  EXPECT_EQ(got, GetParam().song) << "file: " << GetParam().file;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SongTest,
    ::testing::Values(
        SongRow{"", ""}, SongRow{"# nothing\n\n   \t\n", ""},
        SongRow{"0: cde\n0: fga\n", "0=cdefga"}, SongRow{"3: c\n0: d\n3: e", "0=d|3=ce"},
        SongRow{"0:c d  \t\n", "0=c d"}, SongRow{" 7 :\tv15 c # the item  \n", "7=v15 c"},
        SongRow{"0: cde\r\n0: f\r\n", "0=cdef"}, SongRow{"1:\n2: # only a comment\n", "1=|2="},
        SongRow{"0: c#d\n", "0=c"}, SongRow{"0: c:d/e\n", "0=c:d/e"},
        SongRow{"0: c\n9: d\n", "2: channel 9 is out of range (0 to 7)"},
        SongRow{"# intro\n\n12: c\n", "3: channel 12 is out of range (0 to 7)"},
        SongRow{"cde\n", "1: no channel: a song line is 'CH: TEXT' with CH 0 to 7"},
        SongRow{": cde\n", "1: no channel: a song line is 'CH: TEXT' with CH 0 to 7"},
        SongRow{"-1: c\n", "1: no channel: a song line is 'CH: TEXT' with CH 0 to 7"},
        SongRow{"0 cde\n", "1: no ':' after channel 0: a song line is 'CH: TEXT' with CH 0 to 7"},
        SongRow{"0: c\n1: d\0e\n"sv, "2: holds a zero byte, which would end the text there"}));

TEST(SongPlaces, EachByteKnowsItsLineAndColumn) {
  Song song;
  SongError error;
  ASSERT_TRUE(ReadSong("# a\n0:  ab # c\n 1: x\n0:c\n", &song, &error));
  EXPECT_EQ(Describe(song, true), "0=abc 2:5 2:6 4:3|1=x 3:5");
  EXPECT_EQ(song.parts[0].lines, (std::vector<std::string>{"ab # c", "c"}));
}

TEST(LintLines, BytePositionsForOneLineAndLineColumnForSeveral) {
  struct Row {
    std::string text;
    std::vector<std::string> lines;
  } rows[] = {
      {"Cxv20", {"0: ignored 'C'", "2: 'v': 20 clamped to 15"}},
      {"cde\n", {"3: ignored byte 0x0A"}},  // one line, read with its line break
      {"cd\nC v20\r\n[c",
       {"2:1: ignored 'C'", "2:2: ignored blank", "2:3: 'v': 20 clamped to 15",
        "3:1: loop start without a loop end"}},
      {"c\n\nC", {"3:1: ignored 'C'"}},
      {"cdefx", {}},
  };
  for (const Row& row : rows) EXPECT_EQ(LintLines(row.text), row.lines) << row.text;
}

}  // namespace
