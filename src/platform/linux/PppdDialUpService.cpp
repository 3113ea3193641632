#include "platform/linux/PppdDialUpService.h"

#include "settings/Clock.h"
#include "settings/PlainText.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <iterator>
#include <map>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

constexpr unsigned long InterfaceUp = 0x1;
constexpr unsigned long InterfaceRunning = 0x40;
constexpr std::string_view Whitespace = " \t\r\n";

// Files here are tiny; the cap keeps a hostile or odd file from costing a tick. A short read is the end
// of these files, which saves the second read that would only say so.
// `folder` is an open folder that `path` is relative to, or AT_FDCWD.
bool ReadSmallFileAt(int folder, const char* path, std::string& text, std::size_t limit = 4096) {
    text.clear();
    const int fd = ::openat(folder, path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    std::array<char, 4096> buffer{};
    bool ok = true;
    while (text.size() < limit) {
        const std::size_t wanted = std::min(buffer.size(), limit - text.size());
        const ssize_t got = ::read(fd, buffer.data(), wanted);
        if (got < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        text.append(buffer.data(), static_cast<std::size_t>(got));
        if (static_cast<std::size_t>(got) < wanted) break;
    }
    ::close(fd);
    return ok;
}

bool ReadSmallFile(const std::filesystem::path& path, std::string& text, std::size_t limit = 4096) {
    return ReadSmallFileAt(AT_FDCWD, path.c_str(), text, limit);
}

std::string_view FirstLine(std::string_view text, std::string_view* rest = nullptr) {
    const auto end = text.find('\n');
    if (rest) *rest = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    return text.substr(0, end);
}

int ParsePid(std::string_view text) {
    text = Trim(text, Whitespace);
    if (text.empty() || text.size() > 9) return 0;
    int pid = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return 0;
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

// A kernel interface name: what pppd writes and what may be joined to a /sys path.
bool IsInterfaceName(std::string_view name) {
    return !name.empty() && name.size() < 16 && name != "." && name != ".." &&
           name.find_first_of("/ \t\r\n") == std::string_view::npos;
}

// A peer or tty name that may be joined to a path without leaving its folder.
bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

bool IsAllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Options whose next word is their value and never a device.
// clang-format off
constexpr std::string_view ValueOptions[] = {
    "call", "file", "linkname", "connect", "disconnect", "init", "welcome", "user", "password", "remotename",
    "name", "mtu", "mru", "ipparam", "plugin", "logfile", "pty", "socket", "idle", "holdoff", "maxfail",
    "lcp-echo-interval", "lcp-echo-failure", "lcp-restart", "lcp-max-configure", "asyncmap", "escape",
    "domain", "ms-dns", "ms-wins", "netmask", "unit", "ifname", "record", "active-filter", "pass-filter",
    "connect-delay", "child-timeout", "remotenumber"};
// clang-format on

bool TakesValue(std::string_view option) {
    return std::find(std::begin(ValueOptions), std::end(ValueOptions), option) != std::end(ValueOptions);
}

// Splits an options file the way pppd reads it: words, "quoted strings", # comments.
std::vector<std::string> OptionWords(std::string_view text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (c == '#') {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else {
            std::string word;
            bool quoted = false;
            while (i < text.size()) {
                const char d = text[i];
                if (d == '"') {
                    quoted = !quoted;
                } else if (d == '\\' && i + 1 < text.size()) {
                    word += text[++i];
                } else if (!quoted && (d == ' ' || d == '\t' || d == '\r' || d == '\n')) {
                    break;
                } else {
                    word += d;
                }
                ++i;
            }
            words.push_back(std::move(word));
        }
    }
    return words;
}

struct PppdOptions {
    std::string Peer;
    std::string LinkName;
    std::string Tty;       // the device's own name, without its folder
    std::string Interface; // from "ifname" or "unit"
    bool Demand = false;
};

void ScanOptions(const std::vector<std::string>& words, PppdOptions& options) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (TakesValue(word)) {
            if (i + 1 >= words.size()) break;
            const std::string& value = words[++i];
            if (word == "call" && options.Peer.empty()) options.Peer = value;
            if (word == "linkname" && options.LinkName.empty()) options.LinkName = value;
            if (word == "ifname" && options.Interface.empty() && IsInterfaceName(value))
                options.Interface = value;
            if (word == "unit" && options.Interface.empty() && IsAllDigits(value) && value.size() < 6)
                options.Interface = "ppp" + value;
        } else if (word == "demand") {
            options.Demand = true;
        } else if (options.Tty.empty() && word.rfind("/dev/", 0) == 0 && word.back() != '/') {
            // pppd names the lock of /dev/serial/by-id/x after x alone.
            options.Tty = word.substr(word.rfind('/') + 1);
        } else if (options.Tty.empty() && (word.rfind("tty", 0) == 0 || word.rfind("rfcomm", 0) == 0) &&
                   IsPlainName(word)) {
            options.Tty = word;
        }
    }
}

// What the pid files of one running pppd say.
struct PidFileFacts {
    std::string Interface;
    std::string LinkName;
};

// The fields of /proc/PID/stat that tell a process: its name, its parent and when it started.
struct ProcessStat {
    std::string Comm;
    int ParentPid = 0;
    std::string StartTime;
};

bool ReadProcessStat(const std::filesystem::path& proc, int pid, ProcessStat& stat) {
    std::string text;
    if (!ReadSmallFile(proc / std::to_string(pid) / "stat", text, 1024)) return false;
    // The name sits in parentheses and may itself hold spaces and parentheses.
    const auto open = text.find('(');
    const auto close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) return false;
    stat.Comm = text.substr(open + 1, close - open - 1);
    std::vector<std::string_view> fields; // from the state on
    std::string_view rest = std::string_view(text).substr(close + 1);
    while (!rest.empty() && fields.size() < 20) {
        rest = rest.substr(std::min(rest.size(), rest.find_first_not_of(Whitespace)));
        const auto end = rest.find_first_of(Whitespace);
        if (!rest.empty()) fields.push_back(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end);
    }
    stat.ParentPid = fields.size() > 1 ? ParsePid(fields[1]) : 0;
    stat.StartTime = fields.size() > 19 ? std::string(fields[19]) : std::string();
    return true;
}

