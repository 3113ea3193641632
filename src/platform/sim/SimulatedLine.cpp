#include "platform/sim/SimulatedLine.h"

#include "platform/linux/WriteAll.h"
#include "platform/linux/XdgPaths.h"
#include "settings/PlainText.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {
// A real line file is a few lines; anything past this is garbage and not worth reading.
constexpr std::size_t kMaxFileSize = 64 * 1024;

// Closes a descriptor when leaving scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }
    bool Close() {
        const int fd = std::exchange(m_fd, -1);
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

enum class ReadOutcome { Read, Absent, Failed };

ReadOutcome ReadFile(const std::filesystem::path& file, std::string& text, struct stat& info) {
    Descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) return errno == ENOENT || errno == ENOTDIR ? ReadOutcome::Absent : ReadOutcome::Failed;
    if (::fstat(fd.Get(), &info) != 0) return ReadOutcome::Failed;
    text.assign(std::min<std::size_t>(static_cast<std::size_t>(info.st_size), kMaxFileSize), '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t got = ::read(fd.Get(), text.data() + done, text.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return ReadOutcome::Failed;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    text.resize(done);
    return ReadOutcome::Read;
}

bool Later(const std::timespec& a, const std::timespec& b) {
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

// Writes a temporary file beside the target and renames it over the target. The new file's time is
// made later than the old one's: file times are coarse, and readers notice changes by them.
bool ReplaceFile(const std::filesystem::path& file, const std::string& text,
                 const std::optional<std::timespec>& oldModified) {
    std::filesystem::path temporary = file;
    temporary += ".tmp-" + std::to_string(::getpid());
    Descriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (fd.Get() < 0) return false;
    bool ok = WriteAll(fd.Get(), text);
    struct stat info {};
    if (ok && oldModified && ::fstat(fd.Get(), &info) == 0 && !Later(info.st_mtim, *oldModified)) {
        std::timespec times[2] = {{0, UTIME_OMIT}, *oldModified};
        if (++times[1].tv_nsec == 1'000'000'000) {
            times[1].tv_nsec = 0;
            ++times[1].tv_sec;
        }
        ok = ::futimens(fd.Get(), times) == 0;
    }
    ok = fd.Close() && ok;
    if (ok) ok = ::rename(temporary.c_str(), file.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}
} // namespace

SimulatedConnection* SimulatedLineState::Find(std::string_view name) {
    const auto found = std::find_if(Connections.begin(), Connections.end(),
                                    [name](const SimulatedConnection& c) { return c.Name == name; });
    return found == Connections.end() ? nullptr : &*found;
}

SimulatedConnection& SimulatedLineState::Add(std::string name, bool connected) {
    Connections.push_back({NextHandle++, std::move(name), connected});
    return Connections.back();
}

std::string FormatLineState(const SimulatedLineState& state) {
    std::string text = "next " + std::to_string(state.NextHandle) + "\n";
    for (const SimulatedConnection& connection : state.Connections)
        text += std::to_string(connection.Handle) + (connection.Connected ? " connected " : " dialling ") +
                connection.Name + "\n";
    return text;
}

SimulatedLineState ParseLineState(std::string_view text) {
    SimulatedLineState state;
    std::uint64_t next = 1;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        // Carriage returns at the end are the line break of an editor, never part of a name.
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        if (line.starts_with("next ")) {
            if (const auto number = NumberFrom<std::uint64_t>(line.substr(5))) next = std::max(next, *number);
            continue;
        }
        const std::size_t space = line.find(' ');
        // The largest handle leaves no next one to hand out.
        const auto handle =
            space == std::string_view::npos ? std::nullopt : NumberFrom<std::uint64_t>(line.substr(0, space));
        if (!handle || *handle == 0 || *handle == std::numeric_limits<std::uint64_t>::max()) continue;
        const std::string_view rest = line.substr(space + 1);
        bool connected = false;
        if (rest.starts_with("connected "))
            connected = true;
        else if (!rest.starts_with("dialling "))
            continue;
        const std::string_view name = rest.substr(rest.find(' ') + 1);
        const bool seen = std::any_of(state.Connections.begin(), state.Connections.end(),
                                      [&](const SimulatedConnection& c) { return c.Handle == *handle; });
        if (name.empty() || name.find('\0') != std::string_view::npos || seen) continue;
        state.Connections.push_back({*handle, std::string(name), connected});
        next = std::max(next, *handle + 1);
    }
    state.NextHandle = next;
    return state;
}

bool SimulatedLine::FileKey::operator==(const FileKey& other) const {
    return Device == other.Device && Inode == other.Inode && Size == other.Size &&
           Modified.tv_sec == other.Modified.tv_sec && Modified.tv_nsec == other.Modified.tv_nsec;
}

std::filesystem::path SimulatedLine::DefaultFile() {
    return XdgPaths::RuntimeFolder() / "line";
}

SimulatedLine::SimulatedLine() : SimulatedLine(DefaultFile()) {}

SimulatedLine::SimulatedLine(std::filesystem::path file) : m_file(std::move(file)) {}

std::optional<std::string> SimulatedLine::FolderProblem() const {
    return XdgPaths::PrivateFolderProblem(m_file.parent_path());
}

bool SimulatedLine::Refresh() {
    struct stat info {};
    if (::stat(m_file.c_str(), &info) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) return false;
        m_key.reset();
        m_state = {};
        return true;
    }
    const FileKey key{info.st_dev, info.st_ino, info.st_size, info.st_mtim};
    if (m_key && *m_key == key) return true;
    if (FolderProblem()) return false;

    // The key is taken from the descriptor that is read, so a replacement in between can't pair new
    // text with an old key.
    std::string text;
    switch (ReadFile(m_file, text, info)) {
    case ReadOutcome::Failed:
        return false;
    case ReadOutcome::Absent:
        m_key.reset();
        m_state = {};
        return true;
    case ReadOutcome::Read:
        break;
    }
    m_key = FileKey{info.st_dev, info.st_ino, info.st_size, info.st_mtim};
    m_state = ParseLineState(text);
    return true;
}

