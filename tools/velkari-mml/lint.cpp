#include "lint.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "sound/event_code.h"
#include "sound/mml_compiler.h"

namespace {

class LintReport : public MmlReport {
 public:
  explicit LintReport(const std::string& text) : text_(text) {}

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

  std::vector<LintFinding> Finish() {
    for (int pos : opens_) Add(pos, "loop start without a loop end");
    return std::move(findings_);
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

  void Add(int pos, std::string what) { findings_.push_back({pos, std::move(what)}); }

  const std::string& text_;
  std::vector<int> opens_;
  int depth_ = 0;
  std::vector<LintFinding> findings_;
};

}  // namespace

std::vector<LintFinding> LintText(const std::string& text) {
  static uint8_t code[EVENT_CODE_SIZE];
  code[0] = EV_STOP;
  LintReport report(text);
  compileEventCode(code, text.c_str(), &report);
  return report.Finish();
}

bool SpansLines(const std::string& text) {
  const size_t lf = text.find('\n');
  return lf != std::string::npos && lf + 1 < text.size();
}

std::vector<std::string> LintLines(const std::string& text) {
  std::vector<std::string> lines;
  const bool spans = SpansLines(text);
  std::vector<int> lineStarts{0};
  if (spans)
    for (size_t k = 0; k < text.size(); ++k)
      if (text[k] == '\n') lineStarts.push_back(static_cast<int>(k) + 1);
  for (const LintFinding& f : LintText(text)) {
    if (!spans) {
      lines.push_back(std::to_string(f.pos) + ": " + f.message);
      continue;
    }
    // A line break, or the CR of a CR LF pair, is the text's layout.
    const char b = text[f.pos];
    if (b == '\n' ||
        (b == '\r' && f.pos + 1 < static_cast<int>(text.size()) && text[f.pos + 1] == '\n'))
      continue;
    const auto after = std::upper_bound(lineStarts.begin(), lineStarts.end(), f.pos);
    const int line = static_cast<int>(after - lineStarts.begin());
    const int column = f.pos - *(after - 1) + 1;
    lines.push_back(std::to_string(line) + ":" + std::to_string(column) + ": " + f.message);
  }
  return lines;
}
