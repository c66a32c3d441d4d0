// BM_ScriptKeys/MB, BM_ScriptAbout/MB, BM_ScriptLines/MB: reading a key
// script of MB megabytes as velkari-replay and velkari --play do, checking it
// whole and then stepping through every frame, for the worst scripts a
// stranger can send: one line of 2 frames holding keys joined by + over the
// whole size; the same of ABOUT+Z again and again; as many one-frame lines as
// fit. The bytes per second must stay the same as MB grows, and the fitted
// complexity (the _BigO line) is N.
#include <benchmark/benchmark.h>

#include <string>

#include "app/replay_record.h"

namespace {

std::string WorstScript(int kind, size_t bytes) {
  std::string text;
  text.reserve(bytes + 64);
  switch (kind) {
    case 0:
      text = "2 Z";
      while (text.size() < bytes) text += "+X+SPACE+ENTER+UP+DOWN+LEFT+RIGHT+Z";
      text += "\n";
      break;
    case 1:
      text = "2 ABOUT+Z";
      while (text.size() < bytes) text += "+ABOUT+Z";
      text += "\n";
      break;
    default:
      while (text.size() < bytes) text += "1 Z+LEFT\n1 -\n";
      break;
  }
  return text;
}

void ScriptWorst(benchmark::State& state, int kind) {
  const size_t bytes = static_cast<size_t>(state.range(0)) << 20;
  const std::string text = WorstScript(kind, bytes);
  for (auto _ : state) {
    replay::KeyPlayback playback;
    std::string error;
    if (!playback.LoadText(text, &error)) state.SkipWithError(error.c_str());
    uint64_t keys = 0;
    while (const replay::ScriptLine* line = playback.NextLine()) keys += line->vkeys.size;
    benchmark::DoNotOptimize(keys);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
  state.SetComplexityN(static_cast<int64_t>(text.size()));
}

void BM_ScriptKeys(benchmark::State& state) {
  ScriptWorst(state, 0);
}
void BM_ScriptAbout(benchmark::State& state) {
  ScriptWorst(state, 1);
}
void BM_ScriptLines(benchmark::State& state) {
  ScriptWorst(state, 2);
}
BENCHMARK(BM_ScriptKeys)
    ->RangeMultiplier(2)
    ->Range(1, 8)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_ScriptAbout)
    ->RangeMultiplier(2)
    ->Range(1, 8)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_ScriptLines)
    ->RangeMultiplier(2)
    ->Range(1, 8)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
