#include "sound/mml_compiler.h"

#include <cstring>

#include "sound/event_code.h"
#include "sound/sequencer.h"

namespace {

constexpr int LAST_EVENT_OFFSET = EVENT_CODE_SIZE - 8;  // 2040
constexpr char NOTE_TABLE[] = "c d ef g a br";

bool IsDigit(uint8_t b) {
  return b >= '0' && b <= '9';
}

class Compiler {
 public:
  Compiler(uint8_t* code, const uint8_t* text, MmlReport* report, int32_t* places)
      : code_(code), text_(text), report_(report), places_(places) {}

  void Run() {
    const size_t n = std::strlen(reinterpret_cast<const char*>(text_));
    for (;;) {
      Handle();
      ++rd_;
      const bool stop = rd_ >= n;
      if (stop) code_[wr_ + 2] = EV_END;
      if (wr_ > LAST_EVENT_OFFSET) wr_ = LAST_EVENT_OFFSET;
      if (stop) return;
    }
  }

 private:
  struct Number {
    bool present;
    uint8_t value;  // in 8-bit arithmetic
    int whole;      // the number as written
  };

  uint8_t Peek() const { return text_[rd_ + 1]; }

  void Report(int pos, MmlIssue issue, int given, int used) {
    if (report_) report_->Note(pos, issue, given, used);
  }

  // Reads up to k digits after the current byte, leaving rd_ on the last one.
  Number ReadNumber(int k) {
    Number num{false, 0, 0};
    for (int i = 0; i < k && IsDigit(Peek()); ++i) {
      ++rd_;
      const int digit = text_[rd_] - '0';
      num.present = true;
      num.value = static_cast<uint8_t>(num.value * 10 + digit);
      num.whole = num.whole * 10 + digit;
    }
    return num;
  }

  // A number of up to 3 digits, taken modulo 256.
  Number ReadByteNumber(int pos) {
    Number num = ReadNumber(3);
    if (num.whole != num.value) Report(pos, MML_WRAPPED, num.whole, num.value);
    return num;
  }

  // Sign, then up to two digits; a negative number n is stored as 256 - n.
  uint8_t ReadSigned() {
    bool negative = false;
    if (Peek() == '-') {
      ++rd_;
      negative = true;
    }
    if (Peek() == '+') {
      ++rd_;
      negative = false;
    }
    Number num = ReadNumber(2);
    if (!num.present) return 0;
    return static_cast<uint8_t>(negative ? 256 - num.value : num.value);
  }

  void Write(uint8_t event, uint8_t operand) {
    code_[wr_] = event;
    code_[wr_ + 1] = operand;
    code_[wr_ + 2] = EV_END;
    Advance();
  }

  // An event whose operand byte is not written.
  void WriteBare(uint8_t event) {
    code_[wr_] = event;
    code_[wr_ + 2] = EV_END;
    Advance();
  }

  // The event just written at wr_ came from the command handled now.
  void Advance() {
    if (places_) places_[wr_ / 2] = command_;
    if (wr_ == LAST_EVENT_OFFSET && full_) Report(static_cast<int>(rd_), MML_BUFFER_FULL, 0, 0);
    if (wr_ == LAST_EVENT_OFFSET) full_ = true;
    wr_ += 2;
  }

  uint8_t Clamp(int pos, int given, int low, int high) {
    int used = given < low ? low : (given > high ? high : given);
    if (used != given) Report(pos, MML_CLAMPED, given, used);
    return static_cast<uint8_t>(used);
  }

  void Note(uint8_t letter, int pos) {
    int semitone = static_cast<int>(std::strchr(NOTE_TABLE, letter) - NOTE_TABLE);
    int code = letter == 'r' ? 0 : octaveBase_ + semitone;
    uint8_t length = defaultLength_;
    if (Peek() == '+') {
      ++rd_;
      ++code;
    }
    if (Peek() == '-') {
      ++rd_;
      --code;
    }
    if (code != (code & 0xFF)) Report(pos, MML_WRAPPED, code, code & 0xFF);
    bool ticks = false;
    if (Peek() == '%') {
      ++rd_;
      ticks = true;
    }
    Number num = ReadByteNumber(pos);
    if (num.present) {
      int value = num.value == 0 ? 1 : num.value;
      length = static_cast<uint8_t>(ticks ? value : 192 / value);
    }
    if (Peek() == '.') {
      ++rd_;
      const uint8_t base = length;
      int sum = base + base / 2;
      if (Peek() == '.') {
        ++rd_;
        sum = static_cast<uint8_t>(sum) + base / 4;
      }
      if (sum > 255) Report(pos, MML_WRAPPED, sum, sum & 0xFF);
      length = static_cast<uint8_t>(sum);
    }
    Write(static_cast<uint8_t>(code), length);
  }

  void Tempo(int pos) {
    code_[wr_] = EV_TEMPO;
    Number num = ReadByteNumber(pos);
    if (!num.present) {
      WriteBare(EV_TEMPO);
      return;
    }
    Write(EV_TEMPO, Clamp(pos, num.value, 15, 255));
    if (Peek() != '.') return;
    ++rd_;
    if (!IsDigit(Peek())) return;
    ++rd_;
    int fraction = (text_[rd_] - '0') * 10;
    if (IsDigit(Peek())) {
      ++rd_;
      fraction += text_[rd_] - '0';
    }
    Write(EV_TEMPO_FRACTION, static_cast<uint8_t>(fraction));
  }