// A counter of /sys/class/net/IF/statistics: decimal, a line break after it.
bool ReadCounter(const std::filesystem::path& file, std::string& text, std::uint64_t& value) {
    if (!ReadSmallFile(file, text, 64)) return false;
    const auto number = NumberFrom<std::uint64_t>(Trim(text, Whitespace));
    if (!number) return false;
    value = *number;
    return true;
}

const Clock& MachineClock() {
    static const SystemClock clock;
    return clock;
}

// Reads within this time belong to one tick and share one look at the process list.
constexpr double SameTick = 0.1;
// Longest time a reading is kept, and shortest time between two searches of the whole process table.
constexpr double LongestKept = 1.0;

} // namespace

PppdDialUpService::PppdDialUpService(std::filesystem::path root, const Clock* clock)
    : m_root(std::move(root)), m_clock(clock ? *clock : MachineClock()) {}

PppdDialUpService::ListMark PppdDialUpService::ReadListMark() const {
    ListMark mark;
    // The kernel counts processes (not threads) in the links of /proc, and the last field of loadavg is
    // the newest pid handed out: a start or an end changes one of them.
    struct stat proc {};
    if (::stat((m_root / "proc").c_str(), &proc) == 0) mark.Count = proc.st_nlink;
    std::string text;
    if (ReadSmallFile(m_root / "proc/loadavg", text, 256)) {
        const std::string_view line = Trim(FirstLine(text), Whitespace);
        mark.NewestPid = std::string(line.substr(std::min(line.size(), line.rfind(' ') + 1)));
    }
    return mark;
}

bool PppdDialUpService::ScanProcessTable() {
    const std::filesystem::path proc = m_root / "proc";
    DIR* folder = ::opendir(proc.c_str());
    if (!folder) return false;
    std::vector<int> running;
    std::string comm;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (!IsAllDigits(name)) continue;
        const int pid = ParsePid(name);
        if (pid <= 0) continue;
        const std::string file = std::string(name) + "/comm";
        if (ReadSmallFileAt(::dirfd(folder), file.c_str(), comm, 64) && Trim(comm, Whitespace) == "pppd")
            running.push_back(pid);
    }
    ::closedir(folder);
    std::sort(running.begin(), running.end());
    for (auto it = m_processes.begin(); it != m_processes.end();)
        it = std::binary_search(running.begin(), running.end(), it->first) ? std::next(it)
                                                                           : m_processes.erase(it);
    for (const int pid : running)
        if (!m_processes.count(pid)) Learn(pid);
    return true;
}

