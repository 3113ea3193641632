#include "platform/linux/PppdDialUpService.h"
#include "platform/FakeMachine.h"
#include "support/FakeDialUpService.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

namespace fs = std::filesystem;

using Layout = std::function<void(const FakeMachine&)>;

// One pppd at ppp0 with these arguments; flags of ppp0, or none when the interface is gone.
Layout AtPpp0(std::string arguments, const char* flags) {
    return [arguments, flags](const FakeMachine& m) {
        m.Pppd("ppp0.pid", 1234, arguments);
        if (flags) m.Interface("ppp0", flags);
    };
}

// A layout, what the tick reads of it and, where given, the first link's counters.
struct Case {
    const char* Name;
    Layout Lay;
    const char* Expected;
    const char* Traffic = nullptr;
};

class PppdReading : public testing::TestWithParam<Case> {};

TEST_P(PppdReading, ListsEstablishesAndReadsTheLinksInterface) {
    TempFolder folder;
    FakeMachine machine(folder.Path());
    GetParam().Lay(machine);
    PppdDialUpService service(machine.Root());
    EXPECT_EQ(Reading(service), GetParam().Expected);
    if (!GetParam().Traffic) return;
    std::vector<DialUpConnection> connections;
    ASSERT_TRUE(service.EnumConnections(connections));
    ASSERT_FALSE(connections.empty());
    EXPECT_EQ(TrafficReading(service, connections[0].Handle), GetParam().Traffic);
}

const Case Cases[] = {
    {"EstablishedOncePppInterfaceIsUpAndRunningCountedOnThePppUnit",
     [](const FakeMachine& m) {
         AtPpp0("/usr/sbin/pppd call provider", UpAndRunning)(m);
         m.Counters("ppp0", "150000000", "2000000").Counters("ppp1", "1", "1");
     },
     "provider (established)", "150000000 in, 2000000 out"},
    {"UpButNotRunningIsStillDialling", AtPpp0("/usr/sbin/pppd call provider", UpNotRunning), "provider"},
    {"InterfaceGoneReadsNotEstablishedNorCounted", AtPpp0("pppd call provider", nullptr), "provider",
     "unreadable"},
    {"TtyNamesALinkWithoutPeer", AtPpp0("pppd /dev/ttyUSB0 115200 noauth defaultroute", UpAndRunning),
     "ttyUSB0 (established)"},
    {"BareTtyNamesALinkWithoutPeer", AtPpp0("pppd noauth ttyUSB1 115200", UpAndRunning),
     "ttyUSB1 (established)"},
    {"AnIfnameIsNoPeer",
     [](const FakeMachine& m) {
         m.Process(1234, "pppd ifname dsl0 /dev/ttyUSB0").Interface("dsl0", UpAndRunning);
     },
     "ttyUSB0 (established)"},
    {"DemandWaitingForTrafficIsNoCall", AtPpp0("pppd call provider demand /dev/ttyS0", UpAndRunning), ""},
    {"BothPidFilesOfOnePppdListItOnce",
     [](const FakeMachine& m) {
         m.Pppd("ppp-orvane.pid", 1234, "pppd linkname orvane")
             .PidFile("ppp3.pid", "1234\n")
             .Interface("ppp3", UpAndRunning);
     },
     "orvane (established)"},
    {"TwoLinksLowestPidFirstNamedByPeerOverLinkName",
     [](const FakeMachine& m) {
         m.Pppd("ppp0.pid", 2000, "pppd call work").Interface("ppp0", UpAndRunning);
         m.Pppd("ppp-office.pid", 1500, "pppd call home linkname office");
     },
     "home, work (established)"},
    {"PidFilesNamingNoReadablePppdAddNothing",
     [](const FakeMachine& m) {
         m.PidFile("ppp0.pid", "abc\n").PidFile("ppp1.pid", "").PidFile("ppp2.pid", "-1234\n");
         m.PidFile("ppp3.pid", "99999999999999999999\n")
             .PidFile("ppp-x.pid", "0\n")
             .PidFile("ppp4.pid", "4321\n");
         m.PidFile("ppp5.pid", "4322\n").Process(4322, "/bin/bash", "bash").Interface("ppp5", UpAndRunning);
         m.Pppd("ppp6.pid", 4323, "pppd call other").Interface("ppp6", UpAndRunning);
         fs::remove(m.Root() / "proc/4323/cmdline");
         fs::create_directories(m.Root() / "proc/4323/cmdline"); // reading it fails
         m.Process(1234, "pppd call provider");
     },
     "provider"},
    {"NoProcessTableIsUnreadable", [](const FakeMachine& m) { fs::remove_all(m.Root() / "proc"); },
     "unreadable"},
    {"AnIfnameThatIsNoInterfaceNameLeavesTheUnit",
     [](const FakeMachine& m) {
         m.Process(1234, "pppd call provider ifname ../ppp2 unit 2").Interface("ppp2", UpAndRunning);
     },
     "provider (established)"},
    {"IfnameNamesTheInterfaceBeforeAnyPidFileAndOverAUnit",
     [](const FakeMachine& m) {
         m.Process(1234, "pppd call provider ifname dsl0 unit 3")
             .Interface("dsl0", UpAndRunning)
             .Counters("dsl0", "7", "8")
             .Counters("ppp3", "1", "1");
     },
     "provider (established)", "7 in, 8 out"},
    {"CountedOnTheInterfaceTheLinkNamePidFileNames",
     [](const FakeMachine& m) {
         m.Pppd("ppp-orvane.pid", 1234, "pppd linkname orvane").PidFile("ppp-orvane.pid", "1234\nppp3\n");
         m.Counters("ppp3", "18446744073709551615", "0");
     },
     "orvane", "18446744073709551615 in, 0 out"},
    {"DiallingWithoutAnInterfaceIsNotCounted",
     [](const FakeMachine& m) { m.Process(1234, "pppd call provider").Counters("ppp0", "5", "5"); },
     "provider", "unreadable"},
    {"CounterThatIsNoNumberIsUnreadable",
     [](const FakeMachine& m) {
         AtPpp0("pppd call provider", UpAndRunning)(m);
         m.Counters("ppp0", "12", "-3");
     },
     "provider (established)", "unreadable"},
    {"DemandWhileItHoldsTheLine",
     [](const FakeMachine& m) {
         m.Pppd("ppp0.pid", 1234, "pppd call provider").Interface("ppp0", UpAndRunning);
         m.Write("etc/ppp/peers/provider", "connect \"/usr/sbin/chat -f /etc/chatscripts/provider\"\n"
                                           "/dev/ttyS0\ndemand\n");
         m.Write("run/lock/LCK..ttyS0", "      1234\n");
     },
     "provider (established)"},
    {"DemandAtTheEndOfALongPeersFileWaitingForTrafficIsNoCall",
     [](const FakeMachine& m) {
         m.Pppd("ppp0.pid", 1234, "pppd call provider").Interface("ppp0", UpAndRunning);
         // Past the first read of the file, and no line break at the end.
         m.Write("etc/ppp/peers/provider", "# " + std::string(5000, '-') + "\n/dev/ttyS0\ndemand");
     },
     ""},
};