bool SimulatedLine::Read(SimulatedLineState& state) {
    if (!Refresh()) return false;
    state = m_state;
    return true;
}

bool SimulatedLine::EstablishedFlag() {
    return Refresh() && std::any_of(m_state.Connections.begin(), m_state.Connections.end(),
                                    [](const SimulatedConnection& c) { return c.Connected; });
}

bool SimulatedLine::EnumConnections(std::vector<DialUpConnection>& connections) {
    connections.clear();
    if (!Refresh()) return false;
    for (const SimulatedConnection& connection : m_state.Connections)
        connections.push_back({connection.Handle, connection.Name});
    return true;
}

bool SimulatedLine::HangUp(std::uint64_t handle) {
    bool found = false;
    const bool written = Edit([&](SimulatedLineState& state) {
        const auto before = state.Connections.size();
        std::erase_if(state.Connections,
                      [handle](const SimulatedConnection& c) { return c.Handle == handle; });
        found = state.Connections.size() != before;
        return found;
    });
    return written && found;
}

bool SimulatedLine::Edit(const std::function<bool(SimulatedLineState&)>& change) {
    const std::filesystem::path folder = m_file.parent_path();
    if (FolderProblem()) return false;
    Descriptor lock(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (lock.Get() < 0 || ::flock(lock.Get(), LOCK_EX) != 0) return false;

    // Read afresh under the lock rather than trusting the cache.
    std::string text;
    struct stat info {};
    std::optional<std::timespec> oldModified;
    switch (ReadFile(m_file, text, info)) {
    case ReadOutcome::Failed:
        return false;
    case ReadOutcome::Absent:
        text.clear();
        break;
    case ReadOutcome::Read:
        oldModified = info.st_mtim;
        break;
    }
    SimulatedLineState state = ParseLineState(text);
    if (!change(state)) return true;
    m_key.reset();
    return ReplaceFile(m_file, FormatLineState(state), oldModified);
}
