// Opening a call log of a million calls: reading the file, filling the viewer's table and totals,
// and the whole window; the same with each call's bytes in the data file beside the log.
#include "frmLogViewer.h"

#include "engine/CallDataLog.h"
#include "engine/CallDataReader.h"
#include "engine/CallLogReader.h"
#include "engine/CallLogSummary.h"
#include "settings/Clock.h"
#include "settings/UserInterface.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <unistd.h>

namespace {

constexpr int kCalls = 1000000;

// A log of a million calls over some ten years, a field per line as the program writes it.
class GeneratedLog {
public:
    GeneratedLog() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tallydial-bench.XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder for the benchmark");
        folder = pattern;
        path = (folder / "log.dat").string();
        std::mt19937 random(11);
        const char* const profiles[] = {"Default", "Weekend saver", "Work"};
        const char* const connections[] = {"My ISP", "Backup line", "Mobile"};
        const char* const comments[] = {"", "", "", "mail", "downloads, big ones"};
        std::string text;
        text.reserve(std::size_t{110} * kCalls);
        std::string volumes;
        volumes.reserve(std::size_t{60} * kCalls);
        char line[256];
        long minute = 0;
        for (int i = 0; i < kCalls; ++i) {
            minute += 2 + static_cast<long>(random() % 8);
            const long day = minute / 1440;
            const int start = static_cast<int>(minute % 1440) * 60;
            const int seconds = 30 + static_cast<int>(random() % 5000);
            const int end = (start + seconds) % 86400;
            const int year = 2016 + static_cast<int>(day / 365);
            const int month = 1 + static_cast<int>(day % 365 / 31);
            const int dayOfMonth = 1 + static_cast<int>(day % 365 % 31 % 28);
            const char* const profile = profiles[random() % 3];
            const char* const connection = connections[random() % 3];
            const bool failed = random() % 50 == 0;
            const int length = std::snprintf(
                line, sizeof line,
                "\"TALLYD\"\r\n#%04d-%02d-%02d#\r\n#%02d:%02d:%02d#\r\n#%02d:%02d:%02d#\r\n%d.5\r\n%.6f\r\n"
                "\"%s\"\r\n\"%s\"\r\n%d\r\n\"%s\"\r\n",
                year, month, dayOfMonth, start / 3600, start / 60 % 60, start % 60, end / 3600, end / 60 % 60,
                end % 60, seconds, seconds * 0.0002, profile, connection, failed ? 1 : 0,
                comments[random() % 5]);
            text.append(line, static_cast<std::size_t>(length));
            const int data =
                std::snprintf(line, sizeof line, "#%04d-%02d-%02d#,#%02d:%02d:%02d#,\"%s\",%ld,%ld\r\n", year,
                              month, dayOfMonth, start / 3600, start / 60 % 60, start % 60, connection,
                              static_cast<long>(random() % 100000000), static_cast<long>(random() % 5000000));
            if (!failed) volumes.append(line, static_cast<std::size_t>(data)); // a failed dial has none
        }
        std::ofstream(path, std::ios::binary) << text;
        bytes = text.size();
        // The same log with its calls' bytes beside it, in a folder of its own.
        std::filesystem::create_directory(folder / "with-data");
        pathWithData = (folder / "with-data" / "log.dat").string();
        dataPath = CallDataPath(pathWithData);
        std::ofstream(pathWithData, std::ios::binary) << text;
        std::ofstream(dataPath, std::ios::binary) << volumes;
        dataBytes = volumes.size();
    }
    ~GeneratedLog() { std::filesystem::remove_all(folder); }

    std::filesystem::path folder;
    std::string path;
    std::size_t bytes = 0;
    std::string pathWithData;
    std::string dataPath;
    std::size_t dataBytes = 0;
};

GeneratedLog& Log() {
    static GeneratedLog log;
    return log;
}

class QuietUserInterface final : public UserInterface {
public:
    MsgResult MsgBox(const std::string&, MsgButtons, MsgIcon, const std::string&) override {
        return MsgResult::OK;
    }
    std::optional<std::string> InputBox(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void Beep() override {}
    void ShowAlarm(const std::string&) override {}
    void ShowAlarmDisconnect(AlarmCountdown&) override {}
};

void BM_ReadCallLogFile(benchmark::State& state) {
    GeneratedLog& log = Log();
    for (auto _ : state) {
        CallLogData data;
        const CallLogRead read = ReadCallLogFile(log.path, 0, data);
        if (data.Records.size() != kCalls || read.Pending != 0)
            state.SkipWithError("not every call was read");
        benchmark::DoNotOptimize(data.Records.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * log.bytes));
    state.counters["calls"] = kCalls;
}
BENCHMARK(BM_ReadCallLogFile)->Unit(benchmark::kMillisecond);

// The data file of a million calls, read and joined onto the calls read before.
void BM_ReadCallDataFile(benchmark::State& state) {
    GeneratedLog& log = Log();
    CallLogData data;
    ReadCallLogFile(log.path, 0, data);
    for (auto _ : state) {
        data.Volumes.clear();
        CallDataJoin join;
        bool changed = false;
        ReadCallDataFile(log.dataPath, 0, join, data, CallDataJoin::Search::Along, changed);
        join.Join(data, 0);
        if (data.Volumes.empty() || join.Malformed() != 0) state.SkipWithError("the calls got no bytes");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * log.dataBytes));
}
BENCHMARK(BM_ReadCallDataFile)->Unit(benchmark::kMillisecond);

// The table's rows, chosen and sorted by date, and the totals per day and month.
void BM_FillTableAndTotals(benchmark::State& state) {
    CallLogData data;
    ReadCallLogFile(Log().path, 0, data);
    CallTableModel model(data);
    for (auto _ : state) {
        model.Refill();
        benchmark::DoNotOptimize(TotalsByPeriod(data, model.Rows(), false));
        benchmark::DoNotOptimize(TotalsByPeriod(data, model.Rows(), true));
        benchmark::DoNotOptimize(GlanceAtMonth(data, SystemClock().Now()));
    }
}
BENCHMARK(BM_FillTableAndTotals)->Unit(benchmark::kMillisecond);

// What the user waits for: the window reading the log and showing it.
void BM_OpenViewer(benchmark::State& state) {
    const std::string path = state.range(0) != 0 ? Log().pathWithData : Log().path;
    SystemClock clock;
    QuietUserInterface ui;
    for (auto _ : state) {
        frmLogViewer window(QString::fromStdString(path), clock, ui);
        window.show();
        window.Load();
        // The log is read in the background: the window is open once it is read and shown.
        while (window.Loading())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QApplication::processEvents();
        if (window.Calls().rowCount() != kCalls) state.SkipWithError("the table misses calls");
    }
}
BENCHMARK(BM_OpenViewer)->ArgName("data")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
