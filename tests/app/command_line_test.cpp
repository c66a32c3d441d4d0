// The game's command line: what each argument list prints and exits with.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

#define USAGE "usage: velkari [--help | --version | --record FILE | --play FILE]\n"

struct Row {
  std::vector<std::string> args;
  int exitCode;
  const char* out;  // nullptr: the help text
  const char* err;
  const char* record = "";
  const char* play = "";
};

TEST(CommandLine, EachArgumentListAnswersOrStarts) {
  const Row rows[] = {
      {{}, EXIT_START_GAME, "", ""},
      {{"--version"}, 0, "velkari 1.0\n", ""},
      {{"--help"}, 0, nullptr, ""},
      {{"-h"}, 0, nullptr, ""},
      {{"--version", "--help"}, 0, "velkari 1.0\n", ""},
      {{"--fullscreen"}, 2, "", "velkari: unknown option '--fullscreen'\n" USAGE},
      {{"--help", "-x"}, 2, "", "velkari: unknown option '-x'\n" USAGE},
      {{"--Version"}, 2, "", "velkari: unknown option '--Version'\n" USAGE},
      {{"stage.txt"}, 2, "", "velkari: unexpected argument 'stage.txt'\n" USAGE},
      {{"-"}, 2, "", "velkari: unexpected argument '-'\n" USAGE},
      {{""}, 2, "", "velkari: unexpected argument ''\n" USAGE},
      {{"--record", "run.keys"}, EXIT_START_GAME, "", "", "run.keys", ""},
      {{"--play", "-run.keys"}, EXIT_START_GAME, "", "", "", "-run.keys"},
      {{"--record", "a", "--version"}, 0, "velkari 1.0\n", ""},
      {{"--record", "a", "--play", "b"},
       2,
       "",
       "velkari: --record and --play do not go together\n" USAGE},
      {{"--play", "a", "--play", "b"}, 2, "", "velkari: --play is given twice\n" USAGE},
      {{"--record"}, 2, "", "velkari: --record needs a FILE\n" USAGE},
      {{"--play", ""}, 2, "", "velkari: --play needs a FILE\n" USAGE},
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

TEST(CommandLine, HelpNamesEveryKeyAndOption) {
  const std::string help = CommandLineHelp();
  for (const char* word :
       {"usage: velkari", "arrows", "keypad", "Z, Space", "PASS", "X, Enter", "DESTROY", "Esc",
        "Alt+/", "controller", "--help", "--version", "--record FILE", "--play FILE", "--summary"})
    EXPECT_NE(help.find(word), std::string::npos) << word;
}

}  // namespace
