#pragma once

#include "platform/JournalInFolders.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

// A profile's session journal in $XDG_STATE_HOME/tallydial (or where a run could write it when that
// folder couldn't be written), readable by the user only. A lock
// beside it, held for the whole run, tells a journal of a copy that still runs from one left by a
// copy that has ended.
class StateJournalFile final : public FolderJournal {
public:
    // The journal of `profile` in `folder`, claimed for this run. Nothing when the folder can't be
    // used, or when another running copy still holds the profile after `waitSeconds` (a copy that
    // is closing after a profile switch gives it up within moments).
    static std::unique_ptr<StateJournalFile> Claim(const std::filesystem::path& folder,
                                                   const std::string& profile, double waitSeconds);
    // The same, with why the folder can't be used; `problem` stays empty when another copy holds it.
    static std::unique_ptr<StateJournalFile> Claim(const std::filesystem::path& folder,
                                                   const std::string& profile, double waitSeconds,
                                                   std::optional<std::string>& problem);

    using Claimed = JournalInFolders::Claimed;

    ~StateJournalFile() override;
    StateJournalFile(const StateJournalFile&) = delete;
    StateJournalFile& operator=(const StateJournalFile&) = delete;

    const std::filesystem::path& File() const override { return m_file; }

    std::optional<std::string> Read() override;
    bool Write(const std::string& text) override;
    bool Remove() override;
    std::optional<std::string> SetAside() override;

private:
    StateJournalFile(std::filesystem::path file, int lock) : m_file(std::move(file)), m_lock(lock) {}
    std::filesystem::path m_file;
    int m_lock;
};
