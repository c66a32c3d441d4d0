// Input shown inside a message: a key name, a number, a file name that came
// from a file or a command line. What a terminal could act on never reaches
// it: printable ASCII and whole UTF-8 characters (from U+00A0 on) are kept,
// every other byte is written \xNN, and a backslash \x5C. Used by every
// reader that names the offending part of its input.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The most characters of an offending token a message shows; "…" follows
// when there were more.
constexpr size_t QUOTE_MAX_CHARS = 80;

// `bytes` made safe for a message, cut after `maxChars` characters (a kept
// character or an escaped byte counts one) with "…" after it.
std::string QuoteForMessage(std::string_view bytes, size_t maxChars = QUOTE_MAX_CHARS);

// A file name made safe the same way, never cut.
inline std::string QuotePath(std::string_view path) {
  return QuoteForMessage(path, std::string_view::npos);
}
