// velkari-bench's entry point: Google Benchmark's own, plus two lines after
// the table that put the numbers the targets are set in side by side: the
// board drawn by the raster against SDL's blitter, and the mixer's speed
// against real time.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// The console table as usual, keeping each benchmark's CPU time (seconds per
// iteration) and real-time factor; with repetitions the median stands.
class TargetReporter : public benchmark::ConsoleReporter {
 public:
  struct Result {
    double seconds = 0.0;
    double realtime = 0.0;
    bool median = false;
  };

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      const bool median = r.run_type == Run::RT_Aggregate;
      if (median && r.aggregate_name != "median") continue;
      std::string name = r.run_name.function_name;
      if (!r.run_name.args.empty()) name += "/" + r.run_name.args;
      Result& out = results[name];
      if (out.median && !median) continue;
      out.median = median;
      out.seconds = r.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(r.time_unit);
      const auto rt = r.counters.find("x_realtime");
      out.realtime = rt == r.counters.end() ? 0.0 : rt->second.value;
    }
  }

  std::map<std::string, Result> results;
};

void PrintTargets(const std::map<std::string, TargetReporter::Result>& results) {
  const auto board = results.find("BM_DrawBoard");
  const auto peer = results.find("BM_DrawBoardSdlPeer");
  if (board != results.end() && peer != results.end() && peer->second.seconds > 0.0) {
    std::printf("BM_DrawBoard / BM_DrawBoardSdlPeer: %.3f (%.1f us / %.1f us CPU%s)\n",
                board->second.seconds / peer->second.seconds, board->second.seconds * 1e6,
                peer->second.seconds * 1e6, board->second.median ? ", medians" : "");
  }
  for (const char* mix : {"BM_RenderMix/8", "BM_RenderMix/1"}) {
    const auto m = results.find(mix);
    if (m == results.end()) continue;
    std::printf("%s: %.0fx real time (%.1f us CPU per 1500-frame buffer%s)\n", mix,
                m->second.realtime, m->second.seconds * 1e6, m->second.median ? ", medians" : "");
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Another output format is left to the library's own reporter.
  bool console = true;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--benchmark_format=", 19) == 0 &&
        std::strcmp(argv[i] + 19, "console") != 0)
      console = false;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!console) {
    benchmark::RunSpecifiedBenchmarks();
  } else {
    TargetReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::fflush(stdout);
    PrintTargets(reporter.results);
  }
  benchmark::Shutdown();
  return 0;
}
