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

    const FakeMachine& Write(const fs::path& relative, const std::string& text) const {
        fs::create_directories((m_root / relative).parent_path());
        std::ofstream(m_root / relative, std::ios::binary) << text;
        return *this;
    }
    // A process whose arguments are given space-separated, as ps shows them.
    const FakeMachine& Process(int pid, const std::string& arguments,
                               const std::string& comm = "pppd") const {
        std::string cmdline;
        for (const char c : arguments)
            cmdline += c == ' ' ? '\0' : c;
        const fs::path process = fs::path("proc") / std::to_string(pid);
        return Write(process / "comm", comm + "\n").Write(process / "cmdline", cmdline + '\0');
    }
    const FakeMachine& PidFile(const std::string& name, const std::string& text) const {
        return Write(fs::path("run") / name, text);
    }
    // A pid file naming a running pppd with these arguments.
    const FakeMachine& Pppd(const std::string& pidFile, int pid, const std::string& arguments) const {
        return PidFile(pidFile, std::to_string(pid) + "\n").Process(pid, arguments);
    }
    const FakeMachine& Interface(const std::string& name, const std::string& flags) const {
        return Write(fs::path("sys/class/net") / name / "flags", flags + "\n");
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

using Layout = std::function<void(const FakeMachine&)>;

// One pppd at ppp0 with these arguments; flags of ppp0, or none when the interface is gone.
Layout AtPpp0(std::string arguments, const char* flags) {
    return [arguments, flags](const FakeMachine& m) {
        m.Pppd("ppp0.pid", 1234, arguments);
        if (flags) m.Interface("ppp0", flags);
    };
}

struct Case {
    const char* Name;
    Layout Lay;
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
         m.Pppd("ppp-orvane.pid", 1234, "/usr/sbin/pppd linkname orvane /dev/ttyS0 115200");
     },
     "orvane"},
    {"EstablishedOncePppInterfaceIsUpAndRunning", AtPpp0("/usr/sbin/pppd call provider", UpAndRunning),
     "provider (established)"},
    {"UpButNotRunningIsStillDialling", AtPpp0("/usr/sbin/pppd call provider", UpNotRunning), "provider"},
    {"InterfaceGoneReadsNotEstablished", AtPpp0("pppd call provider", nullptr), "provider"},
    {"TtyNamesALinkWithoutPeer", AtPpp0("pppd /dev/ttyUSB0 115200 noauth defaultroute", UpAndRunning),
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
    {"StalePidFileOfDeadProcess", [](const FakeMachine& m) { m.PidFile("ppp0.pid", "4321\n"); }, ""},
    {"StalePidFileOfReusedPid",
     [](const FakeMachine& m) {
         m.PidFile("ppp0.pid", "4321\n").Process(4321, "/bin/bash", "bash").Interface("ppp0", UpAndRunning);
     },
     ""},
    {"UnreadableCmdline",
     [](const FakeMachine& m) {
         m.PidFile("ppp0.pid", "1234\n").Write("proc/1234/comm", "pppd\n").Interface("ppp0", UpAndRunning);
         fs::create_directories(m.Root() / "proc/1234/cmdline"); // reading it fails
     },
     ""},
    {"GarbagePidFiles",
     [](const FakeMachine& m) {
         m.PidFile("ppp0.pid", "abc\n").PidFile("ppp1.pid", "").PidFile("ppp2.pid", "-1234\n");
         m.PidFile("ppp3.pid", "99999999999999999999\n").PidFile("ppp-x.pid", "0\n");
         m.Process(1234, "pppd call provider");
     },
     ""},
    {"NoPidFolderIsUnreadable", [](const FakeMachine& m) { fs::remove_all(m.Root() / "run"); }, "unreadable"},
    {"DemandWhileItHoldsTheLine",
     [](const FakeMachine& m) {
         m.Pppd("ppp0.pid", 1234, "pppd call provider").Interface("ppp0", UpAndRunning);
         m.Write("etc/ppp/peers/provider", "connect \"/usr/sbin/chat -f /etc/chatscripts/provider\"\n"
                                           "/dev/ttyS0\ndemand\n");
         m.Write("run/lock/LCK..ttyS0", "      1234\n");
     },
     "provider (established)"},
};

INSTANTIATE_TEST_SUITE_P(Pppd, PppdReading, testing::ValuesIn(Cases),
                         [](const testing::TestParamInfo<Case>& row) { return row.param.Name; });

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

// Hang-up ends a listed pppd with SIGTERM (SIGHUP would redial under persist) and leaves other processes be.
TEST(PppdDialUpService, HangUpSendsSigtermToTheListedPppdOnly) {
    TempFolder folder;
    fs::create_directory(folder.Path() / "other");
    StandInPppd pppd(folder.Path());
    StandInPppd other(folder.Path() / "other");
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
