// velkari-mml: the music writer's tool. compile shows a text's event code,
// lint lists what the compiler ignored, clamped or wrapped, render writes what
// the mixer makes of cues as a WAV file, play sends it to the sound device.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "cue_path.h"
#include "gfx/utf8_path.h"
#include "play.h"
#include "sound/channel_interface.h"
#include "sound/event_code.h"
#include "sound/event_code_text.h"
#include "sound/mixer.h"
#include "sound/mml_compiler.h"
#include "sound/sound_engine.h"
#ifdef _WIN32
#include "win32/system_paths.h"
#endif

namespace {

constexpr int EXIT_USAGE = 2;
// About 57 minutes of sound: more is surely a mistake on the command line.
constexpr long MAX_BUFFERS = 100000;

const char USAGE[] =
    "usage: velkari-mml compile [--] TEXT\n"
    "       velkari-mml lint [--] TEXT\n"
    "       velkari-mml render [--cue CH TEXT]... (--buffers N | --seconds S) -o OUT.wav\n"
    "       velkari-mml play [--cue CH TEXT]...\n"
    "TEXT may be - to read it from standard input.\n";

int Usage(const std::string& message) {
  if (!message.empty()) std::fprintf(stderr, "velkari-mml: %s\n", message.c_str());
  std::fputs(USAGE, stderr);
  return EXIT_USAGE;
}

// The single TEXT operand of compile and lint.
bool OnlyText(int argc, char** argv, std::string* text, std::string* error) {
  int i = 0;
  if (!TakeText(argc, argv, &i, text, error)) return false;
  if (i + 1 != argc) {
    *error = std::string("unexpected argument '") + argv[i + 1] + "'";
    return false;
  }
  return true;
}

int RunCompile(int argc, char** argv) {
  std::string text, error;
  if (!OnlyText(argc, argv, &text, &error)) return Usage("compile: " + error);
  const std::string out = describeCompiledText(text.c_str());
  std::printf("%s\n", out.c_str());
  return 0;
}

class LintReport : public MmlReport {
 public:
  explicit LintReport(const std::string& text) : text_(text) {}

  void Note(int pos, MmlIssue issue, int given, int used) override {
    const std::string cmd = Quote(pos);
    switch (issue) {
      case MML_IGNORED:
        Print(pos, "ignored " + cmd);
        break;
      case MML_CLAMPED:
        Print(pos, cmd + ": " + std::to_string(given) + " clamped to " + std::to_string(used));
        break;
      case MML_WRAPPED:
        Print(pos, cmd + ": " + std::to_string(given) + " wrapped to " + std::to_string(used));
        break;
      case MML_BUFFER_FULL:
        Print(pos, "event code full: this event replaces the one at offset 2040");
        break;
      case MML_LOOP_START:
        ++depth_;
        if (depth_ == 5) Print(pos, "loop nested five deep: the channel stops here");
        opens_.push_back(pos);
        break;
      case MML_LOOP_END:
        if (opens_.empty()) {
          Print(pos, "loop end without a loop start: the channel stops here");
        } else {
          opens_.pop_back();
          --depth_;
        }
        break;
      case MML_LOOP_BREAK:
        if (opens_.empty()) Print(pos, "loop break outside a loop has no effect");
        break;
    }
  }

  void Finish() {
    for (int pos : opens_) Print(pos, "loop start without a loop end");
  }

  int reported = 0;

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

  void Print(int pos, const std::string& what) {
    std::printf("%d: %s\n", pos, what.c_str());
    ++reported;
  }

