#include "BenchProgram.h"
#include "connection/CombinedDialUpService.h"
#include "platform/linux/MachineDialUpService.h"
#include "platform/sim/SimulatedLine.h"
#include "settings/Clock.h"
#include "support/NetworkManagerStandIn.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// A clock that moves only when told, so that the pppd source rereads as it would between real ticks.
class StepClock final : public Clock {
public:
    double Now() const override { return 46000.0 + m_seconds / 86400.0; }
    double MonotonicSeconds() const override { return m_seconds; }
    double UtcSeconds() const override { return m_seconds; }
    void Advance(double seconds) { m_seconds += seconds; }

private:
    double m_seconds = 1000.0;
};

// The connection reads of one tick: the established flag and the list with its names. With a clock, it
// moves on by `step` seconds between ticks.
void Tick(benchmark::State& state, DialUpService& service, StepClock* clock = nullptr, double step = 0) {
    for (auto _ : state) {
        if (clock) clock->Advance(step);
        bool established = service.EstablishedFlag();
        std::vector<DialUpConnection> connections;
        service.EnumConnections(connections);
        benchmark::DoNotOptimize(established);
        benchmark::DoNotOptimize(connections.data());
    }
}

// One tick's reading of the counters of the call's line, through the service the program uses.
void ReadCounters(benchmark::State& state, DialUpService& service) {
    std::vector<DialUpConnection> connections;
    LineTraffic counters;
    // NetworkManager's statistics arrive a moment after the connection.
    const QDeadlineTimer deadline(10000);
    while (!(service.EnumConnections(connections) && !connections.empty() &&
             service.ReadTraffic(connections.back().Handle, counters))) {
        if (deadline.hasExpired()) {
            state.SkipWithError("the call's line keeps no counters");
            return;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    const std::uint64_t handle = connections.back().Handle;
    for (auto _ : state) {
        benchmark::DoNotOptimize(service.ReadTraffic(handle, counters));
        benchmark::DoNotOptimize(counters);
    }
}

void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

void Process(const fs::path& root, int pid, const std::string& comm, const std::string& cmdline) {
    const fs::path folder = root / "proc" / std::to_string(pid);
    Write(folder / "comm", comm + "\n");
    Write(folder / "cmdline", cmdline);
    Write(folder / "stat", std::to_string(pid) + " (" + comm +
                               ") S 1 1 1 0 -1 4194560 0 0 0 0 0 0 0 0 20 0 1 0 " +
                               std::to_string(5000 + pid) + " 0 0\n");
}

// A machine with one established pppd link among the usual clutter of /run and of the process table.
void LayPppdMachine(const fs::path& root) {
    for (int i = 0; i < 40; ++i)
        Write(root / "run" / ("service" + std::to_string(i) + ".pid"), "100\n");
    for (int pid = 100; pid < 400; ++pid)
        Process(root, pid, "bash", std::string("/bin/bash\0", 10));
    Write(root / "proc/loadavg", "0.10 0.20 0.30 1/400 4242\n");
    Write(root / "run/ppp0.pid", "4242\n");
    Write(root / "run/ppp-provider.pid", "4242\nppp0\n");
    Process(root, 4242, "pppd", std::string("/usr/sbin/pppd\0call\0provider\0", 29));
    Write(root / "etc/ppp/peers/provider",
          "/dev/ttyUSB0\n115200\nnoauth\ndefaultroute\nconnect \"chat -f x\"\n");
    Write(root / "sys/class/net/ppp0/flags", "0x10d1\n");
}

bool WaitFor(DialUpService& service) {
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        std::vector<DialUpConnection> connections;
        if (service.EstablishedFlag() && service.EnumConnections(connections) && connections.size() == 1)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const PrivateSystemBus bus;
    if (!bus.StartedOrSaySo()) return 1;
    benchmark::Initialize(&argc, argv);

    std::string pattern = (fs::temp_directory_path() / "tallydial-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return 1;
    const fs::path folder = pattern;

    NetworkManagerStandIn mock(QString::fromStdString((folder / "mock.log").string()));
    if (!mock.Start()) {
        std::fprintf(stderr, "could not start the NetworkManager stand-in\n");
        return 1;
    }
    NetworkManagerDialUpService networkManager;
    mock.Dial(QStringLiteral("Home"), QStringLiteral("802-11-wireless"), NetworkManagerStandIn::Activated,
              {mock.AddDevice(QStringLiteral("wlan0"), QStringLiteral("wlan0"),
                              NetworkManagerStandIn::DeviceTypeWifi)});
    mock.Dial(QStringLiteral("Orvane Dial"), QStringLiteral("gsm"), NetworkManagerStandIn::Activated,
              {mock.AddDevice(QStringLiteral("ttyUSB0"), QStringLiteral("ppp0"))});
    if (!WaitFor(networkManager)) {
        std::fprintf(stderr, "the mirror never showed the call\n");
        return 1;
    }

    LayPppdMachine(folder / "root");
    StepClock pppdClock;
    PppdDialUpService pppd(folder / "root", &pppdClock);
    // Both sources during NetworkManager's call, whose pppd is in the process table; one reads as ticks
    // follow each other, one as far apart as makes the pppd side read afresh every time.
    MachineDialUpService machine(QDBusConnection::systemBus(), folder / "root");
    StepClock machineClock;
    MachineDialUpService machineRereading(QDBusConnection::systemBus(), folder / "root", &machineClock);
    for (DialUpService* both : {&machine, &machineRereading})
        if (!WaitFor(*both)) {
            std::fprintf(stderr, "the machine's lines never showed the call once\n");
            return 1;
        }

    SimulatedLine line(folder / "line");
    line.Edit([](SimulatedLineState& state) {
        state.Add("Orvane Dial", true).Traffic = {150000000, 2000000};
        return true;
    });
    // As the platform composes them: the machine's lines first, the simulated line after.
    CombinedDialUpService combinedManager({&networkManager});
    SimulatedLine demoLine(folder / "demo-line");
    demoLine.Edit([](SimulatedLineState& state) {
        state.Add("Demo", true).Traffic = {150000000, 2000000};
        return true;
    });
    CombinedDialUpService combinedSimulated({&networkManager, &demoLine});

    benchmark::RegisterBenchmark("Tick/NetworkManagerMirror",
                                 [&](benchmark::State& state) { Tick(state, networkManager); });
    // Read afresh each time, as one tick a second apart from the last would.
    benchmark::RegisterBenchmark("Tick/PppdFakeRoot",
                                 [&](benchmark::State& state) { Tick(state, pppd, &pppdClock, 1.0); });
    // A first reading of this machine: it searches the whole process table, as after a process started.
    benchmark::RegisterBenchmark("Search/PppdThisMachine", [](benchmark::State& state) {
        for (auto _ : state) {
            PppdDialUpService fresh("/");
            benchmark::DoNotOptimize(fresh.Links());
        }
    });
    benchmark::RegisterBenchmark("Tick/SimulatedLine", [&](benchmark::State& state) { Tick(state, line); });
    benchmark::RegisterBenchmark("ReadTraffic/CombinedNetworkManagerMirror",
                                 [&](benchmark::State& state) { ReadCounters(state, combinedManager); });
    benchmark::RegisterBenchmark("ReadTraffic/CombinedSimulatedLine",
                                 [&](benchmark::State& state) { ReadCounters(state, combinedSimulated); });
    // Whole ticks during a call, to compare the sources where it counts.
    Program program;
    benchmark::RegisterBenchmark("WholeTick/NetworkManagerMirror", [&](benchmark::State& state) {
        TickDuringCall(state, program, networkManager);
    });
    benchmark::RegisterBenchmark("WholeTick/NetworkManagerAndPppd",
                                 [&](benchmark::State& state) { TickDuringCall(state, program, machine); });
    benchmark::RegisterBenchmark(
        "WholeTick/NetworkManagerAndPppdRereadEveryTick", [&](benchmark::State& state) {
            TickDuringCall(state, program, machineRereading, [&] { machineClock.Advance(1.0); });
        });
    benchmark::RegisterBenchmark("WholeTick/SimulatedLine",
                                 [&](benchmark::State& state) { TickDuringCall(state, program, line); });
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
