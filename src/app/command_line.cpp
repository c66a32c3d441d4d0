#include "app/command_line.h"

#include <cstdio>

namespace {

const char VERSION_TEXT[] = "velkari 1.0\n";

const char HELP_TEXT[] =
    "usage: velkari [--help | --version]\n"
    "\n"
    "Push blocks, take items, reach the goal before the time runs out.\n"
    "\n"
    "Keys:\n"
    "  arrows, keypad 2 4 6 8   walk; walking into a block pushes it\n"
    "  Z, Space                 start a game; PASS (give up the stage)\n"
    "  X, Enter                 DESTROY the breakable walls and blocks next to you\n"
    "                           (costs 5 time units)\n"
    "  Esc                      pause and resume\n"
    "  Alt+/ or Alt+?           About box\n"
    "A game controller works too: south button = Z, west button = X, Start = Esc.\n"
    "\n"
    "Options:\n"
    "  -h, --help               show this text and exit\n"
    "  --version                show the version and exit\n"
    "\n"
    "The pictures are read from img/ in the current directory, else from img/\n"
    "beside the program, else from ../share/velkari/img beside the program.\n";

}  // namespace

const char* CommandLineHelp() {
  return HELP_TEXT;
}

CommandLineOutcome ParseCommandLine(const std::vector<std::string>& args) {
  CommandLineOutcome outcome;
  if (args.empty()) return outcome;
  // Any argument that is not an option of the game refuses the whole line;
  // otherwise the first option decides.
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h" || arg == "--version") continue;
    outcome.exitCode = EXIT_BAD_COMMAND_LINE;
    const bool option = arg.size() > 1 && arg[0] == '-';
    outcome.err = std::string("velkari: ") +
                  (option ? "unknown option '" : "unexpected argument '") + arg +
                  "'\nusage: velkari [--help | --version]\n";
    return outcome;
  }
  outcome.exitCode = 0;
  outcome.out = args[0] == "--version" ? VERSION_TEXT : HELP_TEXT;
  return outcome;
}

int HandleCommandLine(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
  const CommandLineOutcome outcome = ParseCommandLine(args);
  if (!outcome.out.empty()) std::fputs(outcome.out.c_str(), stdout);
  if (!outcome.err.empty()) std::fputs(outcome.err.c_str(), stderr);
  std::fflush(stdout);
  return outcome.exitCode;
}
