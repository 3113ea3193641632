#include "LogSource.h"

#include "settings/ErrorBoundary.h"

#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <exception>

namespace {
constexpr int kPollMilliseconds = 500;
// More new data than a few calls' lines is read anew in the background, not matched call by call.
constexpr qint64 kDataReadInPlace = qint64{64} * 1024;
} // namespace

LogSource::LogSource(QString path, UserInterface& ui, QObject* parent)
    : QObject(parent), m_path(std::move(path)), m_ui(ui),
      m_dataPath(QString::fromStdString(CallDataPath(m_path.toStdString()))) {
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
    if (QFileInfo::exists(m_dataPath) && !m_watcher.files().contains(m_dataPath))
        m_watcher.addPath(m_dataPath);
    const QString folder = file.absolutePath();
    if (QFileInfo(folder).isDir() && !m_watcher.directories().contains(folder)) m_watcher.addPath(folder);
}

// What a read in the thread fills; the window's thread takes it over when the thread ends.
struct LogSource::Read {
    CallLogData Data;
    CallLogRead Result;
    qint64 Size = -1;
    QDateTime Modified;
    CallDataJoin Join;
    CallLogRead DataResult;
    qint64 DataSize = -1;
    QDateTime DataModified;
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
    const QFileInfo dataFile(m_dataPath);
    read->DataSize = dataFile.exists() ? dataFile.size() : -1;
    read->DataModified = dataFile.exists() ? dataFile.lastModified() : QDateTime();
    m_reading = read;
    // The thread reports its progress to this object's thread, which outlives it: the log's bytes,
    // then the data file's.
    QThread* thread =
        QThread::create([this, read, path = m_path.toStdString(), dataPath = m_dataPath.toStdString()] {
            try {
                const std::uint64_t logBytes = read->Size > 0 ? static_cast<std::uint64_t>(read->Size) : 0;
                const std::uint64_t dataBytes =
                    read->DataSize > 0 ? static_cast<std::uint64_t>(read->DataSize) : 0;
                const auto progress = [&](std::uint64_t before) {
                    return [&, before](std::uint64_t done, std::uint64_t) {
                        QMetaObject::invokeMethod(
                            this, [this, done = before + done, total = logBytes + dataBytes] {
                                emit Progress(static_cast<qint64>(done), static_cast<qint64>(total));
                            });
                        return !read->Stop.load();
                    };
                };
                read->Result = ReadCallLogFile(path, 0, read->Data, progress(0));
                if (read->Result.Result == CallLogRead::Outcome::Read && !read->Stop) {
                    bool changed = false;
                    read->DataResult =
                        ReadCallDataFile(dataPath, 0, read->Join, read->Data, CallDataJoin::Search::Along,
                                         changed, progress(logBytes));
                    read->Join.Join(read->Data, 0);
                }
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
    m_dataSize = read.DataSize;
    m_dataModified = read.DataModified;
    m_join = std::move(read.Join);
    m_dataLast = read.DataResult;
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
    if (PollLog()) PollData();
}

// False when the log is read anew.
bool LogSource::PollLog() {
    const QFileInfo file(m_path);
    const qint64 size = file.exists() ? file.size() : -1;
    const QDateTime modified = file.exists() ? file.lastModified() : QDateTime();
    if (size == m_size && modified == m_modified) return true;
    m_size = size;
    m_modified = modified;
    const CallLogRead before = m_last;
    if (before.Result != CallLogRead::Outcome::Read) {
        // Missing or unreadable until now: whatever is there now is read from the start.
        if (size >= 0) Reload();
        return size < 0;
    }
    const std::size_t known = m_data.Records.size();
    const CallLogRead read = ReadCallLogFile(m_path.toStdString(), m_last.Next, m_data);
    if (read.Result != CallLogRead::Outcome::Read) {
        Reload();
        return false;
    }
    m_last = read;
    m_join.Join(m_data, known);
    Watch();
    if (m_data.Records.size() > known) emit Appended(known);
    if (m_data.Records.size() > known || read.Pending != before.Pending) emit StatusChanged();
    return true;
}

void LogSource::PollData() {
    if (m_last.Result != CallLogRead::Outcome::Read) return;
    const QFileInfo file(m_dataPath);
    const qint64 size = file.exists() ? file.size() : -1;
    const QDateTime modified = file.exists() ? file.lastModified() : QDateTime();
    if (size == m_dataSize && modified == m_dataModified) return;
    m_dataSize = size;
    m_dataModified = modified;
    const bool wasRead = m_dataLast.Result == CallLogRead::Outcome::Read;
    const bool wasMissing = m_dataLast.Result == CallLogRead::Outcome::Missing;
    const std::uint64_t from = wasRead ? m_dataLast.Next : 0;
    if (size < 0 && wasMissing) return;
    // Gone, replaced, or grown by more than a few calls: read anew with the log, in the background.
    if (size < 0 || !(wasRead || wasMissing) || static_cast<std::uint64_t>(size) < from ||
        static_cast<std::uint64_t>(size) - from > kDataReadInPlace) {
        Reload();
        return;
    }
    const std::size_t malformed = m_join.Malformed();
    bool changed = false;
    const CallLogRead read = ReadCallDataFile(m_dataPath.toStdString(), from, m_join, m_data,
                                              CallDataJoin::Search::Latest, changed);
    if (read.Result != CallLogRead::Outcome::Read) {
        Reload();
        return;
    }
    m_dataLast = read;
    Watch();
    if (changed) emit VolumesChanged();
    if (m_join.Malformed() != malformed) emit StatusChanged();
}
