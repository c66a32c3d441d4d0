// A file name in UTF-8, the program's one encoding of text, as a path the
// standard library opens. Built from char8_t, it opens through the
// wide-character file API on Windows, so a folder named in any script is found
// whatever the system's code page; elsewhere it is the same bytes. Used by the
// BMP files and by the tools' output files.
#pragma once

#include <filesystem>
#include <string>

inline std::filesystem::path Utf8Path(const char* path) {
  std::u8string text;
  for (const char* p = path; *p; ++p) text.push_back(static_cast<char8_t>(*p));
  return std::filesystem::path(text);
}

inline std::filesystem::path Utf8Path(const std::string& path) {
  return Utf8Path(path.c_str());
}
