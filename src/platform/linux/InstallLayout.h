#pragma once

#include <filesystem>
#include <string>

// Where the install rules put the program's companions, found from the program's own folder so
// that an installed tree works under any prefix (/usr, /usr/local, a DESTDIR).
namespace InstallLayout {
// <prefix>/share/tallydial beside the program's <prefix>/bin: the help lives there.
std::filesystem::path SharedFolder(const std::filesystem::path& programFolder);
// True when the program runs from an installed tree, that is its shared folder exists.
bool IsInstalled(const std::filesystem::path& programFolder);
// A companion program: beside the program first (a build or a copied folder), then in
// <prefix>/libexec/tallydial, kept off everybody's search path; empty when neither has it.
std::filesystem::path CompanionProgram(const std::filesystem::path& programFolder, const std::string& name);
// A library of the program's own, name.so: beside the program first, then in <prefix>/lib/tallydial;
// empty when neither has it.
std::filesystem::path CompanionLibrary(const std::filesystem::path& programFolder, const std::string& name);
// The program's folder as a companion sees it from its own: that folder when the program is
// beside it, else the <prefix>/bin of the installed tree.
std::filesystem::path ProgramFolderOf(const std::filesystem::path& companionFolder);
} // namespace InstallLayout