INSTANTIATE_TEST_SUITE_P(Pppd, PppdReading, testing::ValuesIn(Cases), RowName());

// New pppd processes are searched for only after the process list changed, once a second at most; one that
// ends is gone at the next reading.
TEST(PppdDialUpService, SearchesTheProcessTableAfterAChangeOnceASecond) {
    TempFolder folder;
    const FakeMachine m(folder.Path());
    const auto newestPid = [&](int pid) {
        m.Write("proc/loadavg", "0.00 0.01 0.05 1/90 " + std::to_string(pid));
    };
    newestPid(500);
    m.Process(100, "/bin/sh /usr/bin/pon", "sh");
    FakeClock clock;
    PppdDialUpService service(m.Root(), &clock);
    ASSERT_EQ(Reading(service), "");

    struct Step {
        const char* What;
        std::function<void()> Change;
        double Later;
        const char* Expected;
    };
    const Step steps[] = {
        {"pon turning into pppd starts no process: no search", [&] { m.Process(100, "pppd call isp"); }, 1.5,
         ""},
        {"a process started: searched", [&] { newestPid(600); }, 0.5, "isp"},
        {"another pppd within the second: not yet", [&] { m.Process(200, "pppd call work"); }, 0.2, "isp"},
        {"the second is over", [] {}, 0.8, "isp, work"},
        {"a pppd ends: gone at once", [&] { fs::remove_all(m.Root() / "proc/100"); }, 0.2, "work"},
    };
    for (const Step& step : steps) {
        step.Change();
        clock.Advance(step.Later);
        EXPECT_EQ(Reading(service), step.Expected) << step.What;
    }
}

// Hang-up ends a listed pppd with SIGTERM (SIGHUP would redial under persist) and leaves other processes be.
TEST(PppdDialUpService, HangUpSendsSigtermToTheListedPppdOnly) {
    TempFolder folder;
    StandInPppd pppd;
    StandInPppd other;
    ASSERT_GT(pppd.Pid(), 0);
    ASSERT_GT(other.Pid(), 0);
    FakeMachine machine(folder.Path() / "root");
    machine.Pppd("ppp0.pid", pppd.Pid(), "pppd call provider persist")
        .Process(other.Pid(), "/bin/bash", "bash");
    PppdDialUpService service(machine.Root());

    std::vector<DialUpConnection> connections;
    ASSERT_TRUE(service.EnumConnections(connections));
    ASSERT_EQ(connections.size(), 1u);
    EXPECT_FALSE(service.HangUp(static_cast<std::uint64_t>(other.Pid())));
    EXPECT_FALSE(service.HangUp(0));
    ASSERT_TRUE(service.HangUp(connections[0].Handle));
    EXPECT_EQ(pppd.EndSignal(), SIGTERM);
    EXPECT_EQ(::kill(other.Pid(), 0), 0); // still running
}

} // namespace
