#include "platform/JournalInFolders.h"

#include <utility>

namespace {

bool Exists(const std::filesystem::path& file) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(file, error));
}

} // namespace

JournalInFolders::Claimed JournalInFolders::Claim(const std::vector<std::filesystem::path>& folders,
                                                  ClaimInFolder claim, double waitSeconds) {
    std::optional<std::string> firstProblem;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        std::optional<std::string> problem;
        std::unique_ptr<FolderJournal> claimed = claim(folders[i], waitSeconds, problem);
        if (!claimed && !problem) return {}; // another running copy holds the profile
        if (!claimed) {
            if (!firstProblem) firstProblem = problem;
            continue;
        }
        // A journal that a run before left in a folder further down, when this one couldn't be written,
        // is finished where it is: a move between folders could be cut in half by a crash.
        const bool here = Exists(claimed->File());
        std::size_t at = i;
        for (std::size_t j = i + 1; j < folders.size(); ++j) {
            if (!Exists(folders[j] / claimed->File().filename())) continue;
            std::optional<std::string> unused;
            auto there = claim(folders[j], 0, unused);
            if (!there) continue;
            if (here) {
                // The copy a run left here when its journal moved down mid-session: the one below
                // is the same session, later, and counting both would count it twice.
                const auto above = claimed->Read();
                const auto below = there->Read();
                const auto older = above ? ParseJournal(*above) : std::nullopt;
                const auto newer = below ? ParseJournal(*below) : std::nullopt;
                if (!older || !newer || older->Session.empty() || older->Session != newer->Session ||
                    newer->Written < older->Written || !claimed->Remove())
                    continue;
            }
            claimed = std::move(there);
            at = j;
            break;
        }
        std::vector<std::filesystem::path> standIns(folders.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                                                    folders.end());
        Claimed result{std::unique_ptr<JournalInFolders>(
                           new JournalInFolders(std::move(claim), std::move(claimed), std::move(standIns))),
                       std::nullopt};
        if (i > 0)
            result.Notice = *firstProblem + " Tallydial keeps its session journal in " +
                            result.File->File().parent_path().string() +
                            " instead, so an unexpected end still loses at most the last 10 seconds.";
        return result;
    }
    if (!firstProblem) return {};
    return {nullptr, *firstProblem + " Tallydial can't keep a session journal anywhere, so an unexpected end "
                                     "would lose what this session has counted."};
}

bool JournalInFolders::MoveOn(const std::string& text) {
    const std::filesystem::path folder = File().parent_path();
    while (!m_standIns.empty()) {
        const std::filesystem::path standIn = m_standIns.front();
        m_standIns.erase(m_standIns.begin());
        std::optional<std::string> problem;
        std::unique_ptr<FolderJournal> there = m_claim(standIn, 0, problem);
        // A journal there is another session's, left to be recovered.
        if (!there || Exists(there->File()) || !there->Write(text)) continue;
        // The copy left behind would be counted again at the next start if it can't go; one that
        // stays is known there as older than this one.
        m_here->Remove();
        m_left.push_back(std::exchange(m_here, std::move(there)));
        Tell("The folder " + folder.string() +
             " can't take the session journal any more. Tallydial keeps it in " +
             File().parent_path().string() +
             " instead, so an unexpected end still loses at most the last 10 seconds.");
        return true;
    }
    Tell("The session journal can't be written in " + folder.string() +
         " any more. An unexpected end would lose what this session counts from now on.");
    return false;
}

void JournalInFolders::Tell(const std::string& notice) {
    if (m_told) return;
    m_told = true;
    if (m_notify) m_notify(notice);
}
