#pragma once

#include "engine/Engine.h"

#include <cstdint>
#include <string>

// What the main window's commands need from the desktop besides the engine's view.
class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;
    // Starts the log viewer by its bare name, the program's own folder first; false when it can't.
    virtual bool StartLogViewer() = 0;
    // Starts a new copy of this program with `arguments` after its name; 0, or the error's number.
    virtual long StartOwnExecutable(const std::string& arguments) = 0;
    // Unloads the main window as the code does (UnloadMode 1): the closing question, then the unload.
    virtual void UnloadMainWindow() = 0;
    // Ends the program at once.
    virtual void EndProgram() = 0;
};

// Why the main window unloads.
namespace UnloadModes {
inline constexpr int CloseBox = 0;
inline constexpr int Code = 1;
inline constexpr int SessionEnding = 2; // the desktop session ends
inline constexpr int TaskManager = 3;   // ended from outside: SIGTERM, SIGINT, SIGHUP
} // namespace UnloadModes

enum class TrayClickAction { None, PopUpMenu };

inline constexpr const char* kCloseQuestion =
    "If you close Tallydial it will no longer be able to time Internet "
    "connections. Do you want to close Tallydial?";

// Stores what the exit saves of the session, all or nothing in one transaction: the rate in force,
// the cumulative totals, the last reset, the free time left, the alarm's state and, when given, the
// mark naming the session these totals now hold. False when nothing could be stored, or only for
// this run.
bool SaveSessionTotals(Engine& engine, const std::string& foldedSession = {});
// Whether the store's mark names `session` among the sessions its totals hold. Several are named, as
// a journal left in a folder that couldn't be cleared may turn up again after later sessions. An
// empty `session` is named by an empty or unreadable mark.
bool SessionFolded(const Engine& engine, const std::string& session);

// The main window's commands, without the window: start and stop by hand, the two resets, the tray
// click, changing profile and closing with the totals saved.
class MainWindowCommands {
public:
    MainWindowCommands(Engine& engine, MainWindowHost& host) : m_engine(engine), m_host(host) {}

    // Start or stop timing by hand; each sets the caption of its own control.
    void StartStop_Click();
    void mStartStop_Click();
    // Resets the session total, folding it into the cumulative total; a running call goes on as a
    // new call.
    void Command2_Click();
    // Resets the cumulative total, and on request the session's first.
    void Command3_Click();
    void hide_Click();
    void cmdLogViewer_Click();
    void cmdChangeProfile_Click();
    void mExit_Click() { m_host.UnloadMainWindow(); }
    // The left button shows the window; any other asks the form to pop the tray menu up. While a
    // prompt is open a click only beeps.
    TrayClickAction ZTray_Click(std::int16_t button);
    // True cancels the closing.
    bool Form_QueryUnload(int unloadMode);
    // Saves the totals, logs a running call, restarts into another profile if asked, and ends.
    void Form_Unload(int unloadMode);

    // The value of the cumulative reset's button: true while its handler runs.
    bool Command3Value() const { return m_command3Value; }

private:
    Engine& m_engine;
    MainWindowHost& m_host;
    bool m_command3Value = false;
};
