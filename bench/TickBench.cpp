#include "BenchProgram.h"
#include "platform/sim/SimulatedLine.h"

#include <benchmark/benchmark.h>

namespace {

void BM_TickDuringCall(benchmark::State& state) {
    Program program;
    SimulatedLine line(program.folder / "line");
    line.Edit([](SimulatedLineState& s) {
        s.Add("Demo ISP", true);
        return true;
    });
    TickDuringCall(state, program, line);
}
BENCHMARK(BM_TickDuringCall);

void BM_ModelLoad(benchmark::State& state) {
    Program program; // the first load has created every value
    for (auto _ : state)
        LoadModel(program.g, *program.settings, program.clock, program.ui, program.view);
}
BENCHMARK(BM_ModelLoad)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
