// The game's command line: what each argument list prints and exits with.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "generated/velkari_version.h"

namespace {

#define VERSION_LINE "velkari " VELKARI_VERSION "\n"
#define USAGE "usage: velkari [--help | --version | --scale N | --record FILE | --play FILE]\n"

struct Row {
  std::vector<std::string> args;
  int exitCode;
  const char* out;  // nullptr: the help text
  const char* err;
  const char* record = "";
  const char* play = "";
};

#define BAD_SCALE(n)                                        \
  "velkari: bad scale '" n                                  \
  "': N is a whole number from 1 to the largest that fits " \
  "the screen\n" USAGE

TEST(CommandLine, EachArgumentListAnswersOrStarts) {
  const Row rows[] = {
      {{}, EXIT_START_GAME, "", ""},
      {{"--version"}, 0, VERSION_LINE, ""},
      {{"--help"}, 0, nullptr, ""},
      {{"-h"}, 0, nullptr, ""},
      {{"--version", "--help"}, 0, VERSION_LINE, ""},
      {{"--fullscreen"}, 2, "", "velkari: unknown option '--fullscreen'\n" USAGE},
      {{"--help", "-x"}, 2, "", "velkari: unknown option '-x'\n" USAGE},
      {{"--Version"}, 2, "", "velkari: unknown option '--Version'\n" USAGE},
      {{"stage.txt"}, 2, "", "velkari: unexpected argument 'stage.txt'\n" USAGE},
      {{"-"}, 2, "", "velkari: unexpected argument '-'\n" USAGE},
      {{""}, 2, "", "velkari: unexpected argument ''\n" USAGE},
      {{"--record", "run.keys"}, EXIT_START_GAME, "", "", "run.keys", ""},
      {{"--play", "-run.keys"},
       2,
       "",
       "velkari: --play needs a FILE, not the option '-run.keys' (a file named so: --play -- "
       "-run.keys)\n" USAGE},
      {{"--play", "--", "-run.keys"}, EXIT_START_GAME, "", "", "", "-run.keys"},
      {{"--record", "--help"},
       2,
       "",
       "velkari: --record needs a FILE, not the option '--help' (a file named so: --record -- "
       "--help)\n" USAGE},
      {{"--record", "--", "--help"}, EXIT_START_GAME, "", "", "--help", ""},
      {{"--record", "--"}, 2, "", "velkari: --record needs a FILE\n" USAGE},
      {{"--scale", "2", "--scale", "3"}, 2, "", "velkari: --scale is given twice\n" USAGE},
      {{"--\x1b]0;x\a"}, 2, "", "velkari: unknown option '--\\x1B]0;x\\x07'\n" USAGE},
      {{"--record", "a", "--version"}, 0, VERSION_LINE, ""},
      {{"--record", "a", "--play", "b"},
       2,
       "",
       "velkari: --record and --play do not go together\n" USAGE},
      {{"--play", "a", "--play", "b"}, 2, "", "velkari: --play is given twice\n" USAGE},
      {{"--record"}, 2, "", "velkari: --record needs a FILE\n" USAGE},
      {{"--play", ""}, 2, "", "velkari: --play needs a FILE\n" USAGE},
      {{"--scale", "2"}, EXIT_START_GAME, "", ""},
      {{"--scale", "2", "--version"}, 0, VERSION_LINE, ""},
      {{"--scale"},
       2,
       "",
       "velkari: --scale needs a number N: the window is N times 640 x 480\n" USAGE},
      {{"--scale", "0"}, 2, "", BAD_SCALE("0")},
      {{"--scale", "-1"}, 2, "", BAD_SCALE("-1")},
      {{"--scale", "02"}, 2, "", BAD_SCALE("02")},
      {{"--scale", "2x"}, 2, "", BAD_SCALE("2x")},
      {{"--scale", "1000"}, 2, "", BAD_SCALE("1000")},
      {{"--scale", ""}, 2, "", BAD_SCALE("")},
      {{"--help", "--scale", "x"}, 2, "", BAD_SCALE("x")},
  };
  for (const Row& row : rows) {
    const std::string line = ::testing::PrintToString(row.args);
    const CommandLineOutcome got = ParseCommandLine(row.args);
    EXPECT_EQ(got.exitCode, row.exitCode) << line;
    EXPECT_EQ(got.out, row.out ? row.out : CommandLineHelp()) << line;
    EXPECT_EQ(got.err, row.err) << line;
    EXPECT_EQ(got.record, row.record) << line;
    EXPECT_EQ(got.play, row.play) << line;
  }
}

TEST(CommandLine, ScaleIsReturnedAndCheckedAgainstTheScreen) {
  EXPECT_EQ(ParseCommandLine({}).scale, 1);
  EXPECT_EQ(ParseCommandLine({"--scale", "3"}).scale, 3);
  EXPECT_EQ(LargestScale(1920, 1080), 2);
  EXPECT_EQ(LargestScale(1919, 1440), 2);
  EXPECT_EQ(LargestScale(1920, 1440), 3);
  EXPECT_EQ(LargestScale(1024, 768), 1);
  EXPECT_EQ(LargestScale(320, 200), 1);
  EXPECT_EQ(CheckScaleFits(2, 1920, 1080), "");
  EXPECT_EQ(CheckScaleFits(1, 320, 200), "");
  EXPECT_EQ(CheckScaleFits(3, 1920, 1080),
            "velkari: --scale 3 does not fit the screen (1920 x 1080): the largest is 2\n");
}

TEST(CommandLine, HelpNamesEveryKeyAndOption) {
  const std::string help = CommandLineHelp();
  for (const char* word :
       {"usage: velkari", "arrows", "keypad", "Z, Space", "PASS", "X, Enter", "DESTROY", "Esc",
        "Alt+/", "controller", "--help", "--version", "--record FILE", "--play FILE", "--summary",
        "Alt+Enter", "F11", "--scale N"})
    EXPECT_NE(help.find(word), std::string::npos) << word;
}

}  // namespace
