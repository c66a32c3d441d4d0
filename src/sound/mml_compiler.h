// The MML compiler: turns one channel's music text into its event code in a
// single pass. Called by startChannels (through compileChannelText) between
// the channel's stop and its start; the velkari-mml tool calls
// compileEventCode directly to show or lint a text.
#pragma once

#include <cstdint>

// What the compiler did not take as written. The game passes no report: the
// compiler itself stays silent.
enum MmlIssue {
  MML_IGNORED,      // a byte that is not a command (value: the byte)
  MML_CLAMPED,      // a number raised or lowered into range (given, used)
  MML_WRAPPED,      // a number or code taken modulo 256 (given, used)
  MML_LOOP_START,   // `[`, for the loop balance
  MML_LOOP_END,     // `]`
  MML_LOOP_BREAK,   // `/` or `:`
  MML_BUFFER_FULL,  // an event replaced the one at offset 2040
};

class MmlReport {
 public:
  virtual ~MmlReport() = default;
  // pos is the byte position of the command (or ignored byte) in the text.
  virtual void Note(int pos, MmlIssue issue, int given, int used) = 0;
};

// Compiles text into code (EVENT_CODE_SIZE bytes) from offset 0. The caller
// has set the first byte (EV_STOP) as the empty-code marker. With `places`
// (EVENT_CODE_SIZE / 2 entries), the event at code offset 2k gets in
// places[k] the byte position in the text of the command that wrote it, so
// that a player can show where in the text a channel is; entries of slots
// that hold no event are left as they were. The code is the same either way.
void compileEventCode(uint8_t* code, const char* text, MmlReport* report = nullptr,
                      int32_t* places = nullptr);

// The channel's compilation: does nothing for a channel number outside 0 to 7
// or a channel that is playing.
void compileChannelText(int ch, const char* text);
