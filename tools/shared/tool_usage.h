// What the command-line tools share: the exit code of a command line they
// refuse, and the refusal itself. Called by each tool's argument parsing.
#pragma once

#include <cstdio>
#include <string>

constexpr int EXIT_USAGE = 2;

// Writes "TOOL: MESSAGE" (unless the message is empty) and then `usage` to
// standard error; returns EXIT_USAGE.
inline int RefuseCommandLine(const char* tool, const std::string& message, const char* usage) {
  if (!message.empty()) std::fprintf(stderr, "%s: %s\n", tool, message.c_str());
  std::fputs(usage, stderr);
  return EXIT_USAGE;
}
