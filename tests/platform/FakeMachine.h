#pragma once

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

constexpr const char* UpAndRunning = "0x10d1";
constexpr const char* UpNotRunning = "0x1091";

// A machine's /run, /proc, /sys and /etc below a test folder, as pppd and the kernel lay them out.
class FakeMachine {
public:
    explicit FakeMachine(std::filesystem::path root) : m_root(std::move(root)) {
        std::filesystem::create_directories(m_root / "run");
        std::filesystem::create_directories(m_root / "proc");
    }

    const FakeMachine& Write(const std::filesystem::path& relative, const std::string& text) const {
        std::filesystem::create_directories((m_root / relative).parent_path());
        std::ofstream(m_root / relative, std::ios::binary) << text;
        return *this;
    }
    // A process whose arguments are given space-separated, as ps shows them.
    const FakeMachine& Process(int pid, const std::string& arguments, const std::string& comm = "pppd",
                               std::int64_t parent = 1) const {
        std::string cmdline;
        for (const char c : arguments)
            cmdline += c == ' ' ? '\0' : c;
        const std::filesystem::path process = std::filesystem::path("proc") / std::to_string(pid);
        const std::string stat = std::to_string(pid) + " (" + comm + ") S " + std::to_string(parent) +
                                 " 0 0 0 -1 4194560 0 0 0 0 0 0 0 0 20 0 1 0 " + std::to_string(1000 + pid) +
                                 " 0 0\n";
        return Write(process / "comm", comm + "\n")
            .Write(process / "cmdline", cmdline + '\0')
            .Write(process / "stat", stat);
    }
    const FakeMachine& PidFile(const std::string& name, const std::string& text) const {
        return Write(std::filesystem::path("run") / name, text);
    }
    // A pid file naming a running pppd with these arguments.
    const FakeMachine& Pppd(const std::string& pidFile, int pid, const std::string& arguments) const {
        return PidFile(pidFile, std::to_string(pid) + "\n").Process(pid, arguments);
    }
    const FakeMachine& Interface(const std::string& name, const std::string& flags) const {
        return Write(std::filesystem::path("sys/class/net") / name / "flags", flags + "\n");
    }
    // The interface's byte counters as the kernel shows them.
    const FakeMachine& Counters(const std::string& name, const std::string& received,
                                const std::string& sent) const {
        const std::filesystem::path statistics = std::filesystem::path("sys/class/net") / name / "statistics";
        return Write(statistics / "rx_bytes", received + "\n").Write(statistics / "tx_bytes", sent + "\n");
    }
    const std::filesystem::path& Root() const { return m_root; }

private:
    std::filesystem::path m_root;
};

// A stand-in for a pppd of the fake machine: a process that is ours to signal. The real machine must not
// take it for a pppd, as other tests and programs watch it meanwhile, so it keeps sleep's name.
class StandInPppd {
public:
    StandInPppd() {
        std::string name = "sleep";
        std::string seconds = "60";
        char* argv[] = {name.data(), seconds.data(), nullptr};
        if (posix_spawn(&m_pid, "/bin/sleep", nullptr, nullptr, argv, environ) != 0) m_pid = -1;
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
