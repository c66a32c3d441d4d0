// The number of the current screen and the one way to change it. SetScene
// only records the number; the scene dispatch (scenes.h) runs the new scene's
// entry actions in the next frame. Read and set by the dispatch and by the
// play frame, on the main thread.
#pragma once

#include <cstdint>

constexpr uint32_t SCENE_BOOT = 0;
constexpr uint32_t SCENE_TITLE = 1;
constexpr uint32_t SCENE_NEW_GAME = 2;
constexpr uint32_t SCENE_STAGE_SETUP = 3;
constexpr uint32_t SCENE_PLAY = 4;
constexpr uint32_t SCENE_GAME_OVER = 5;
constexpr uint32_t SCENE_PAUSE = 10;

extern uint32_t Scene;
extern bool sceneEntered;

// Records the next scene; the next frame runs its entry actions.
void SetScene(uint32_t number);

// Puts the scene state back as the program starts (the boot scene, about to
// enter). For tests and tools that run several games in one process.
void ResetScenes();
