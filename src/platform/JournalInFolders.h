#pragma once

#include "engine/SessionJournal.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A profile's session journal in one folder, claimed for this run by a lock beside it: what each
// system provides. Its writes go to that folder alone.
class FolderJournal : public JournalFile {
public:
    virtual const std::filesystem::path& File() const = 0;
};

// Claims the journal in `folder`, waiting `waitSeconds` at most for a copy that still holds it.
// Nothing, with `problem` saying why, when the folder can't be used; nothing with `problem` empty
// when another running copy holds the profile.
using ClaimInFolder = std::function<std::unique_ptr<FolderJournal>(
    const std::filesystem::path& folder, double waitSeconds, std::optional<std::string>& problem)>;

// The journal in the first of a list of folders that can be written, so that a folder that can't be
// doesn't leave the run without one. A journal left further down by such a run is claimed where it
// is, to be recovered and removed there; so is one that moved down while a run went on, when the
// copy it left behind could not be removed. A folder that stops taking the journal later in the run
// gives way to the next one that does.
class JournalInFolders final : public JournalFile {
public:
    struct Claimed {
        std::unique_ptr<JournalInFolders> File; // nothing when no folder can be used or the profile is held
        std::optional<std::string> Notice;      // for the user: the first folder could not be used
    };
    static Claimed Claim(const std::vector<std::filesystem::path>& folders, ClaimInFolder claim,
                         double waitSeconds);
    // The same, with a system's `Journal::Claim(folder, profile, waitSeconds, problem)` in each folder.
    template <typename Journal>
    static Claimed ClaimWhereWritable(const std::vector<std::filesystem::path>& folders,
                                      const std::string& profile, double waitSeconds) {
        return Claim(
            folders,
            [profile](const std::filesystem::path& folder, double wait, std::optional<std::string>& problem) {
                return std::unique_ptr<FolderJournal>(Journal::Claim(folder, profile, wait, problem));
            },
            waitSeconds);
    }

    const std::filesystem::path& File() const { return m_here->File(); }
    // Told once, with the message for the user, when the journal moves to another folder or can't
    // be written anywhere any more.
    void OnNotice(std::function<void(const std::string&)> notify) { m_notify = std::move(notify); }

    std::optional<std::string> Read() override { return m_here->Read(); }
    bool Write(const std::string& text) override { return m_here->Write(text) || MoveOn(text); }
    bool Remove() override { return m_here->Remove(); }
    std::optional<std::string> SetAside() override { return m_here->SetAside(); }

private:
    JournalInFolders(ClaimInFolder claim, std::unique_ptr<FolderJournal> here,
                     std::vector<std::filesystem::path> standIns)
        : m_claim(std::move(claim)), m_here(std::move(here)), m_standIns(std::move(standIns)) {}
    // After a write that the journal's folder refused: the journal goes on in the next folder
    // that takes it.
    bool MoveOn(const std::string& text);
    void Tell(const std::string& notice);

    ClaimInFolder m_claim;
    std::unique_ptr<FolderJournal> m_here;
    // The folders the journal left, still locked so that no other copy takes the profile there.
    std::vector<std::unique_ptr<FolderJournal>> m_left;
    std::vector<std::filesystem::path> m_standIns; // the folders below this one, in order
    std::function<void(const std::string&)> m_notify;
    bool m_told = false;
};
