#include "LogSource.h"

#include "settings/ErrorBoundary.h"

#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <exception>

namespace {
constexpr int kPollMilliseconds = 500;
}

LogSource::LogSource(QString path, UserInterface& ui, QObject* parent)
    : QObject(parent), m_path(std::move(path)), m_ui(ui) {
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this,
            [this] { Guarded(m_ui, "LogSource.Watcher_FileChanged", [&] { Poll(); }); });
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            [this] { Guarded(m_ui, "LogSource.Watcher_DirectoryChanged", [&] { Poll(); }); });
    connect(&m_poll, &QTimer::timeout, this,
            [this] { Guarded(m_ui, "LogSource.Poll_Timer", [&] { Poll(); }); });
    m_poll.start(kPollMilliseconds);
}

void LogSource::Watch() {
    // A file replaced or created anew drops out of the watch: watch it again, and its folder.
    const QFileInfo file(m_path);
    if (file.exists() && !m_watcher.files().contains(m_path)) m_watcher.addPath(m_path);
    const QString folder = file.absolutePath();
    if (QFileInfo(folder).isDir() && !m_watcher.directories().contains(folder)) m_watcher.addPath(folder);
}

// What a read in the thread fills; the window's thread takes it over when the thread ends.
struct LogSource::Read {
    CallLogData Data;
    CallLogRead Result;
    qint64 Size = -1;
    QDateTime Modified;
    std::atomic<bool> Stop{false};
};

LogSource::~LogSource() {
    if (!m_reading) return;
    m_reading->Stop = true;
    if (QThread* thread = findChild<QThread*>()) thread->wait();
}

void LogSource::Reload() {
    if (m_reading) {
        m_reloadAgain = true;
        return;
    }
    auto read = std::make_shared<Read>();
    const QFileInfo file(m_path);
    read->Size = file.exists() ? file.size() : -1;
    read->Modified = file.exists() ? file.lastModified() : QDateTime();
    m_reading = read;
    // The thread reports its progress to this object's thread, which outlives it.
    QThread* thread = QThread::create([this, read, path = m_path.toStdString()] {
        try {
            read->Result = ReadCallLogFile(path, 0, read->Data, [&](std::uint64_t done, std::uint64_t total) {
                QMetaObject::invokeMethod(this, [this, done, total] {
                    emit Progress(static_cast<qint64>(done), static_cast<qint64>(total));
                });
                return !read->Stop.load();
            });
        } catch (const std::exception& e) {
            read->Result.Result = CallLogRead::Outcome::Unreadable;
            read->Result.Error = e.what();
        }
    });
    thread->setParent(this);
    connect(thread, &QThread::finished, this, [this, read, thread] {
        thread->deleteLater();
        Guarded(m_ui, "LogSource.Read_Finished", [&] { Finished(*read); });
    });
    thread->start(QThread::LowPriority);
}

void LogSource::Finished(Read& read) {
    m_reading.reset();
    if (read.Stop) return;
    m_size = read.Size;
    m_modified = read.Modified;
    m_data = std::move(read.Data);
    m_last = read.Result;
    Watch();
    emit Reloaded();
    emit StatusChanged();
    if (m_reloadAgain) {
        m_reloadAgain = false;
        Reload();
    }
}

void LogSource::Poll() {
    // The whole read under way takes in what has changed.
    if (m_reading) return;
    const QFileInfo file(m_path);
    const qint64 size = file.exists() ? file.size() : -1;
    const QDateTime modified = file.exists() ? file.lastModified() : QDateTime();
    if (size == m_size && modified == m_modified) return;
    m_size = size;
    m_modified = modified;
    const CallLogRead before = m_last;
    if (before.Result != CallLogRead::Outcome::Read) {
        // Missing or unreadable until now: whatever is there now is read from the start.
        if (size >= 0) Reload();
        return;
    }
    const std::size_t known = m_data.Records.size();
    const CallLogRead read = ReadCallLogFile(m_path.toStdString(), m_last.Next, m_data);
    if (read.Result != CallLogRead::Outcome::Read) {
        Reload();
        return;
    }
    m_last = read;
    Watch();
    if (m_data.Records.size() > known) emit Appended(known);
    if (m_data.Records.size() > known || read.Pending != before.Pending) emit StatusChanged();
}
