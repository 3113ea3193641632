#include "engine/SessionJournal.h"

#include "engine/CallData.h"
#include "engine/CallFigures.h"
#include "engine/Engine.h"
#include "engine/Tick.h"
#include "engine/Values.h"
#include "settings/PlainText.h"
#include "settings/RunTimeError.h"
#include "settings/Settings.h"
#include "settings/SettingsTable.h"

#include <array>
#include <charconv>
#include <cmath>
#include <map>
#include <random>

namespace {

constexpr std::string_view kHeader = "tallydial-journal 2";
constexpr std::string_view kFirstHeader = "tallydial-journal 1";
constexpr std::string_view kEnd = "end";

std::string Number(double value) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

// Line breaks and backslashes are escaped, so a name is always one line.
std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::optional<std::string> Unescaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return out;
}

class Fields {
public:
    bool Add(std::string_view key, std::string_view value) {
        return m_values.emplace(std::string(key), std::string(value)).second;
    }
    bool Has(const char* key) const { return m_values.count(key) != 0; }
    bool Text(const char* key, std::string& out) const {
        const auto found = m_values.find(key);
        if (found == m_values.end()) return false;
        auto text = Unescaped(found->second);
        if (!text) return false;
        out = std::move(*text);
        return true;
    }
    bool Real(const char* key, double& out) const {
        const auto found = m_values.find(key);
        if (found == m_values.end()) return false;
        const auto number = NumberFrom<double>(found->second);
        if (!number || !(std::fabs(*number) <= kLargestAmount)) return false;
        out = *number;
        return true;
    }
    // Values added after the journal's first release: absent, they keep their default. Bytes are never
    // negative, nor beyond the amounts' bound.
    bool OptionalVolume(const char* key, double& out) const {
        double volume = 0;
        if (!Has(key)) return true;
        if (!Real(key, volume) || volume < 0) return false;
        out = volume;
        return true;
    }
    bool OptionalBytes(const char* key, std::uint64_t& out) const {
        const auto found = m_values.find(key);
        if (found == m_values.end()) return true;
        const auto number = NumberFrom<std::uint64_t>(found->second);
        if (!number || *number > kMostCallBytes) return false;
        out = *number;
        return true;
    }
    bool Flag(const char* key, bool& out) const {
        const auto found = m_values.find(key);
        if (found == m_values.end() || (found->second != "0" && found->second != "1")) return false;
        out = found->second == "1";
        return true;
    }
    // Seconds since 1970: beyond the amounts' bound, and never negative.
    bool Instant(const char* key, double& out) const {
        const auto found = m_values.find(key);
        if (found == m_values.end()) return false;
        const auto number = NumberFrom<double>(found->second);
        if (!number || !(*number >= 0 && *number < 1e11)) return false;
        out = *number;
        return true;
    }
    bool Whole(const char* key, std::int16_t& out) const {
        const auto found = m_values.find(key);
        if (found == m_values.end()) return false;
        const auto number = NumberFrom<std::int16_t>(found->second);
        if (number) out = *number;
        return number.has_value();
    }

private:
    std::map<std::string, std::string, std::less<>> m_values;
};

// The state without what changes by itself during a call.
JournalState Settled(JournalState state) {
    state.Written = 0;
    if (state.Call) {
        state.Call->Time = 0;
        state.Call->Cost = 0;
        state.Call->Received = 0;
        state.Call->Sent = 0;
    }
    return state;
}

} // namespace

