#pragma once

#include "settings/Autostart.h"

#include <filesystem>
#include <string>

// Starting at logon the freedesktop way: a desktop entry "tallydial.desktop" in the autostart folder.
class XdgAutostart final : public Autostart {
public:
    // `folder` is the autostart folder; `programPath` the executable that the entry starts.
    XdgAutostart(std::filesystem::path folder, std::string programPath);
    // $XDG_CONFIG_HOME/autostart (~/.config/autostart when unset) and the running executable.
    static XdgAutostart ForThisProgram();

    std::string ProgramEntry() const override { return m_programPath; }
    bool Apply(const std::string& value) override;

    std::filesystem::path EntryPath() const { return m_folder / "tallydial.desktop"; }
    // The Exec line's value that starts `program` with no arguments, quoted as desktop entries require.
    static std::string ExecValue(const std::string& program);

private:
    std::filesystem::path m_folder;
    std::string m_programPath;
};