  const std::string& text_;
  std::vector<int> opens_;
  int depth_ = 0;
};

int RunLint(int argc, char** argv) {
  std::string text, error;
  if (!OnlyText(argc, argv, &text, &error)) return Usage("lint: " + error);
  static uint8_t code[EVENT_CODE_SIZE];
  code[0] = EV_STOP;
  LintReport report(text);
  compileEventCode(code, text.c_str(), &report);
  report.Finish();
  return report.reported ? 1 : 0;
}

bool ParseCount(const char* s, long* out) {
  char* end = nullptr;
  long v = std::strtol(s, &end, 10);
  if (!*s || *end || v < 0 || v > MAX_BUFFERS) return false;
  *out = v;
  return true;
}

bool ParseSeconds(const char* s, long* buffers) {
  char* end = nullptr;
  double v = std::strtod(s, &end);
  if (!*s || *end || !std::isfinite(v) || v < 0) return false;
  const double whole = std::ceil(v * 44100.0 / WAVE_FRAMES);
  if (whole > MAX_BUFFERS) return false;
  *buffers = static_cast<long>(whole);
  return true;
}

void PutLe(std::ostream& f, uint32_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) f.put(static_cast<char>((v >> (8 * k)) & 0xFF));
}

int RunRender(int argc, char** argv) {
  std::vector<Cue> cues;
  long buffers = -1;
  const char* outPath = nullptr;
  std::string error;
  for (int i = 0; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--cue") {
      Cue cue;
      if (!TakeCue(argc, argv, &i, &cue, &error)) return Usage("render: " + error);
      cues.push_back(cue);
    } else if (a == "--buffers" || a == "--seconds") {
      if (buffers >= 0) return Usage("render: give one of --buffers and --seconds, once");
      if (i + 1 >= argc) return Usage("render: " + a + " needs a number");
      const bool ok = a == "--buffers" ? ParseCount(argv[i + 1], &buffers)
                                       : ParseSeconds(argv[i + 1], &buffers);
      if (!ok) {
        return Usage("render: bad " + a + " '" + argv[i + 1] + "' (at most " +
                     std::to_string(MAX_BUFFERS) + " buffers)");
      }
      ++i;
    } else if (a == "-o") {
      if (outPath || i + 1 >= argc) return Usage("render: -o needs one output file");
      outPath = argv[++i];
    } else {
      return Usage("render: unexpected argument '" + a + "'");
    }
  }
  if (buffers < 0) return Usage("render: --buffers N or --seconds S is required");
  if (!outPath) return Usage("render: -o OUT.wav is required");

  std::ofstream f(Utf8Path(outPath), std::ios::binary | std::ios::trunc);
  if (!f) {
    std::fprintf(stderr, "velkari-mml: render: cannot write %s\n", outPath);
    return 1;
  }
  const uint32_t dataBytes = static_cast<uint32_t>(buffers) * WAVE_BUFFER_SIZE;
  f << "RIFF";
  PutLe(f, 36 + dataBytes, 4);
  f << "WAVEfmt ";
  PutLe(f, 16, 4);
  PutLe(f, 1, 2);       // PCM
  PutLe(f, 2, 2);       // channels
  PutLe(f, 44100, 4);   // frames per second
  PutLe(f, 176400, 4);  // bytes per second
  PutLe(f, 4, 2);       // bytes per frame
  PutLe(f, 16, 2);      // bits per sample
  f << "data";
  PutLe(f, dataBytes, 4);

  startSoundEngine();
  PlayCues(cues);
  static uint8_t buffer[WAVE_BUFFER_SIZE];
  for (long b = 0; b < buffers; ++b) {
    {
      std::lock_guard<std::mutex> lock(soundEngineMutex());
      renderMix(buffer, WAVE_BUFFER_SIZE);
    }
    f.write(reinterpret_cast<const char*>(buffer), sizeof buffer);
  }
  releaseAllChannelText();
  stopSoundEngine();
  f.close();
  if (!f) {
    std::fprintf(stderr, "velkari-mml: render: error writing %s\n", outPath);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  win32::BinaryStandardStreams();
  win32::Utf8Arguments(&argc, &argv);
#endif
  if (argc < 2) return Usage("");
  const std::string command = argv[1];
  if (command == "compile") return RunCompile(argc - 2, argv + 2);
  if (command == "lint") return RunLint(argc - 2, argv + 2);
  if (command == "render") return RunRender(argc - 2, argv + 2);
  if (command == "play") return RunPlay(argc - 2, argv + 2);
  if (command == "-h" || command == "--help") {
    std::fputs(USAGE, stdout);
    return 0;
  }
  return Usage("unknown command '" + command + "'");
}