std::string FormatJournal(const JournalState& s) {
    std::string out;
    const auto line = [&out](const char* key, const std::string& value) {
        out += key;
        out += ' ';
        out += value;
        out += '\n';
    };
    out += kHeader;
    out += '\n';
    line("profile", Escaped(s.Profile));
    line("session", Escaped(s.Session));
    line("written-utc", Number(s.Written));
    line("free-time-left", Number(s.FreeTimeLeft));
    line("alarm-sounded", s.AlarmSounded ? "1" : "0");
    line("current-rate", std::to_string(s.CurrentRate));
    line("session-time", Number(s.SessionTimeBanked));
    line("session-money", Number(s.SessionMoneyBanked));
    line("carried-time", Number(s.CarriedTime));
    line("carried-money", Number(s.CarriedMoney));
    line("session-data", Number(s.SessionData));
    line("session-data-before-renewal", Number(s.SessionDataBeforeRenewal));
    line("carried-data", Number(s.CarriedData));
    if (s.Call) {
        line("call-start-date", Number(s.Call->StartDate));
        line("call-start-time", Number(s.Call->StartTime));
        line("call-time", Number(s.Call->Time));
        line("call-cost", Number(s.Call->Cost));
        line("call-connection", Escaped(s.Call->Connection));
        line("call-received", std::to_string(s.Call->Received));
        line("call-sent", std::to_string(s.Call->Sent));
    }
    out += kEnd;
    out += '\n';
    return out;
}

namespace {

// The journal's lines after its header, up to its end mark; nothing when cut short or damaged.
std::optional<Fields> ReadFields(std::string_view text, std::string_view header) {
    const auto nextLine = [&text]() -> std::optional<std::string_view> {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return std::nullopt; // cut short
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        return line;
    };
    if (nextLine() != header) return std::nullopt;
    Fields fields;
    for (;;) {
        const auto line = nextLine();
        if (!line) return std::nullopt;
        if (*line == kEnd) break;
        const std::size_t space = line->find(' ');
        if (space == std::string_view::npos || !fields.Add(line->substr(0, space), line->substr(space + 1)))
            return std::nullopt;
    }
    if (!text.empty()) return std::nullopt;
    return fields;
}

bool ReadCall(const Fields& fields, JournalState& s) {
    if (!fields.Has("call-start-date")) return true;
    JournalCall call;
    if (!fields.Real("call-start-date", call.StartDate) || !fields.Real("call-start-time", call.StartTime) ||
        !fields.Real("call-time", call.Time) || !fields.Real("call-cost", call.Cost) ||
        !fields.Text("call-connection", call.Connection) ||
        !fields.OptionalBytes("call-received", call.Received) ||
        !fields.OptionalBytes("call-sent", call.Sent))
        return false;
    s.Call = std::move(call);
    return true;
}

} // namespace

std::optional<JournalState> ParseJournal(std::string_view text) {
    const auto fields = ReadFields(text, kHeader);
    if (!fields) return std::nullopt;
    JournalState s;
    if (!fields->Text("profile", s.Profile) || !fields->Text("session", s.Session) ||
        !fields->Instant("written-utc", s.Written) || !fields->Real("free-time-left", s.FreeTimeLeft) ||
        !fields->Flag("alarm-sounded", s.AlarmSounded) || !fields->Whole("current-rate", s.CurrentRate) ||
        !fields->Real("session-time", s.SessionTimeBanked) ||
        !fields->Real("session-money", s.SessionMoneyBanked) ||
        !fields->Real("carried-time", s.CarriedTime) || !fields->Real("carried-money", s.CarriedMoney) ||
        !fields->OptionalVolume("session-data", s.SessionData) ||
        !fields->OptionalVolume("session-data-before-renewal", s.SessionDataBeforeRenewal) ||
        !fields->OptionalVolume("carried-data", s.CarriedData) || !ReadCall(*fields, s))
        return std::nullopt;
    return s;
}

