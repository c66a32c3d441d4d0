#include "win32/system_paths.h"

#include <windows.h>

#include <vector>

#include "app/shell.h"

namespace win32 {

std::string Utf8FromWide(const wchar_t* text) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return "";
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr);
  out.resize(static_cast<size_t>(bytes - 1));
  return out;
}

namespace {

void DebuggerAndStandardError(const char* utf8Line) {
  const int chars = MultiByteToWideChar(CP_UTF8, 0, utf8Line, -1, nullptr, 0);
  if (chars > 0) {
    std::vector<wchar_t> wide(static_cast<size_t>(chars) + 1);
    MultiByteToWideChar(CP_UTF8, 0, utf8Line, -1, wide.data(), chars);
    wide[static_cast<size_t>(chars) - 1] = L'\n';
    wide[static_cast<size_t>(chars)] = L'\0';
    OutputDebugStringW(wide.data());
  }
  // A GUI program has no standard error unless it was given one.
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err == nullptr || err == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  const std::string line = std::string(utf8Line) + "\n";
  WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace

void ReportToDebuggerAndStandardError() {
  RouteReports(&DebuggerAndStandardError);
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

}  // namespace win32
