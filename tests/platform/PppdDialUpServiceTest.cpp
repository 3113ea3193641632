#include "platform/linux/PppdDialUpService.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr const char* UpAndRunning = "0x10d1";
constexpr const char* UpNotRunning = "0x1091";

// A machine's /run, /proc, /sys and /etc below a test folder, as pppd and the kernel lay them out.
class FakeMachine {
public:
    explicit FakeMachine(fs::path root) : m_root(std::move(root)) { fs::create_directories(m_root / "run"); }

    void Write(const fs::path& relative, const std::string& text) const {
        fs::create_directories((m_root / relative).parent_path());
        std::ofstream(m_root / relative, std::ios::binary) << text;
    }
    // A process whose arguments are given space-separated, as ps shows them.
    void Process(int pid, const std::string& arguments, const std::string& comm = "pppd") const {
        std::string cmdline;
        for (const char c : arguments)
            cmdline += c == ' ' ? '\0' : c;
        cmdline += '\0';
        const fs::path process = fs::path("proc") / std::to_string(pid);
        Write(process / "comm", comm + "\n");
        Write(process / "cmdline", cmdline);
    }
    void PidFile(const std::string& name, const std::string& text) const {
        Write(fs::path("run") / name, text);
    }
    void Interface(const std::string& name, const std::string& flags) const {
        Write(fs::path("sys/class/net") / name / "flags", flags + "\n");
    }
    const fs::path& Root() const { return m_root; }

private:
    fs::path m_root;
};

std::string Reading(DialUpService& service) {
    std::vector<DialUpConnection> connections;
    if (!service.EnumConnections(connections)) return "unreadable";
    std::string reading;
    for (const DialUpConnection& connection : connections)
        reading += (reading.empty() ? "" : ", ") + connection.EntryName;
    if (service.EstablishedFlag()) reading += " (established)";
    return reading;
}

struct Case {
    const char* Name;
    std::function<void(const FakeMachine&)> Lay;
    const char* Expected;
};

class PppdReading : public testing::TestWithParam<Case> {};

TEST_P(PppdReading, ListsAndEstablishes) {
    TempFolder folder;
    FakeMachine machine(folder.Path());
    GetParam().Lay(machine);
    PppdDialUpService service(machine.Root());
    EXPECT_EQ(Reading(service), GetParam().Expected);
}

const Case Cases[] = {
    {"DiallingIsListedByLinkName",
     [](const FakeMachine& m) {
         m.PidFile("ppp-orvane.pid", "1234\n");
         m.Process(1234, "/usr/sbin/pppd linkname orvane /dev/ttyS0 115200");
     },
     "orvane"},
    {"EstablishedOncePppInterfaceIsUpAndRunning",
     [](const FakeMachine& m) {
         m.PidFile("ppp0.pid", "1234\n");
         m.Process(1234, "/usr/sbin/pppd call provider");
         m.Interface("ppp0", UpAndRunning);
     },
     "provider (established)"},
    {"UpButNotRunningIsStillDialling",
     [](const FakeMachine& m) {
         m.PidFile("ppp0.pid", "1234\n");
         m.Process(1234, "/usr/sbin/pppd call provider");
         m.Interface("ppp0", UpNotRunning);
     },
     "provider"},
    {"BothPidFilesOfOnePppdListItOnce",
     [](const FakeMachine& m) {
         m.PidFile("ppp-orvane.pid", "1234\nppp3\n");
         m.PidFile("ppp3.pid", "1234\n");
         m.Process(1234, "pppd linkname orvane");
         m.Interface("ppp3", UpAndRunning);
     },
     "orvane (established)"},
    {"TtyNamesALinkWithoutPeer",
     [](const FakeMachine& m) {
         m.PidFile("ppp0.pid", "77\n");
         m.Process(77, "pppd /dev/ttyUSB0 115200 noauth defaultroute");
         m.Interface("ppp0", UpAndRunning);
     },
     "ttyUSB0 (established)"},
    {"TwoLinksLowestPidFirstNamedByPeerOverLinkName",
     [](const FakeMachine& m) {
         m.PidFile("ppp0.pid", "2000\n");
         m.Process(2000, "pppd call work");
         m.Interface("ppp0", UpAndRunning);
         m.PidFile("ppp-office.pid", "1500\n");
         m.Process(1500, "pppd call home linkname office");
     },
     "home, work (established)"},
    {"StalePidFileOfDeadProcess", [](const FakeMachine& m) { m.PidFile("ppp0.pid", "4321\n"); }, ""},
    {"StalePidFileOfReusedPid",
     [](const FakeMachine& m) {
         m.PidFile("ppp0.pid", "4321\n");
         m.Process(4321, "/bin/bash", "bash");
         m.Interface("ppp0", UpAndRunning);
     },
     ""},
    {"UnreadableCmdline",
     [](const FakeMachine& m) {
         m.PidFile("ppp0.pid", "1234\n");
         m.Write("proc/1234/comm", "pppd\n");
         fs::create_directories(m.Root() / "proc/1234/cmdline"); // reading it fails
         m.Interface("ppp0", UpAndRunning);
     },
     ""},
    {"GarbagePidFiles",
     [](const FakeMachine& m) {
         m.PidFile("ppp0.pid", "abc\n");
         m.PidFile("ppp1.pid", "");
         m.PidFile("ppp2.pid", "-1234\n");
         m.PidFile("ppp3.pid", "99999999999999999999\n");
         m.PidFile("ppp-x.pid", "0\n");
         m.Process(1234, "pppd call provider");
     },
     ""},
    {"InterfaceGoneReadsNotEstablished",
     [](const FakeMachine& m) {
         m.PidFile("ppp0.pid", "1234\n");
         m.Process(1234, "pppd call provider");
     },
     "provider"},
    {"DemandWaitingForTrafficIsNoCall",
     [](const FakeMachine& m) {
         m.PidFile("ppp0.pid", "1234\n");
         m.Process(1234, "pppd call provider demand /dev/ttyS0");
         m.Interface("ppp0", UpAndRunning);
     },
     ""},
    {"DemandWhileItHoldsTheLine",
     [](const FakeMachine& m) {
         m.PidFile("ppp0.pid", "1234\n");
         m.Process(1234, "pppd call provider");
         m.Write("etc/ppp/peers/provider", "connect \"/usr/sbin/chat -f /etc/chatscripts/provider\"\n"
                                           "/dev/ttyS0\ndemand\n");
         m.Write("run/lock/LCK..ttyS0", "      1234\n");
         m.Interface("ppp0", UpAndRunning);
     },
     "provider (established)"},
};