std::optional<FirstJournal> ParseFirstJournal(std::string_view text) {
    const auto fields = ReadFields(text, kFirstHeader);
    if (!fields) return std::nullopt;
    FirstJournal j;
    JournalState& s = j.State;
    if (!fields->Text("profile", s.Profile) || !fields->Real("written", j.WrittenLocal) ||
        !fields->Real("cumulative-time", j.CumulativeTime) ||
        !fields->Real("cumulative-money", j.CumulativeMoney) || !fields->Real("last-reset", j.LastReset) ||
        !fields->Real("free-time-left", s.FreeTimeLeft) || !fields->Flag("alarm-sounded", s.AlarmSounded) ||
        !fields->Whole("current-rate", s.CurrentRate) || !fields->Real("session-time", s.SessionTimeBanked) ||
        !fields->Real("session-money", s.SessionMoneyBanked) || !ReadCall(*fields, s))
        return std::nullopt;
    // No session name of its own: one from its text, the same at every start, for the store's mark.
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    std::array<char, 16> digits{};
    const auto done = std::to_chars(digits.data(), digits.data() + digits.size(), hash, 16);
    s.Session = "first-" + std::string(digits.data(), done.ptr);
    return j;
}

SessionJournal::SessionJournal(JournalFile& file) : m_file(file) {
    NewSession();
}

void SessionJournal::NewSession() {
    // Unique enough that two runs, or two sessions of one run, never share a name.
    std::random_device random;
    std::string name;
    for (int i = 0; i < 4; ++i) {
        std::array<char, 16> part{};
        const auto done = std::to_chars(part.data(), part.data() + part.size(), random() & 0xFFFFFFFFu, 16);
        name.append(8 - static_cast<std::size_t>(done.ptr - part.data()), '0');
        name.append(part.data(), done.ptr);
    }
    m_session = name;
}

void SessionJournal::Folded(bool stored, double time, double money, double data) {
    if (stored) {
        Cleared();
        m_carriedData = 0;
        NewSession();
        return;
    }
    m_carriedTime += time;
    m_carriedMoney += money;
    m_carriedData += data;
}

JournalState SessionJournal::Take(Engine& e) const {
    Globals& g = e.G;
    // A call whose line was seen down while a window held the tick ended then.
    const double clock = TickClock(e);
    JournalState s;
    try {
        s.Profile = g.Profiles.CurrentName();
    } catch (const RunTimeError&) {
    }
    s.Session = m_session;
    s.Written = e.Time.UtcSeconds();
    s.FreeTimeLeft = g.FreeTimeLeft;
    s.AlarmSounded = g.AlarmSounded;
    s.CurrentRate = g.CurrentRate;
    s.SessionTimeBanked = g.SessionTimeBanked;
    s.SessionMoneyBanked = g.SessionMoneyBanked;
    s.CarriedTime = m_carriedTime;
    s.CarriedMoney = m_carriedMoney;
    s.SessionData = g.SessionDataBanked;
    s.SessionDataBeforeRenewal = g.SessionDataBeforeRenewal;
    s.CarriedData = m_carriedData;
    if (g.InCall) {
        const LineTraffic volume = CallVolume(e);
        s.Call = JournalCall{g.CallStartDate,  g.CallStartTime, CallTime(g, clock), CallCost(g, clock),
                             g.ConnectionName, volume.Received, volume.Sent};
    }
    return s;
}

void SessionJournal::Write(Engine& e) {
    if (!m_open || m_holds > 0) return;
    const JournalState state = Take(e);
    m_last = Settled(state);
    m_lastWrite = e.Time.MonotonicSeconds();
    // A journal that can't be written costs only the safety net; the program goes on. The file may
    // move to another folder, and says so itself.
    m_file.Write(FormatJournal(state));
    // A settings file deleted during a long call is written again now, not at the call's end.
    e.Store.Store().Follow();
}

void SessionJournal::Keep(Engine& e) {
    if (!m_open || m_holds > 0) return;
    const bool due = e.G.InCall && e.Time.MonotonicSeconds() - m_lastWrite >= kCallInterval;
    if (!due && m_last && Settled(Take(e)) == *m_last) return;
    Write(e);
}

void SessionJournal::Open(Engine& e) {
    m_open = true;
    Write(e);
}

void SessionJournal::Remove() {
    m_open = false;
    m_file.Remove();
}
