#pragma once

#include <QString>

class QWidget;

// The help window lives in a library of its own, built with the help engine, which the program
// loads the first time help is asked for: the program starts without the help engine's libraries.

// What a window asks of the help.
struct HelpRequest {
    // The program's name for its help, "tallyd.hlp".
    QString HelpFile;
    // The topic's context number; 0 for the contents.
    int Context = 0;
    QWidget* Asker = nullptr;
    // Where an installed program keeps its help.
    QString InstalledFolder;
};

// Opens the help window, or brings the open one forward, as the request says. Never throws.
using OpenHelpFunction = void (*)(const HelpRequest& request);

// The library's one entry point, by its name in the library and the library's own name.
inline constexpr char kOpenHelpSymbol[] = "TallydialOpenHelp";
inline constexpr char kHelpLibrary[] = "tallydial-help";

// The entry point itself, for a program that links the help window in.
void OpenHelpWindow(const HelpRequest& request) noexcept;
