#include "engine/AlarmCountdown.h"

#include "connection/DUNStuff.h"
#include "settings/SettingsTable.h"
#include "settings/Variant.h"

#include <cstdio>

AlarmCountdown::AlarmCountdown(Globals& globals, const Settings& settings, const Clock& clock,
                               DialUpService& line, For reason)
    : m_globals(globals), m_settings(settings), m_clock(clock), m_line(line), m_reason(reason) {}

void AlarmCountdown::Start() {
    m_startTimer = m_clock.MonotonicSeconds();
}

void AlarmCountdown::Timer1_Timer() {
    if (m_done || m_dontDisconnect) return;
    const double elapsed = m_clock.MonotonicSeconds() - m_startTimer;
    const double left = RoundHalfEven(m_globals.AutoDisconnectTime - elapsed);
    if (left > 0) {
        char text[16];
        std::snprintf(text, sizeof text, "%02d", static_cast<int>(left));
        m_secondsText = text;
        return;
    }
    m_secondsText = "00";
    HangUp();
}

void AlarmCountdown::chkDontDisconnect_Click(bool checked) {
    if (m_done) return;
    m_dontDisconnect = checked;
}

void AlarmCountdown::cmdDisconnectNow_Click() {
    HangUpAll(m_line);
}

void AlarmCountdown::cmdStayConnected_Click() {
    if (!m_dontDisconnect) return;
    if (m_reason == For::DataAllowance) {
        m_globals.DataHangUp = 0;
        SaveSetting(kDataHangUp, m_globals, m_settings);
        return;
    }
    m_globals.AutoDisconnect = false;
    SaveSetting(kAutoDisconnect, m_globals, m_settings);
}

void AlarmCountdown::HangUp() {
    HangUpAll(m_line);
    m_done = true;
}