  // A two-digit setting with a default when no number is written.
  uint8_t Setting(uint8_t none) {
    Number num = ReadNumber(2);
    return num.present ? num.value : none;
  }

  void Handle() {
    const int pos = static_cast<int>(rd_);
    command_ = pos;
    const uint8_t b = text_[rd_];
    switch (b) {
      case 'c':
      case 'd':
      case 'e':
      case 'f':
      case 'g':
      case 'a':
      case 'b':
      case 'r':
        Note(b, pos);
        break;
      case 'o': {
        ++rd_;
        int base = (static_cast<int8_t>(text_[rd_]) - 48) * 12;
        octaveBase_ = Clamp(pos, base, 0, 108);
        break;
      }
      case '>':
        octaveBase_ = Clamp(pos, octaveBase_ + 12, 0, 84);
        break;
      case '<':
        octaveBase_ = Clamp(pos, octaveBase_ - 12, 0, 108);
        break;
      case 'l': {
        Number num = ReadNumber(2);
        if (!num.present) {
          defaultLength_ = 24;
        } else {
          defaultLength_ = static_cast<uint8_t>(192 / (num.value == 0 ? 1 : num.value));
        }
        break;
      }
      case '%': {
        Number num = ReadNumber(2);
        defaultLength_ = num.present ? num.value : 24;
        break;
      }
      case 't':
        Tempo(pos);
        break;
      case '@':
        Write(EV_VOICE, Setting(0));
        break;
      case 'v': {
        Number num = ReadNumber(2);
        Write(EV_VOLUME, num.present ? Clamp(pos, num.value, 0, 15) : 13);
        break;
      }
      case 'q':
        if (Peek() >= '1' && Peek() <= '9') {
          ++rd_;
          Write(EV_GATE, static_cast<uint8_t>(text_[rd_] - '0'));
        } else {
          Write(EV_GATE, 8);
        }
        break;
      case 'h':
        Write(EV_ATTACK, Setting(99));
        break;
      case 'i':
        Write(EV_DECAY, Setting(0));
        break;
      case 'j':
        Write(EV_SUSTAIN, Setting(0));
        break;
      case 'm':
        Write(EV_VIBRATO_DEPTH, Setting(0));
        break;
      case 'n':
        Write(EV_VIBRATO_DELAY, Setting(0));
        break;
      case 'w':
        Write(EV_FILTER, Setting(84));
        break;
      case 'p': {
        Number num = ReadNumber(2);
        Write(EV_PAN, num.present ? Clamp(pos, num.value, 1, 15) : 8);
        break;
      }
      case 's':
        Write(EV_SWEEP, ReadSigned());
        break;
      case 'D':
        Write(EV_DETUNE, ReadSigned());
        break;
      case '_':
        Write(EV_TRANSPOSE, ReadSigned());
        break;
      case '(':
        Write(EV_VOLUME_STEP, 0);
        break;
      case ')':
        Write(EV_VOLUME_STEP, 1);
        break;
      case '[':
        Report(pos, MML_LOOP_START, 0, 0);
        WriteBare(EV_LOOP_START);
        break;
      case ']': {
        Report(pos, MML_LOOP_END, 0, 0);
        Write(EV_LOOP_END, Setting(2));
        break;
      }
      case '/':
      case ':':
        Report(pos, MML_LOOP_BREAK, 0, 0);
        WriteBare(EV_LOOP_BREAK);
        break;
      case 'L':
        Write(EV_LOOP_POINT, 0);
        break;
      case '&':
        Tie(pos);
        break;
      case 'x':
        WriteBare(EV_STOP);
        break;
      default:
        Report(pos, MML_IGNORED, b, b);
        break;
    }
  }

  void Tie(int pos) {
    if (wr_ == 0) {
      Report(pos, MML_IGNORED, '&', '&');
      return;
    }
    code_[wr_] = code_[wr_ - 2];
    code_[wr_ + 1] = code_[wr_ - 1];
    code_[wr_ - 2] = EV_TIE;
    code_[wr_ - 1] = 0;
    code_[wr_ + 2] = EV_END;
    // The moved event keeps its place; the tie stands where the `&` does.
    if (places_) {
      command_ = places_[wr_ / 2 - 1];
      places_[wr_ / 2 - 1] = pos;
    }
    Advance();
  }

  uint8_t* code_;
  const uint8_t* text_;
  MmlReport* report_;
  int32_t* places_;
  int command_ = 0;  // the text position of the command being handled
  size_t rd_ = 0;
  int wr_ = 0;
  int octaveBase_ = 48;
  uint8_t defaultLength_ = 24;
  bool full_ = false;
};

}  // namespace

void compileEventCode(uint8_t* code, const char* text, MmlReport* report, int32_t* places) {
  if (!code) return;
  const char* empty = "";
  Compiler(code, reinterpret_cast<const uint8_t*>(text ? text : empty), report, places).Run();
}

void compileChannelText(int ch, const char* text) {
  if (ch < 0 || ch >= 8) return;
  SoundChannel& c = gSoundChannels[ch];
  if (c.playing || !c.eventCode) return;
  compileEventCode(c.eventCode, text);
}
