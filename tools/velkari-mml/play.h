// velkari-mml play: plays cues through the real sound device (SDL audio on
// Linux, waveOut on Windows), on the same cue path as render and the game,
// until every channel has stopped or Ctrl+C ends a looping tune. Called by
// the tool's main with the arguments after "play"; returns the exit status (2
// for bad arguments, 1 without a sound device).
#pragma once

int RunPlay(int argc, char** argv);
