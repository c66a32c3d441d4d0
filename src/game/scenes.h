// The scene dispatch: the body of every frame that the frame clock lets
// through. Called once per due frame by RunFrame, on the main thread.
#pragma once

#include <cstdint>

constexpr uint32_t SCENE_BOOT = 0;

extern uint32_t Scene;
extern bool sceneEntered;

void SetScene(uint32_t number);
void RunSceneFrame();
