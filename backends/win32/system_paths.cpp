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

std::string Utf8FromWide(const wchar_t* text) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return "";
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr);
  out.resize(static_cast<size_t>(bytes - 1));
  return out;
}

std::string ProgramFolder() {
  // A path may be longer than MAX_PATH; grow until it fits.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return "";
    if (n < buffer.size()) break;
    if (buffer.size() >= 32768) return "";
    buffer.resize(buffer.size() * 2);
  }
  std::string path = Utf8FromWide(buffer.data());
  for (char& c : path)
    if (c == '\\') c = '/';
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

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
