#include "platform/linux/XdgAutostart.h"

#include "platform/linux/XdgPaths.h"
#include "settings/PlainText.h"

#include <fstream>
#include <system_error>
#include <unistd.h>

namespace {

std::string RunningExecutable() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("tallydial") : self.string();
}

} // namespace

XdgAutostart::XdgAutostart(std::filesystem::path folder, std::string programPath)
    : m_folder(std::move(folder)), m_programPath(std::move(programPath)) {}

XdgAutostart XdgAutostart::ForThisProgram() {
    return XdgAutostart(XdgPaths::ConfigHome() / "autostart", RunningExecutable());
}

std::string XdgAutostart::ExecValue(const std::string& program) {
    static constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string argument;
    if (program.find_first_of(reserved) == std::string::npos) {
        argument = program;
    } else {
        argument = "\"";
        for (char c : program) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') argument += '\\';
            argument += c;
        }
        argument += '"';
    }
    // Then the rules of every string value: '%' starts a field code, and backslashes escape.
    std::string value;
    for (char c : argument) {
        switch (c) {
        case '%':
            value += "%%";
            break;
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\r':
            value += "\\r";
            break;
        default:
            value += c;
        }
    }
    return value;
}

bool XdgAutostart::Apply(const std::string& value) {
    const std::string program(Trim(value, " \t"));
    std::error_code error;
    if (program.empty()) {
        std::filesystem::remove(EntryPath(), error);
        return !error;
    }
    std::filesystem::create_directories(m_folder, error);
    if (error) return false;
    // Written beside the entry and renamed over it, so a session never reads half an entry.
    const std::filesystem::path part = m_folder / ("tallydial.desktop." + std::to_string(getpid()));
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out << "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Tallydial\n"
               "Comment=Times dial-up calls and counts what they cost\n"
               "Exec="
            << ExecValue(program)
            << "\n"
               "Terminal=false\n"
               "X-GNOME-Autostart-enabled=true\n";
        out.flush();
        if (!out) {
            std::filesystem::remove(part, error);
            return false;
        }
    }
    std::filesystem::rename(part, EntryPath(), error);
    if (!error) return true;
    std::filesystem::remove(part, error);
    return false;
}
