#pragma once

#include "engine/CallDataLog.h"
#include "engine/CallDataReader.h"

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <memory>

class UserInterface;

// The log file and the calls read from it, kept up to date while it is open: the watcher reports
// a change at once, and a short poll catches what it misses (a file created later, a network
// folder). Only the bytes added since the last read are read. The calls' volumes come from the
// data file beside the log, followed alike.
class LogSource final : public QObject {
    Q_OBJECT
public:
    LogSource(QString path, UserInterface& ui, QObject* parent = nullptr);
    ~LogSource() override;

    const QString& Path() const { return m_path; }
    const CallLogData& Data() const { return m_data; }
    const CallLogRead& LastRead() const { return m_last; }
    const QString& DataPath() const { return m_dataPath; }
    // Lines of the data file that couldn't be read.
    std::size_t MalformedData() const { return m_join.Malformed(); }

    // Reads the whole file anew, in a thread of its own: Reloaded tells when the calls are there, and
    // Progress how far it has come meanwhile.
    void Reload();
    bool Reading() const { return m_reading != nullptr; }
    // Reads what has been added since the last read; a file that shrank or went is read anew.
    void Poll();

signals:
    void Reloaded();
    void Appended(std::size_t firstNew);
    // Calls read before got their volumes.
    void VolumesChanged();
    void StatusChanged();
    void Progress(qint64 done, qint64 total);

private:
    void Watch();
    bool PollLog();
    void PollData();
    struct Read;
    void Finished(Read& read);

    QString m_path;
    UserInterface& m_ui;
    CallLogData m_data;
    CallLogRead m_last;
    qint64 m_size = -1; // the file's size and time when last read, to skip reading it unchanged
    QDateTime m_modified;
    QString m_dataPath;
    CallDataJoin m_join;
    CallLogRead m_dataLast;
    qint64 m_dataSize = -1;
    QDateTime m_dataModified;
    QFileSystemWatcher m_watcher;
    QTimer m_poll;
    // The whole-file read under way, and whether another was asked for meanwhile.
    std::shared_ptr<Read> m_reading;
    bool m_reloadAgain = false;
};
