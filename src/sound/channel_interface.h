// The channel interface: the surface through which the game plays sound. Each
// of the eight channels keeps an MML text of its own; starting a channel
// compiles that text into its event code and sets its sequencer going. Called
// by the game on the main thread (PlayCue: clear, append, start, release);
// every operation takes the sound engine's lock, so the output thread never
// sees a channel half-changed.
#pragma once

#include "sound/event_code.h"

void clearChannelText(int ch);
void clearAllChannelText();
void appendChannelText(int ch, const char* mml);
void startChannels(unsigned char f0, unsigned char f1, unsigned char f2, unsigned char f3,
                   unsigned char f4, unsigned char f5, unsigned char f6, unsigned char f7);
void stopAllChannels();
void releaseChannelText(int ch);
void releaseAllChannelText();

// Plays one cue as the game does: the channel's text becomes `mml`, the
// channel alone is started, and the text is released again (the compiled code
// plays on). A channel outside 0 to 7 is ignored.
void playChannelCue(int ch, const char* mml);
