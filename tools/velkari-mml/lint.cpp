#include "lint.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "sound/event_code.h"
#include "sound/mml_compiler.h"

namespace {

class LintReport : public MmlReport {
 public:
  LintReport(const std::string& text, const std::function<void(const LintFinding&)>& found)
      : text_(text), found_(found) {}

  void Note(int pos, MmlIssue issue, int given, int used) override {
    const std::string cmd = Quote(pos);
    switch (issue) {
      case MML_IGNORED:
        Add(pos, "ignored " + cmd);
        break;
      case MML_CLAMPED:
        Add(pos, cmd + ": " + std::to_string(given) + " clamped to " + std::to_string(used));
        break;
      case MML_WRAPPED:
        Add(pos, cmd + ": " + std::to_string(given) + " wrapped to " + std::to_string(used));
        break;
      case MML_BUFFER_FULL:
        Add(pos, "event code full: this event replaces the one at offset 2040");
        break;
      case MML_LOOP_START:
        ++depth_;
        if (depth_ == 5) Add(pos, "loop nested five deep: the channel stops here");
        opens_.push_back(pos);
        break;
      case MML_LOOP_END:
        if (opens_.empty()) {
          Add(pos, "loop end without a loop start: the channel stops here");
        } else {
          opens_.pop_back();
          --depth_;
        }
        break;
      case MML_LOOP_BREAK:
        if (opens_.empty()) Add(pos, "loop break outside a loop has no effect");
        break;
    }
  }

  void Finish() {
    for (int pos : opens_) Add(pos, "loop start without a loop end");
  }

 private:
  std::string Quote(int pos) const {
    const unsigned char b = pos >= 0 && pos < static_cast<int>(text_.size()) ? text_[pos] : 0;
    char buf[24];
    if (b == ' ') {
      std::snprintf(buf, sizeof buf, "blank");
    } else if (b >= 0x21 && b < 0x7F) {
      std::snprintf(buf, sizeof buf, "'%c'", b);
    } else {
      std::snprintf(buf, sizeof buf, "byte 0x%02X", b);
    }
    return buf;
  }

  void Add(int pos, std::string what) { found_(LintFinding{pos, std::move(what)}); }

  const std::string& text_;
  const std::function<void(const LintFinding&)>& found_;
  std::vector<int> opens_;
  int depth_ = 0;
};

}  // namespace

void LintEach(const std::string& text, const std::function<void(const LintFinding&)>& found) {
  static uint8_t code[EVENT_CODE_SIZE];
  code[0] = EV_STOP;
  LintReport report(text, found);
  compileEventCode(code, text.c_str(), &report);
  report.Finish();
}

std::vector<LintFinding> LintText(const std::string& text) {
  std::vector<LintFinding> findings;
  LintEach(text, [&](const LintFinding& f) { findings.push_back(f); });
  return findings;
}

bool SpansLines(const std::string& text) {
  const size_t lf = text.find('\n');
  return lf != std::string::npos && lf + 1 < text.size();
}

void LintLinesEach(const std::string& text, const std::function<void(const std::string&)>& line) {
  const bool spans = SpansLines(text);
  // Where the last finding stood: the findings come mostly in text order, so
  // the line of each is counted on from the one before; only a finding
  // before it (the loops left open, at the end) counts from the start again.
  int at = 0, lineNumber = 1, lineStart = 0;
  LintEach(text, [&](const LintFinding& f) {
    if (!spans) {
      line(std::to_string(f.pos) + ": " + f.message);
      return;
    }
    // A line break, or the CR of a CR LF pair, is the text's layout.
    const char b = text[f.pos];
    if (b == '\n' ||
        (b == '\r' && f.pos + 1 < static_cast<int>(text.size()) && text[f.pos + 1] == '\n'))
      return;
    if (f.pos < at) at = 0, lineNumber = 1, lineStart = 0;
    for (; at < f.pos; ++at) {
      if (text[at] == '\n') {
        ++lineNumber;
        lineStart = at + 1;
      }
    }
    const int column = f.pos - lineStart + 1;
    line(std::to_string(lineNumber) + ":" + std::to_string(column) + ": " + f.message);
  });
}

std::vector<std::string> LintLines(const std::string& text) {
  std::vector<std::string> lines;
  LintLinesEach(text, [&](const std::string& l) { lines.push_back(l); });
  return lines;
}
