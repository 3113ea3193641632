#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP as a Qt signal. The handler only writes the signal's number into a
// pipe; the event loop reads it, so nothing of Qt runs inside the handler.
class UnloadSignals final : public QObject {
    Q_OBJECT
public:
    // Installs the handlers the first time; lives as long as the application.
    static UnloadSignals& Instance();

signals:
    void Arrived(int signalNumber);

private:
    UnloadSignals();
    void Drain();

    QSocketNotifier* m_notifier = nullptr;
};
