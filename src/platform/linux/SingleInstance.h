#pragma once

#include "startup/InstanceGuard.h"

#include <filesystem>

// Every running copy holds a shared lock on one file in the runtime folder; a starting copy tests
// for it with an exclusive lock that it drops at once.
class SingleInstance final : public InstanceGuard {
public:
    // $XDG_RUNTIME_DIR/tallydial/instance.lock
    static std::filesystem::path DefaultFile();

    explicit SingleInstance(std::filesystem::path markerFile = DefaultFile());
    ~SingleInstance() override;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    const std::filesystem::path& File() const { return m_file; }
    bool OtherInstanceRunning() const override;
    // Held until this object goes or the process ends; not inherited by programs it starts.
    void Register() override;
    // Beside the lock file.
    std::string ShowRequestName() const override;

private:
    std::filesystem::path m_file;
    int m_fd = -1;
};
