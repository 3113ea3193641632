#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

// The file operations of the simulated line, one implementation per operating system.
namespace LineFile {

// Tells one version of the file from the next: its identity on the disk, size and time of change.
struct Stamp {
    std::uint64_t Volume = 0;
    std::uint64_t Index = 0;
    std::int64_t Size = 0;
    std::int64_t Modified = 0; // in the system's own units
    bool operator==(const Stamp&) const = default;
};

enum class Outcome { Done, Absent, Failed };

// The stamp of the file as it is now, without reading it.
Outcome StampOf(const std::filesystem::path& file, Stamp& stamp);
// At most `limit` bytes of the file, with the stamp of the very file read.
Outcome Read(const std::filesystem::path& file, std::size_t limit, std::string& text, Stamp& stamp);
// Writes a temporary file beside `file` and puts it in place in one step. The new file's time is made
// later than `older`'s: file times are coarse, and readers notice changes by them.
bool Replace(const std::filesystem::path& file, const std::string& text, const std::optional<Stamp>& older);
// Creates the folder when it is missing: nothing when it can be used, else why not.
std::optional<std::string> FolderProblem(const std::filesystem::path& folder);

// An exclusive lock on the line in `folder`, held while the object lives.
class FolderLock {
public:
    explicit FolderLock(const std::filesystem::path& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool Held() const { return m_held; }

private:
    std::intptr_t m_handle;
    bool m_held = false;
};

} // namespace LineFile
