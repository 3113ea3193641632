#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct Engine;

// The call that was running when the journal was written, with its figures of that moment.
struct JournalCall {
    double StartDate = 0; // the start as its log record shows it: local date and time of day
    double StartTime = 0;
    double Time = 0; // seconds so far
    double Cost = 0; // phone cost so far, the minimum charge included
    std::string Connection;
    // Bytes so far; none in a journal written before they were counted.
    std::uint64_t Received = 0;
    std::uint64_t Sent = 0;

    bool operator==(const JournalCall&) const = default;
};

// What this run has added to the totals, and the running call: enough to finish the session as
// the exit save would have when the program ends without one. Never the totals themselves, so a
// journal can only add to what the store holds, and only once: the store keeps the name of the
// last session it folded in.
struct JournalState {
    std::string Profile;
    std::string Session;     // names this session in the store's mark once it is folded in
    double Written = 0;      // the moment it was taken, UTC seconds
    double FreeTimeLeft = 0; // at the session's start
    bool AlarmSounded = false;
    std::int16_t CurrentRate = 0;
    double SessionTimeBanked = 0; // the calls this session has ended
    double SessionMoneyBanked = 0;
    // Folded into this run's totals by a session reset or a recovery that the store then refused:
    // added with the session, the provider's charge already in the money.
    double CarriedTime = 0;
    double CarriedMoney = 0;
    // Bytes: the session's ended calls, of which those before a renewal of the allowance, and bytes
    // carried as the time and money are. None in a journal written before they were counted.
    double SessionData = 0;
    double SessionDataBeforeRenewal = 0;
    double CarriedData = 0;
    std::optional<JournalCall> Call;

    bool operator==(const JournalState&) const = default;
};

// The journal's text: a line per value, numbers with a decimal point whatever the locale.
std::string FormatJournal(const JournalState& state);
// Nothing unless the text is a whole journal: a journal cut short or damaged is no journal.
std::optional<JournalState> ParseJournal(std::string_view text);

// A journal of the first form, written by the release before this one: it held the totals
// themselves, with the session and the running call in it, and its instant in local time.
struct FirstJournal {
    JournalState State;        // its session named after its text; no instant yet, nothing carried
    double WrittenLocal = 0;   // a date serial
    double CumulativeTime = 0; // the totals the session started from
    double CumulativeMoney = 0;
    double LastReset = 0;
};
std::optional<FirstJournal> ParseFirstJournal(std::string_view text);

// Where one profile's journal is kept. The platform hands it out only to the one running copy
// of the program that uses the profile.
class JournalFile {
public:
    virtual ~JournalFile() = default;
    // The journal's text; nothing when there is none or it can't be read.
    virtual std::optional<std::string> Read() = 0;
    // Replaces the journal whole: a reader finds either the old text or the new one.
    virtual bool Write(const std::string& text) = 0;
    virtual bool Remove() = 0;
    // Moves the journal out of the way, kept whole; says where it went.
    virtual std::optional<std::string> SetAside() = 0;
};

// Keeps a profile's journal current while the program runs, so that a crash or a power cut loses
// at most a few seconds of what the session has counted.
class SessionJournal {
public:
    // A running call is written at least this often.
    static constexpr double kCallInterval = 10;

    explicit SessionJournal(JournalFile& file);

    JournalFile& File() { return m_file; }
    // The state of the session and of the running call now.
    JournalState Take(Engine& engine) const;
    // The name of the session being journalled: the store's mark once the session is folded in.
    const std::string& Session() const { return m_session; }
    // Goes on with the session of that name (one the store has not folded in yet).
    void Continue(std::string session) { m_session = std::move(session); }
    void NewSession();
    // The session was folded into the totals: what follows is a new one when the store kept the
    // fold, else the fold's time and money stay in the journal to be added at the next start.
    void Folded(bool stored, double time, double money, double data = 0);
    // The totals were cleared: nothing folded before stays to be added. The month's data is no total.
    void Cleared() { m_carriedTime = m_carriedMoney = 0; }

    // Writes now, unless held or closed. Nothing is written before Open.
    void Write(Engine& engine);
    // Writes when anything but the running call's figures has changed, or the call's last write
    // is kCallInterval seconds old.
    void Keep(Engine& engine);
    // From here on the journal is kept.
    void Open(Engine& engine);
    // No more writes: the exit save has begun.
    void Stop() { m_open = false; }
    // After an exit save that stored everything.
    void Remove();

    // While the totals are being folded, model and session disagree for a moment: no write then.
    class Hold {
    public:
        explicit Hold(SessionJournal* journal) : m_journal(journal) {
            if (m_journal) ++m_journal->m_holds;
        }
        ~Hold() {
            if (m_journal) --m_journal->m_holds;
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        SessionJournal* m_journal;
    };

private:
    JournalFile& m_file;
    std::string m_session;
    double m_carriedTime = 0;
    double m_carriedMoney = 0;
    double m_carriedData = 0;
    bool m_open = false;
    int m_holds = 0;
    std::optional<JournalState> m_last; // without the call's figures, for Keep's comparison
    double m_lastWrite = 0;             // monotonic seconds
};
