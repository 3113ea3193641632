#include "platform/sim/LineCommand.h"

#include "settings/PlainText.h"

#include <algorithm>
#include <functional>
#include <optional>

namespace {
constexpr const char* kUsage =
    "usage: tallydial-line dial NAME | connect [NAME] | hangup [NAME] | traffic NAME RX TX | status\n"
    "  traffic sets the bytes received (RX) and sent (TX) that the connection's counters show; set them\n"
    "  lower than before to play a counter that wraps or starts again\n";

// The words from the second up to `end` words before the last.
std::string JoinName(const std::vector<std::string>& arguments, std::size_t end = 0) {
    std::string name;
    for (std::size_t i = 1; i + end < arguments.size(); ++i)
        name += (i > 1 ? " " : "") + arguments[i];
    return name;
}

// The file keeps one connection per line, so a name can't hold a line break.
bool UsableName(const std::string& name) {
    return !name.empty() && name.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

std::string Quoted(const std::string& name) {
    return "\"" + name + "\"";
}

const char* StateWord(const SimulatedConnection& connection) {
    return connection.Connected ? "connected" : "dialling";
}

int Status(SimulatedLine& line, std::ostream& out, std::ostream& err) {
    SimulatedLineState state;
    if (!line.Read(state)) {
        err << "tallydial-line: " << line.FolderProblem().value_or("cannot read " + line.File().string())
            << "\n";
        return kLineFileFailed;
    }
    if (state.Connections.empty()) out << "idle\n";
    for (const SimulatedConnection& connection : state.Connections) {
        out << connection.Name << ": " << StateWord(connection);
        if (connection.Traffic.Received != 0 || connection.Traffic.Sent != 0)
            out << ", " << connection.Traffic.Received << " received, " << connection.Traffic.Sent << " sent";
        out << "\n";
    }
    return kLineDone;
}

// Applies one change to the line; the change returns a refusal message, or nothing when it went through.
// A change that leaves the state as it was doesn't touch the file, so it doesn't create one either.
int Change(SimulatedLine& line, std::ostream& err,
           const std::function<std::optional<std::string>(SimulatedLineState&)>& change) {
    std::optional<std::string> refusal;
    const bool ok = line.Edit([&](SimulatedLineState& state) {
        const std::string before = FormatLineState(state);
        refusal = change(state);
        return !refusal && FormatLineState(state) != before;
    });
    if (!ok) {
        err << "tallydial-line: " << line.FolderProblem().value_or("cannot write " + line.File().string())
            << "\n";
        return kLineFileFailed;
    }
    if (refusal) {
        err << "tallydial-line: " << *refusal << "\n";
        return kLineRefused;
    }
    return kLineDone;
}
} // namespace

int RunLineCommand(const std::vector<std::string>& arguments, SimulatedLine& line, std::ostream& out,
                   std::ostream& err) {
    const std::string command = arguments.empty() ? std::string() : arguments.front();
    const bool traffic = command == "traffic";
    const std::string name = JoinName(arguments, traffic ? 2 : 0);

    if (command == "help" || command == "--help" || command == "-h") {
        out << kUsage;
        return kLineDone;
    }
    const bool takesName = command == "dial" || command == "connect" || command == "hangup";
    const bool nameRequired = command == "dial" || traffic;
    if (!takesName && !traffic && command != "status") {
        err << (command.empty() ? "" : "tallydial-line: unknown command " + Quoted(command) + "\n") << kUsage;
        return kLineUsage;
    }
    if ((command == "status" && arguments.size() > 1) || (nameRequired && name.empty())) {
        err << kUsage;
        return kLineUsage;
    }
    if (!name.empty() && !UsableName(name)) {
        err << "tallydial-line: a name can't contain a line break\n";
        return kLineUsage;
    }

    if (command == "status") return Status(line, out, err);

    if (traffic) {
        const auto received = NumberFrom<std::uint64_t>(arguments[arguments.size() - 2]);
        const auto sent = NumberFrom<std::uint64_t>(arguments.back());
        if (!received || !sent) {
            err << "tallydial-line: RX and TX are whole numbers of bytes, 0 to 18446744073709551615\n";
            return kLineUsage;
        }
        return Change(line, err, [&](SimulatedLineState& state) -> std::optional<std::string> {
            SimulatedConnection* known = state.Find(name);
            if (!known) return "no connection named " + Quoted(name);
            known->Traffic = {*received, *sent};
            return std::nullopt;
        });
    }

    if (command == "dial") {
        return Change(line, err, [&](SimulatedLineState& state) -> std::optional<std::string> {
            if (const SimulatedConnection* known = state.Find(name))
                return Quoted(name) + " is already " + StateWord(*known);
            state.Add(name, false);
            return std::nullopt;
        });
    }

    if (command == "connect") {
        return Change(line, err, [&](SimulatedLineState& state) -> std::optional<std::string> {
            if (name.empty()) {
                const auto dialling = std::find_if(state.Connections.begin(), state.Connections.end(),
                                                   [](const SimulatedConnection& c) { return !c.Connected; });
                if (dialling == state.Connections.end()) return "no connection is dialling";
                dialling->Connected = true;
                return std::nullopt;
            }
            SimulatedConnection* known = state.Find(name);
            if (known && known->Connected) return Quoted(name) + " is already connected";
            if (known)
                known->Connected = true;
            else
                state.Add(name, true);
            return std::nullopt;
        });
    }

    return Change(line, err, [&](SimulatedLineState& state) -> std::optional<std::string> {
        if (name.empty()) {
            state.Connections.clear();
            return std::nullopt;
        }
        if (!state.Find(name)) return "no connection named " + Quoted(name);
        std::erase_if(state.Connections, [&](const SimulatedConnection& c) { return c.Name == name; });
        return std::nullopt;
    });
}
