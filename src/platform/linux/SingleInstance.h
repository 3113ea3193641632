#pragma once

#include <filesystem>

// Whether another copy of the program runs for this user. Every running copy holds a shared
// lock on one file in the runtime folder; a starting copy tests for it with an exclusive lock
// that it drops at once. The test never stops a copy from running beside another: a copy
// restarted by a profile switch registers while the old one is still closing.
class SingleInstance {
public:
    // $XDG_RUNTIME_DIR/tallydial/instance.lock
    static std::filesystem::path DefaultFile();

    explicit SingleInstance(std::filesystem::path markerFile = DefaultFile());
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    const std::filesystem::path& File() const { return m_file; }
    bool OtherInstanceRunning() const;
    // Held until this object goes or the process ends; not inherited by programs it starts.
    void Register();

private:
    std::filesystem::path m_file;
    int m_fd = -1;
};
