#include "RegFile.h"
#include "platform/linux/SqliteRegistryStore.h"
#include "settings/Clock.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <sys/resource.h>

namespace {

// A registry script of `values` values, a hundred to a key, of every kind a script writes.
std::string Script(long values) {
    std::string text = "Windows Registry Editor Version 5.00\r\n";
    for (long i = 0; i < values; ++i) {
        if (i % 100 == 0)
            text += "\r\n[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\\Profile" +
                    std::to_string(i / 1000) + "\\Section" + std::to_string(i / 100 % 10) + "]\r\n";
        const std::string name = "\"Value" + std::to_string(i % 100) + "\"=";
        switch (i % 4) {
        case 0:
            text += name + "\"" + std::to_string(i) + ".25 text\"\r\n";
            break;
        case 1:
            text += name + "dword:" + std::to_string(i % 100000000) + "\r\n";
            break;
        case 2:
            text += name + "hex:01,02,03,04,05,06,07,08\r\n";
            break;
        default:
            text += name + "hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,00,00\r\n";
            break;
        }
    }
    return text;
}

// Imports a script of state.range(0) values into a fresh store file.
void BM_ImportScript(benchmark::State& state) {
    const std::string script = Script(state.range(0));
    std::string pattern = (std::filesystem::temp_directory_path() / "tallydial-bench.XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder for the benchmark");
    const std::filesystem::path folder = pattern;
    SystemClock clock;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(folder / "registry.db");
        auto store = SqliteRegistryStore::Open(folder / "registry.db", clock).Store;
        state.ResumeTiming();
        if (!ImportRegText(*store, script).Ok) state.SkipWithError("the import failed");
    }
    std::filesystem::remove_all(folder);
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    state.counters["script_mb"] = static_cast<double>(script.size()) / 1e6;
    state.counters["peak_rss_mb"] = static_cast<double>(usage.ru_maxrss) / 1024;
}
BENCHMARK(BM_ImportScript)->Arg(500000)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
