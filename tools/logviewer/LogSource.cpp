#include "LogSource.h"

#include "settings/ErrorBoundary.h"

#include <QFileInfo>

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

void LogSource::Reload() {
    const QFileInfo file(m_path);
    m_size = file.exists() ? file.size() : -1;
    m_modified = file.exists() ? file.lastModified() : QDateTime();
    m_data.Clear();
    m_last = ReadCallLogFile(m_path.toStdString(), 0, m_data);
    Watch();
    emit Reloaded();
    emit StatusChanged();
}

void LogSource::Poll() {
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
