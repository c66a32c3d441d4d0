// The game's sounds: the cue texts and PlayCue, the game's one way to play
// one. Called by the scenes and the play frame on the main thread.
#pragma once

// The cue texts. Channel 0 carries the music, 6 the results of actions, 7 the
// item cue.
inline constexpr char CUE_MUSIC[] = "t120@56o4l16q7v14L crrrgrrcdrefrrrr crrrgrrcggfrerdr";
inline constexpr char CUE_PASS[] = "t120@0o4l32q7v14i5 s-40g2x";
inline constexpr char CUE_DESTROY[] = "t120@78o4l32q7v14i5 g2x";
inline constexpr char CUE_DESTROY_NOTHING[] = "t120@0o4l32q7v14i5s+30 g8x";
inline constexpr char CUE_ITEM[] = "t120@2o6l32q7v14i35 gecx";
inline constexpr char CUE_GOAL_WITH_ITEMS[] = "t120@0o4l32q7v14i5 s-40g2x";
inline constexpr char CUE_PERFECT_CLEAR[] = "t150@0o4l16q7v13h50 m30ceg>ceg>cx";
inline constexpr char CUE_GAME_OVER[] = "t120@2o4l16q7v14i30 cdefgab>cccccx";

// Clear, append, start and release on one channel: the new text cuts off
// whatever that channel played and leaves the others playing.
void PlayCue(int channel, const char* text);
