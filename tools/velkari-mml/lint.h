// velkari-mml lint's findings: what the compiler ignored, clamped or wrapped
// in a text, and its unbalanced loops, each with the byte position of the
// command in the text. Shared by the tool and the studio page, so that both
// list the same lines. Standard library only, besides the compiler.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct LintFinding {
  int pos;  // byte position in the text
  std::string message;
};

// Hands each finding to `found` as the compiler meets it, then the loop
// starts left open, in the order they stand in the text; nothing is kept.
void LintEach(const std::string& text, const std::function<void(const LintFinding&)>& found);
// The same findings, collected.
std::vector<LintFinding> LintText(const std::string& text);

// A line and a column, both from 1, of a byte of a text or a song file:
// the line breaks before it count lines, the bytes since the last one
// columns (a tab or each byte of a UTF-8 character is one column).
struct TextPlace {
  int line;
  int column;
};

// Whether the text spans lines: it holds a line break (LF) that is not its
// last byte. Lint numbers the findings of such a text LINE:COLUMN, and does
// not list its line breaks, which the compiler skips as layout; a one-line
// text (also one read with its final line break) keeps the byte positions.
bool SpansLines(const std::string& text);

// Hands each line `velkari-mml lint TEXT` prints for the text to `line`, as
// it is found, without its line break: "POS: message", or
// "LINE:COLUMN: message" for a text that spans lines. Memory for one line.
void LintLinesEach(const std::string& text, const std::function<void(const std::string&)>& line);
// The same lines, collected.
std::vector<std::string> LintLines(const std::string& text);
