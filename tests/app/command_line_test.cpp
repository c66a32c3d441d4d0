// The game's command line: what each argument list prints and exits with.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

struct Row {
  std::vector<std::string> args;
  int exitCode;
  const char* out;  // nullptr: the help text
  const char* err;
};

TEST(CommandLine, EachArgumentListAnswersOrStarts) {
  const Row rows[] = {
      {{}, EXIT_START_GAME, "", ""},
      {{"--version"}, 0, "velkari 1.0\n", ""},
      {{"--help"}, 0, nullptr, ""},
      {{"-h"}, 0, nullptr, ""},
      {{"--version", "--help"}, 0, "velkari 1.0\n", ""},
      {{"--fullscreen"},
       2,
       "",
       "velkari: unknown option '--fullscreen'\nusage: velkari [--help | --version]\n"},
      {{"--help", "-x"},
       2,
       "",
       "velkari: unknown option '-x'\nusage: velkari [--help | --version]\n"},
      {{"--Version"},
       2,
       "",
       "velkari: unknown option '--Version'\nusage: velkari [--help | --version]\n"},
      {{"stage.txt"},
       2,
       "",
       "velkari: unexpected argument 'stage.txt'\nusage: velkari [--help | --version]\n"},
      {{"-"}, 2, "", "velkari: unexpected argument '-'\nusage: velkari [--help | --version]\n"},
      {{""}, 2, "", "velkari: unexpected argument ''\nusage: velkari [--help | --version]\n"},
  };
  for (const Row& row : rows) {
    const std::string line = ::testing::PrintToString(row.args);
    const CommandLineOutcome got = ParseCommandLine(row.args);
    EXPECT_EQ(got.exitCode, row.exitCode) << line;
    EXPECT_EQ(got.out, row.out ? row.out : CommandLineHelp()) << line;
    EXPECT_EQ(got.err, row.err) << line;
  }
}

TEST(CommandLine, HelpNamesEveryKeyAndOption) {
  const std::string help = CommandLineHelp();
  for (const char* word : {"usage: velkari", "arrows", "keypad", "Z, Space", "PASS", "X, Enter",
                           "DESTROY", "Esc", "Alt+/", "controller", "--help", "--version"})
    EXPECT_NE(help.find(word), std::string::npos) << word;
}

}  // namespace
