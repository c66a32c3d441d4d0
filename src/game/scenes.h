// The scene dispatch: the body of every frame that the frame clock lets
// through (RunFrame calls RunSceneFrame once per due frame, on the main
// thread). Each scene runs its entry actions in the first frame after
// SetScene, then its per-frame actions in every frame. PlayCue is the game's
// one way to make a sound.
#pragma once

#include <cstdint>

constexpr uint32_t SCENE_BOOT = 0;
constexpr uint32_t SCENE_TITLE = 1;
constexpr uint32_t SCENE_NEW_GAME = 2;
constexpr uint32_t SCENE_STAGE_SETUP = 3;
constexpr uint32_t SCENE_PLAY = 4;
constexpr uint32_t SCENE_GAME_OVER = 5;
constexpr uint32_t SCENE_PAUSE = 10;

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

extern uint32_t Scene;
extern bool sceneEntered;

// Records the next scene; the next frame runs its entry actions.
void SetScene(uint32_t number);
void RunSceneFrame();

// Clear, append, start and release on one channel: the new text cuts off
// whatever that channel played and leaves the others playing.
void PlayCue(int channel, const char* text);

// Puts the scene state back as the program starts (the boot scene, about to
// enter). For tests and tools that run several games in one process.
void ResetScenes();