INSTANTIATE_TEST_SUITE_P(Pppd, PppdReading, testing::ValuesIn(Cases),
                         [](const testing::TestParamInfo<Case>& row) { return row.param.Name; });

TEST(PppdDialUpService, NoPidFolderIsUnreadable) {
    TempFolder folder;
    PppdDialUpService service(folder.Path() / "nowhere");
    EXPECT_EQ(Reading(service), "unreadable");
}

// A stand-in pppd: a copy of sleep under that name, so that it is ours to signal.
class StandInPppd {
public:
    explicit StandInPppd(const fs::path& folder) {
        const fs::path program = folder / "pppd";
        fs::copy_file("/bin/sleep", program);
        std::string name = "pppd";
        std::string seconds = "60";
        char* argv[] = {name.data(), seconds.data(), nullptr};
        if (posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) m_pid = -1;
    }
    ~StandInPppd() {
        if (m_pid > 0 && ::kill(m_pid, SIGKILL) == 0) ::waitpid(m_pid, nullptr, 0);
    }
    // The signal that ended it, after waiting for its end.
    int EndSignal() {
        int status = 0;
        if (::waitpid(m_pid, &status, 0) != m_pid) return 0;
        m_pid = -1;
        return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
};

TEST(PppdDialUpService, HangUpSendsSigtermToTheListedPppd) {
    TempFolder folder;
    StandInPppd pppd(folder.Path());
    ASSERT_GT(pppd.Pid(), 0);
    FakeMachine machine(folder.Path() / "root");
    machine.PidFile("ppp0.pid", std::to_string(pppd.Pid()) + "\n");
    machine.Process(pppd.Pid(), "pppd call provider persist");
    PppdDialUpService service(machine.Root());

    std::vector<DialUpConnection> connections;
    ASSERT_TRUE(service.EnumConnections(connections));
    ASSERT_EQ(connections.size(), 1u);
    ASSERT_TRUE(service.HangUp(connections[0].Handle));
    EXPECT_EQ(pppd.EndSignal(), SIGTERM);
}

TEST(PppdDialUpService, HangUpLeavesAPidThatIsNoLongerPppd) {
    TempFolder folder;
    StandInPppd other(folder.Path());
    ASSERT_GT(other.Pid(), 0);
    FakeMachine machine(folder.Path() / "root");
    machine.Process(other.Pid(), "/bin/bash", "bash");
    PppdDialUpService service(machine.Root());

    EXPECT_FALSE(service.HangUp(static_cast<std::uint64_t>(other.Pid())));
    EXPECT_FALSE(service.HangUp(0));
    EXPECT_EQ(::kill(other.Pid(), 0), 0); // still running
}

} // namespace
