#include "game/cues.h"

#include "sound/channel_interface.h"

void PlayCue(int channel, const char* text) {
  playChannelCue(channel, text);
}
