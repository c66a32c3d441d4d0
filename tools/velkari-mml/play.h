// velkari-mml play: plays cues through the real sound device. Called by the
// tool's main with the arguments after "play".
#pragma once

int RunPlay(int argc, char** argv);
