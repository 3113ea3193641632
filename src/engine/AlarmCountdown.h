#pragma once

#include "connection/DialUpService.h"
#include "settings/Clock.h"
#include "settings/Globals.h"
#include "settings/Settings.h"

#include <string>

// What the disconnection countdown window does, apart from showing it: the seconds left, the
// hang-up when they run out, and the user's three ways out. The window mirrors this state after
// every event, so the countdown can be driven by a fake clock without a window.
class AlarmCountdown {
public:
    // What "Don't Disconnect" switches off for good: the alarm's hang-up, or the data allowance's.
    enum class For { Alarm, DataAllowance };

    AlarmCountdown(Globals& globals, const Settings& settings, const Clock& clock, DialUpService& line,
                   For reason = For::Alarm);

    const std::string& Message() const { return m_globals.AlarmMessage; }

    // The window's load: the countdown runs from this moment.
    void Start();
    // One firing of the window's 50 ms timer.
    void Timer1_Timer();
    void chkDontDisconnect_Click(bool checked);
    void cmdDisconnectNow_Click();
    // The window closes after this one as after "Disconnect Now".
    void cmdStayConnected_Click();

    // The text of `lblSecondsToDiscon`.
    const std::string& SecondsText() const { return m_secondsText; }
    // The caption of `cmdStayConnected`: "OK" once the line has been hung up.
    std::string StayConnectedCaption() const { return m_done ? "OK" : "Don't Disconnect"; }
    bool Done() const { return m_done; }
    bool DisconnectNowEnabled() const { return !m_done && !m_dontDisconnect; }
    bool DontDisconnectEnabled() const { return !m_done; }

private:
    void HangUp();

    Globals& m_globals;
    const Settings& m_settings;
    const Clock& m_clock;
    DialUpService& m_line;
    For m_reason;
    // Monotonic seconds at the window's load, so the count runs on over midnight and ignores
    // changes of the wall clock.
    double m_startTimer = 0;
    bool m_dontDisconnect = false;
    bool m_done = false;
    std::string m_secondsText = "00";
};
