#include "platform/linux/PppdDialUpService.h"

#include "settings/PlainText.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <iterator>
#include <map>
#include <string_view>
#include <sys/types.h>
#include <unistd.h>

namespace {

constexpr unsigned long InterfaceUp = 0x1;
constexpr unsigned long InterfaceRunning = 0x40;
constexpr std::string_view Whitespace = " \t\r\n";

// Files here are tiny; the cap keeps a hostile or odd file from costing a tick. A short read is the end
// of these files, which saves the second read that would only say so.
bool ReadSmallFile(const std::filesystem::path& path, std::string& text, std::size_t limit = 4096) {
    text.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
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
    std::string Tty; // the device's own name, without its folder
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

} // namespace

PppdDialUpService::PppdDialUpService(std::filesystem::path root) : m_root(std::move(root)) {}

bool PppdDialUpService::ReadLinks(std::vector<Link>& links) const {
    links.clear();
    const std::filesystem::path run = m_root / "run";
    std::error_code error;
    std::filesystem::directory_iterator entries(run, error);
    if (error) return false;

    // pppd writes /run/pppN.pid once its unit exists and /run/ppp-LINKNAME.pid (pid, then the unit's
    // interface) when it has a link name; both name the same process.
    std::map<int, PidFileFacts> running;
    std::string text;
    // Incremented by hand: the range-for form throws when a step fails.
    for (; entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::filesystem::directory_entry& entry = *entries;
        const std::string name = entry.path().filename().string();
        if (name.size() < 8 || name.compare(0, 3, "ppp") != 0 ||
            name.compare(name.size() - 4, 4, ".pid") != 0)
            continue;
        const std::string_view stem = std::string_view(name).substr(3, name.size() - 7);
        const bool unitFile = IsAllDigits(stem);
        const bool linkFile = stem.size() > 1 && stem.front() == '-';
        if (!unitFile && !linkFile) continue;
        if (!ReadSmallFile(entry.path(), text, 256)) continue;
        std::string_view rest;
        const int pid = ParsePid(FirstLine(text, &rest));
        if (pid <= 0) continue;
        PidFileFacts& facts = running[pid];
        if (unitFile) {
            if (facts.Interface.empty()) facts.Interface = "ppp" + std::string(stem);
        } else {
            facts.LinkName = std::string(stem.substr(1));
            const std::string_view unit = Trim(FirstLine(rest), Whitespace);
            if (IsInterfaceName(unit)) facts.Interface = std::string(unit);
        }
    }

    if (error) return false;

    const std::filesystem::path proc = m_root / "proc";
    for (const auto& [pid, facts] : running) {
        // A pid file outlives a crashed pppd and its pid may have gone to another program since.
        const std::filesystem::path process = proc / std::to_string(pid);
        if (!ReadSmallFile(process / "comm", text, 64) || Trim(text, Whitespace) != "pppd") continue;
        if (!ReadSmallFile(process / "cmdline", text) || text.empty()) continue;

        std::vector<std::string> words;
        for (std::string_view rest = text; !rest.empty();) {
            const auto end = rest.find('\0');
            words.emplace_back(rest.substr(0, end));
            rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        }
        if (!words.empty()) words.erase(words.begin()); // the program itself

        PppdOptions options;
        ScanOptions(words, options);
        // "call" reads the peer's options file; pon and most set-ups keep demand and the tty there.
        if (IsPlainName(options.Peer) && ReadSmallFile(m_root / "etc/ppp/peers" / options.Peer, text, 16384))
            ScanOptions(OptionWords(text), options);

        Link link;
        link.Pid = pid;
        link.Interface = facts.Interface;
        if (!options.Peer.empty())
            link.EntryName = options.Peer;
        else if (!options.LinkName.empty())
            link.EntryName = options.LinkName;
        else if (!facts.LinkName.empty())
            link.EntryName = facts.LinkName;
        else if (!options.Tty.empty())
            link.EntryName = options.Tty;
        else if (!facts.Interface.empty())
            link.EntryName = facts.Interface;
        else
            link.EntryName = "pppd";

        if (options.Demand) {
            // Under demand the interface is up while pppd waits for traffic; the line is in use only
            // while pppd holds the lock of its tty.
            if (!IsPlainName(options.Tty) ||
                !ReadSmallFile(m_root / "run/lock" / ("LCK.." + options.Tty), text, 64) ||
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
        links.push_back(std::move(link));
    }
    return true;
}

bool PppdDialUpService::EstablishedFlag() {
    std::vector<Link> links;
    if (!ReadLinks(links)) return false;
    return std::any_of(links.begin(), links.end(), [](const Link& link) { return link.Established; });
}

bool PppdDialUpService::EnumConnections(std::vector<DialUpConnection>& connections) {
    std::vector<Link> links;
    if (!ReadLinks(links)) return false;
    for (const Link& link : links)
        connections.push_back({static_cast<std::uint64_t>(link.Pid), link.EntryName});
    return true;
}

bool PppdDialUpService::HangUp(std::uint64_t handle) {
    if (handle == 0 || handle > 999999999) return false;
    const int pid = static_cast<int>(handle);
    // Only a process that is still pppd: its pid may have been handed on since the last listing.
    std::string comm;
    if (!ReadSmallFile(m_root / "proc" / std::to_string(pid) / "comm", comm, 64) ||
        Trim(comm, Whitespace) != "pppd")
        return false;
    return ::kill(static_cast<pid_t>(pid), SIGTERM) == 0;
}
