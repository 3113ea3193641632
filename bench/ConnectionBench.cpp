#include "BenchProgram.h"
#include "platform/NetworkManagerMock.h"
#include "platform/linux/NetworkManagerDialUpService.h"
#include "platform/linux/PppdDialUpService.h"
#include "platform/sim/SimulatedLine.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// The connection reads of one tick: the established flag and the list with its names.
void Tick(benchmark::State& state, DialUpService& service) {
    for (auto _ : state) {
        bool established = service.EstablishedFlag();
        std::vector<DialUpConnection> connections;
        service.EnumConnections(connections);
        benchmark::DoNotOptimize(established);
        benchmark::DoNotOptimize(connections.data());
    }
}

void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// A machine with one established pppd link among the usual clutter of /run.
void LayPppdMachine(const fs::path& root) {
    for (int i = 0; i < 40; ++i)
        Write(root / "run" / ("service" + std::to_string(i) + ".pid"), "100\n");
    Write(root / "run/ppp0.pid", "4242\n");
    Write(root / "run/ppp-provider.pid", "4242\nppp0\n");
    Write(root / "proc/4242/comm", "pppd\n");
    Write(root / "proc/4242/cmdline", std::string("/usr/sbin/pppd\0call\0provider\0", 29));
    Write(root / "etc/ppp/peers/provider",
          "/dev/ttyUSB0\n115200\nnoauth\ndefaultroute\nconnect \"chat -f x\"\n");
    Write(root / "sys/class/net/ppp0/flags", "0x10d1\n");
}

bool WaitFor(NetworkManagerDialUpService& service) {
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
    PrivateSystemBus bus;
    if (!bus.StartedOrSaySo()) return 1;
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    std::string pattern = (fs::temp_directory_path() / "tallydial-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return 1;
    const fs::path folder = pattern;

    NetworkManagerMock mock(QString::fromStdString((folder / "mock.log").string()));
    if (!mock.Start()) {
        std::fprintf(stderr, "could not start the NetworkManager mock\n");
        return 1;
    }
    NetworkManagerDialUpService networkManager;
    const QString wifi = mock.AddDevice(QStringLiteral("wlan0"), NetworkManagerMock::DeviceTypeWifi,
                                        QStringLiteral("wlan0"), QStringLiteral("wlan0"));
    mock.SetActiveState(
        mock.AddDialUpConnection(QStringLiteral("Home"), QStringLiteral("802-11-wireless"), {}, {wifi}), 2);
    const QString modem = mock.AddDevice(QStringLiteral("modem0"), NetworkManagerMock::DeviceTypeModem,
                                         QStringLiteral("ttyUSB0"), QStringLiteral("ppp0"));
    mock.SetActiveState(
        mock.AddDialUpConnection(QStringLiteral("Orvane Dial"), QStringLiteral("gsm"), {}, {modem}), 2);
    if (!WaitFor(networkManager)) {
        std::fprintf(stderr, "the mirror never showed the call\n");
        return 1;
    }

    LayPppdMachine(folder / "root");
    PppdDialUpService pppd(folder / "root");

    SimulatedLine line(folder / "line");
    line.Edit([](SimulatedLineState& state) {
        state.Add("Orvane Dial", true);
        return true;
    });

    benchmark::RegisterBenchmark("Tick/NetworkManagerMirror", Tick, std::ref(networkManager));
    benchmark::RegisterBenchmark("Tick/PppdFakeRoot", Tick, std::ref(pppd));
    benchmark::RegisterBenchmark("Tick/SimulatedLine", Tick, std::ref(line));
    // Whole ticks during a call, to compare the sources where it counts.
    Program program;
    benchmark::RegisterBenchmark("WholeTick/NetworkManagerMirror", [&](benchmark::State& state) {
        TickDuringCall(state, program, networkManager);
    });
    benchmark::RegisterBenchmark("WholeTick/SimulatedLine",
                                 [&](benchmark::State& state) { TickDuringCall(state, program, line); });
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