bool PppdDialUpService::Learn(int pid) {
    const std::filesystem::path proc = m_root / "proc";
    ProcessStat stat;
    if (!ReadProcessStat(proc, pid, stat) || stat.Comm != "pppd") return false;
    std::string text;
    if (!ReadSmallFile(proc / std::to_string(pid) / "cmdline", text) || text.empty()) return false;

    std::vector<std::string> words;
    for (std::string_view rest = text; !rest.empty();) {
        const auto end = rest.find('\0');
        words.emplace_back(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    }
    if (!words.empty()) words.erase(words.begin()); // the program itself

    PppdOptions options;
    ScanOptions(words, options);
    // "call" reads the peer's options file; pon and most set-ups keep demand and the tty there. pppd
    // reads it once at its start, and so do we.
    if (IsPlainName(options.Peer) && ReadSmallFile(m_root / "etc/ppp/peers" / options.Peer, text, 16384))
        ScanOptions(OptionWords(text), options);

    Process& process = m_processes[pid];
    process.StartTime = stat.StartTime;
    process.ParentPid = stat.ParentPid;
    process.Peer = options.Peer;
    process.LinkName = options.LinkName;
    process.Tty = options.Tty;
    process.Interface = options.Interface;
    process.Demand = options.Demand;
    return true;
}

void PppdDialUpService::ReadLinks() {
    m_links.clear();
    // pppd writes /run/pppN.pid once its unit exists and /run/ppp-LINKNAME.pid (pid, then the unit's
    // interface) when it has a link name; both name the same process. Without /run there are none.
    std::map<int, PidFileFacts> pidFiles;
    std::string text;
    if (DIR* run = ::opendir((m_root / "run").c_str())) {
        while (const dirent* entry = ::readdir(run)) {
            const std::string_view name = entry->d_name;
            if (name.size() < 8 || name.substr(0, 3) != "ppp" || name.substr(name.size() - 4) != ".pid")
                continue;
            const std::string_view stem = name.substr(3, name.size() - 7);
            const bool unitFile = IsAllDigits(stem);
            const bool linkFile = stem.size() > 1 && stem.front() == '-';
            if (!unitFile && !linkFile) continue;
            if (!ReadSmallFileAt(::dirfd(run), entry->d_name, text, 256)) continue;
            std::string_view rest;
            const int pid = ParsePid(FirstLine(text, &rest));
            if (pid <= 0) continue;
            PidFileFacts& facts = pidFiles[pid];
            if (unitFile) {
                if (facts.Interface.empty()) facts.Interface = "ppp" + std::string(stem);
            } else {
                facts.LinkName = std::string(stem.substr(1));
                const std::string_view unit = Trim(FirstLine(rest), Whitespace);
                if (IsInterfaceName(unit)) facts.Interface = std::string(unit);
            }
        }
        ::closedir(run);
    }
    // A pid file shows a new pppd before the next search of the process table does.
    for (const auto& [pid, facts] : pidFiles)
        if (!m_processes.count(pid)) Learn(pid);

    const std::filesystem::path proc = m_root / "proc";
    for (auto it = m_processes.begin(); it != m_processes.end();) {
        const int pid = it->first;
        const Process& process = it->second;
        // A pid file outlives a crashed pppd, and a pid may have gone to another program since.
        ProcessStat stat;
        if (!ReadProcessStat(proc, pid, stat) || stat.Comm != "pppd" || stat.StartTime != process.StartTime) {
            it = m_processes.erase(it);
            continue;
        }
        ++it;
        const auto pidFile = pidFiles.find(pid);
        const PidFileFacts facts = pidFile != pidFiles.end() ? pidFile->second : PidFileFacts{};

        Link link;
        link.Pid = pid;
        link.ParentPid = stat.ParentPid;
        link.Interface = !facts.Interface.empty() ? facts.Interface : process.Interface;
        link.Tty = process.Tty;
        for (const std::string* name : std::initializer_list<const std::string*>{
                 &process.Peer, &process.LinkName, &facts.LinkName, &process.Tty, &link.Interface}) {
            if (name->empty()) continue;
            link.EntryName = *name;
            break;
        }
        if (link.EntryName.empty()) link.EntryName = "pppd";

        if (process.Demand) {
            // Under demand the interface is up while pppd waits for traffic; the line is in use only
            // while pppd holds the lock of its tty.
            if (!IsPlainName(process.Tty) ||
                !ReadSmallFile(m_root / "run/lock" / ("LCK.." + process.Tty), text, 64) ||
                ParsePid(text) != pid)
                continue;
        }

        if (IsInterfaceName(link.Interface) &&
            ReadSmallFile(m_root / "sys/class/net" / link.Interface / "flags", text, 64)) {
            const std::string flagsText(Trim(text, Whitespace));
            char* end = nullptr;
            const unsigned long flags = std::strtoul(flagsText.c_str(), &end, 16);
            const bool parsed = !flagsText.empty() && end && *end == '\0';
            link.Established =
                parsed && (flags & (InterfaceUp | InterfaceRunning)) == (InterfaceUp | InterfaceRunning);
        }
        m_links.push_back(std::move(link));
    }
}

const std::vector<PppdDialUpService::Link>* PppdDialUpService::Links() {
    const double now = m_clock.MonotonicSeconds();
    const auto within = [now](double since, double span) { return now >= since && now - since < span; };
    if (m_read && within(m_markReadAt, SameTick)) return m_readable ? &m_links : nullptr;
    const ListMark mark = ReadListMark();
    m_markReadAt = now;
    // A search reads every process's name: only after a change, and once a second at most. A pppd that a
    // script became by exec starts no process, but it starts its connect script as it dials.
    const bool searchDue =
        !m_read || ((mark != m_scannedMark || !m_readable) && !within(m_scannedAt, LongestKept));
    if (m_read && !searchDue && mark == m_mark && within(m_readAt, LongestKept))
        return m_readable ? &m_links : nullptr;

    if (searchDue) {
        m_readable = ScanProcessTable();
        m_scannedMark = mark;
        m_scannedAt = now;
    }
    m_read = true;
    m_mark = mark;
    m_readAt = now;
    ++m_readings;
    if (m_readable) ReadLinks();
    return m_readable ? &m_links : nullptr;
}

bool PppdDialUpService::EstablishedFlag() {
    const std::vector<Link>* links = Links();
    return links &&
           std::any_of(links->begin(), links->end(), [](const Link& link) { return link.Established; });
}

bool PppdDialUpService::EnumConnections(std::vector<DialUpConnection>& connections) {
    const std::vector<Link>* links = Links();
    if (!links) return false;
    for (const Link& link : *links)
        connections.push_back({static_cast<std::uint64_t>(link.Pid), link.EntryName});
    return true;
}

bool PppdDialUpService::HangUp(std::uint64_t handle) {
    if (handle == 0 || handle > 999999999) return false;
    const int pid = static_cast<int>(handle);
    // Only a process that is still pppd: its pid may have been handed on since the last listing.
    ProcessStat stat;
    if (!ReadProcessStat(m_root / "proc", pid, stat) || stat.Comm != "pppd") return false;
    return ::kill(static_cast<pid_t>(pid), SIGTERM) == 0;
}

bool PppdDialUpService::ReadTraffic(std::uint64_t handle, LineTraffic& counters) {
    const std::vector<Link>* links = Links();
    if (!links) return false;
    const auto link = std::find_if(links->begin(), links->end(), [handle](const Link& l) {
        return static_cast<std::uint64_t>(l.Pid) == handle;
    });
    if (link == links->end() || !IsInterfaceName(link->Interface)) return false;
    // A line whose interface has gone counts nothing more: no reading rather than a zero.
    const std::filesystem::path statistics = m_root / "sys/class/net" / link->Interface / "statistics";
    std::string text;
    LineTraffic read;
    if (!ReadCounter(statistics / "rx_bytes", text, read.Received) ||
        !ReadCounter(statistics / "tx_bytes", text, read.Sent))
        return false;
    counters = read;
    return true;
}
