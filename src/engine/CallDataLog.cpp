#include "engine/CallDataLog.h"

#include <filesystem>

namespace {

// Only the end of the file is searched: the line of a call that a crash cut short was written last.
constexpr std::size_t kTailBytes = 1 << 20;

std::string Beside(const std::string& path, const char* name) {
    if (path.empty()) return {};
    return (std::filesystem::path(path).parent_path() / name).string();
}

std::string Key(double startDate, double startTime, const std::string& connection) {
    return FormatLogField(LogField::Date(startDate)) + "," + FormatLogField(LogField::Time(startTime)) + "," +
           FormatLogField(LogField::String(connection)) + ",";
}

} // namespace

std::string CallDataLine(double startDate, double startTime, const std::string& connection,
                         const LineTraffic& volume) {
    return Key(startDate, startTime, connection) + std::to_string(volume.Received) + "," +
           std::to_string(volume.Sent) + "\r\n";
}

std::string CallDataPath(const std::string& logPath) {
    return Beside(logPath, "log-data.dat");
}

std::string CallDataPendingPath(const std::string& logPendingPath) {
    return Beside(logPendingPath, "log-data-pending.dat");
}

LogAppend AppendCallData(Globals& g, double startDate, double startTime, const std::string& connection,
                         const LineTraffic& volume) {
    return AppendLogText(CallDataPath(g.LogFilePath), CallDataPendingPath(g.LogPendingPath),
                         CallDataLine(startDate, startTime, connection, volume), g.LogDataUnwritten);
}

bool CallDataLogged(const Globals& g, double startDate, double startTime, const std::string& connection) {
    const std::string key = Key(startDate, startTime, connection);
    const std::string text = "\n" + ReadLogTail(CallDataPath(g.LogFilePath), kTailBytes) + "\n" +
                             ReadLogTail(CallDataPendingPath(g.LogPendingPath), kTailBytes) +
                             g.LogDataUnwritten;
    return text.find("\n" + key) != std::string::npos;
}

bool MoveCallDataPending(const Globals& g) {
    return MovePendingIntoLog(CallDataPath(g.LogFilePath), CallDataPendingPath(g.LogPendingPath));
}
