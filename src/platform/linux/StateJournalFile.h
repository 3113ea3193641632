#pragma once

#include "engine/SessionJournal.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A profile's session journal in $XDG_STATE_HOME/tallydial (or where a run could write it when that
// folder couldn't be written), readable by the user only. A lock
// beside it, held for the whole run, tells a journal of a copy that still runs from one left by a
// copy that has ended.
class StateJournalFile final : public JournalFile {
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

    struct Claimed {
        std::unique_ptr<StateJournalFile> File; // nothing when no folder can be used or the profile is held
        std::optional<std::string> Notice;      // for the user: the first folder could not be used
    };
    // The journal in the first of `folders` that can be written, so that a folder gone read-only
    // doesn't leave the run without one. A journal left further down by such a run is claimed where
    // it is, to be recovered and removed there; so is one that moved down while a run went on,
    // when the copy it left behind could not be removed. A folder that stops taking the journal
    // later in the run gives way to the next one that does.
    static Claimed ClaimWhereWritable(const std::vector<std::filesystem::path>& folders,
                                      const std::string& profile, double waitSeconds);

    ~StateJournalFile() override;
    StateJournalFile(const StateJournalFile&) = delete;
    StateJournalFile& operator=(const StateJournalFile&) = delete;

    const std::filesystem::path& File() const { return m_file; }
    // Told once, with the message for the user, when the journal moves to another folder or can't
    // be written anywhere any more.
    void OnNotice(std::function<void(const std::string&)> notify) { m_notify = std::move(notify); }

    std::optional<std::string> Read() override;
    bool Write(const std::string& text) override;
    bool Remove() override;
    std::optional<std::string> SetAside() override;

private:
    StateJournalFile(std::filesystem::path file, int lock) : m_file(std::move(file)), m_lock(lock) {}
    bool WriteHere(const std::string& text);
    // After a write that the journal's folder refused: the journal goes on in the next folder
    // that takes it.
    bool MoveOn(const std::string& text);
    void Tell(const std::string& notice);

    std::filesystem::path m_file;
    int m_lock;
    std::string m_profile;
    std::vector<std::filesystem::path> m_standIns; // the folders below this one, in order
    std::function<void(const std::string&)> m_notify;
    bool m_told = false;
};
