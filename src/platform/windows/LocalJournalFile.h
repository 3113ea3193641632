#pragma once

#include "platform/JournalInFolders.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

// A profile's session journal in one folder, %LOCALAPPDATA%\Tallydial or a folder standing in for
// it. A lock beside it, held for the whole run, tells a journal of a copy that still runs from one
// left by a copy that has ended.
class LocalJournalFile final : public FolderJournal {
public:
    // The journal of `profile` in `folder`, claimed for this run. Nothing, with `problem` saying why,
    // when the folder can't be used; nothing with `problem` empty when another running copy still
    // holds the profile after `waitSeconds`.
    static std::unique_ptr<LocalJournalFile> Claim(const std::filesystem::path& folder,
                                                   const std::string& profile, double waitSeconds,
                                                   std::optional<std::string>& problem);

    ~LocalJournalFile() override;
    LocalJournalFile(const LocalJournalFile&) = delete;
    LocalJournalFile& operator=(const LocalJournalFile&) = delete;

    const std::filesystem::path& File() const override { return m_file; }
    std::optional<std::string> Read() override;
    bool Write(const std::string& text) override;
    bool Remove() override;
    std::optional<std::string> SetAside() override;

private:
    LocalJournalFile(std::filesystem::path file, void* lock) : m_file(std::move(file)), m_lock(lock) {}

    std::filesystem::path m_file;
    void* m_lock; // the lock file's handle
};
