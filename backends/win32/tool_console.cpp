// The console side of system_paths.h: the tools' binary standard streams, and
// the UTF-8 arguments the tools and the game's command line read.
#include "win32/system_paths.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
// (after windows.h, whose types it uses)
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace win32 {

void BinaryStandardStreams() {
  std::fflush(stdout);
  std::fflush(stderr);
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

void Utf8Arguments(int* argc, char*** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return;
  // Kept for the rest of the process, as main's own arguments are.
  static std::vector<std::string> text;
  static std::vector<char*> pointers;
  text.clear();
  for (int i = 0; i < count; ++i) text.push_back(Utf8FromWide(wide[i]));
  LocalFree(wide);
  pointers.clear();
  for (std::string& t : text) pointers.push_back(t.data());
  pointers.push_back(nullptr);
  *argc = count;
  *argv = pointers.data();
}

}  // namespace win32
