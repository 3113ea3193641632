#include "platform/linux/SqliteRegistryStore.h"

#include "platform/linux/XdgPaths.h"
#include "settings/Clock.h"
#include "settings/DateSerial.h"
#include "settings/PlainText.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <system_error>
#include <utility>

namespace {
// "TDRG" in the file header tells our databases from any other SQLite file.
constexpr int ApplicationId = 0x54445247;
constexpr int SchemaVersion = 1;
// A copy that is closing may hold the write lock for a moment while a new one starts.
constexpr int BusyTimeoutMs = 5000;
// The registry's limit for one key name, in UTF-16 units as the registry counts.
constexpr std::size_t MaxKeyNameLength = 255;

constexpr const char* SchemaTables = R"sql(
CREATE TABLE registry_key(
    id INTEGER PRIMARY KEY,
    root INTEGER NOT NULL,
    parent INTEGER REFERENCES registry_key(id),
    name TEXT NOT NULL,
    folded_path TEXT NOT NULL);
CREATE UNIQUE INDEX registry_key_path ON registry_key(root, folded_path);
CREATE INDEX registry_key_parent ON registry_key(parent);
CREATE TABLE registry_value(
    id INTEGER PRIMARY KEY,
    key_id INTEGER NOT NULL REFERENCES registry_key(id),
    name TEXT NOT NULL,
    folded_name TEXT NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL);
CREATE UNIQUE INDEX registry_value_name ON registry_value(key_id, folded_name);
INSERT INTO registry_key(root, parent, name, folded_path)
    VALUES (-2147483648, NULL, '', ''), (-2147483647, NULL, '', ''), (-2147483646, NULL, '', '');
)sql";

std::string Schema() {
    return SchemaTables + std::string("PRAGMA application_id = ") + std::to_string(ApplicationId) +
           ";\nPRAGMA user_version = " + std::to_string(SchemaVersion) + ";\n";
}

long ErrorFromSqlite(int rc) {
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
        return ERROR_SUCCESS;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN:
        return ERROR_ACCESS_DENIED;
    default:
        return ERROR_WRITE_FAULT;
    }
}

// Key path parts without the empty ones a doubled or trailing backslash leaves.
std::vector<std::string> SplitPath(std::string_view path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string FoldedPath(const std::vector<std::string>& parts, std::size_t count) {
    std::string folded;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) folded += '\\';
        folded += FoldCase(parts[i]);
    }
    return folded;
}

void BindText(sqlite3_stmt* statement, int index, std::string_view text) {
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                : std::string();
}

// Resets a statement when the caller is done with it, so no read lock outlives the call.
class Use {
public:
    explicit Use(sqlite3_stmt* statement) : m_statement(statement) {}
    ~Use() {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

private:
    sqlite3_stmt* m_statement;
};

struct Connection {
    sqlite3* Db = nullptr;
    ~Connection() { sqlite3_close_v2(Db); }
    sqlite3* Release() { return std::exchange(Db, nullptr); }
};

enum class Outcome { Ready, Damaged, Failed };

struct Attempt {
    Outcome Result = Outcome::Failed;
    std::string Reason;
};

int IntPragma(sqlite3* db, const char* sql, int& value) {
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(statement);
        if (rc == SQLITE_ROW) value = sqlite3_column_int(statement, 0);
        rc = rc == SQLITE_ROW ? SQLITE_OK : rc;
    }
    sqlite3_finalize(statement);
    return rc;
}

bool IsDamage(int rc) {
    return (rc & 0xFF) == SQLITE_NOTADB || (rc & 0xFF) == SQLITE_CORRUPT;
}

Attempt Failure(int rc, sqlite3* db) {
    Attempt attempt;
    attempt.Result = IsDamage(rc) ? Outcome::Damaged : Outcome::Failed;
    attempt.Reason = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    return attempt;
}

// Checks that the open database is ours and whole, and lays out an empty one.
Attempt Examine(sqlite3* db, bool writable) {
    sqlite3_stmt* check = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &check, nullptr);
    std::string verdict;
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(check)) == SQLITE_ROW)
            verdict += ColumnText(check, 0);
    }
    sqlite3_finalize(check);
    if (rc != SQLITE_OK && rc != SQLITE_DONE) return Failure(rc, db);
    if (verdict != "ok") return {Outcome::Damaged, verdict};

    int applicationId = 0, version = 0, tables = 0;
    if ((rc = IntPragma(db, "PRAGMA application_id", applicationId)) != SQLITE_OK ||
        (rc = IntPragma(db, "PRAGMA user_version", version)) != SQLITE_OK ||
        (rc = IntPragma(db, "SELECT count(*) FROM sqlite_master", tables)) != SQLITE_OK)
        return Failure(rc, db);
    if (applicationId == ApplicationId && version == SchemaVersion) return {Outcome::Ready, {}};
    if (applicationId != 0 || version != 0 || tables != 0)
        return {Outcome::Damaged, "not a settings database of this program"};
    if (!writable) return {Outcome::Failed, "the file is empty and may not be written"};

    rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, Schema().c_str(), nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        Attempt attempt = Failure(rc, db);
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return attempt;
    }
    return {Outcome::Ready, {}};
}

enum class Mode { ReadWrite, ReadOnly, Immutable };

std::string FileUri(const std::filesystem::path& file) {
    std::string uri = "file:";
    for (const char c : file.string()) {
        if (c == '%' || c == '?' || c == '#') {
            std::array<char, 4> escaped{};
            std::snprintf(escaped.data(), escaped.size(), "%%%02X", static_cast<unsigned char>(c));
            uri += escaped.data();
        } else {
            uri += c;
        }
    }
    return uri + "?immutable=1";
}

Attempt OpenFile(const std::filesystem::path& file, Mode mode, Connection& connection) {
    // A store of a few pages needs no memory set aside per connection for small allocations and
    // pages: SQLite would keep it for the program's life. Taken only before SQLite's first use.
    static const bool lean = [] {
        sqlite3_config(SQLITE_CONFIG_LOOKASIDE, 0, 0);
        sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
        return true;
    }();
    (void)lean;
    int rc = SQLITE_OK;
    switch (mode) {
    case Mode::ReadWrite:
        rc = sqlite3_open_v2(file.c_str(), &connection.Db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr);
        break;
    case Mode::ReadOnly:
        rc = sqlite3_open_v2(file.c_str(), &connection.Db, SQLITE_OPEN_READONLY, nullptr);
        break;
    case Mode::Immutable:
        // A log-mode database in a folder that refuses its index file can only be read this way.
        rc = sqlite3_open_v2(FileUri(file).c_str(), &connection.Db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                             nullptr);
        break;
    }
    if (rc != SQLITE_OK) return Failure(rc, connection.Db);
    sqlite3_busy_timeout(connection.Db, BusyTimeoutMs);
    const bool writable = mode == Mode::ReadWrite;
    Attempt attempt = Examine(connection.Db, writable);
    if (attempt.Result == Outcome::Ready && writable) {
        // A write-ahead log lets a starting copy read while the closing one writes; a folder that
        // refuses the log file keeps the rollback journal. Every commit reaches the disk before it
        // returns: the session journal is removed once the exit save is stored, and a power cut
        // just after must find the totals.
        sqlite3_exec(connection.Db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
        sqlite3_exec(connection.Db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    }
    return attempt;
}

// A writable database in memory holding what `source` holds, or an empty settings database.
sqlite3* MemoryCopy(sqlite3* source) {
    Connection memory;
    sqlite3_open_v2(":memory:", &memory.Db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    bool copied = false;
    if (source) {
        if (sqlite3_backup* backup = sqlite3_backup_init(memory.Db, "main", source, "main")) {
            copied = sqlite3_backup_step(backup, -1) == SQLITE_DONE;
            sqlite3_backup_finish(backup);
        }
    }
    if (!copied) {
        sqlite3_close_v2(memory.Release());
        sqlite3_open_v2(":memory:", &memory.Db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        sqlite3_exec(memory.Db, Schema().c_str(), nullptr, nullptr, nullptr);
    }
    return memory.Release();
}

std::string Timestamp(const Clock& clock) {
    const double now = clock.Now();
    const CivilDate date = DateSerial::ToCivil(now);
    const TimeOfDay time = DateSerial::ToTime(now);
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%04d%02d%02d-%02d%02d%02d", date.Year, date.Month, date.Day,
                  time.Hour, time.Minute, time.Second);
    return text.data();
}

// Renames the file and its journals; the new name never replaces an earlier damaged copy.
std::optional<std::filesystem::path> MoveAside(const std::filesystem::path& file, const Clock& clock) {
    const std::string stem = file.string() + ".damaged-" + Timestamp(clock);
    std::filesystem::path target = stem;
    std::error_code error;
    for (int n = 2; std::filesystem::exists(target, error); ++n)
        target = stem + "-" + std::to_string(n);
    std::filesystem::rename(file, target, error);
    if (error) return std::nullopt;
    // A journal left beside a fresh database would be played back into it.
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        const std::filesystem::path companion = file.string() + suffix;
        if (std::filesystem::exists(companion, error))
            std::filesystem::rename(companion, target.string() + suffix, error);
    }
    return target;
}
// Settings and totals are the user's own: a new file is created for the user alone, and an older
// one readable by others is made private, with the journals SQLite keeps beside it.
void KeepPrivate(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
        const std::string path = file.string() + suffix;
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            (info.st_mode & 077) != 0)
            ::chmod(path.c_str(), info.st_mode & 0700);
    }
}

// A file at `file` again, holding what `source` holds, opened as Open opens it. What SQLite left
// beside the file that is gone belongs to it, and would be played back into the new one.
Attempt Recreate(const std::filesystem::path& file, sqlite3* source, Connection& connection) {
    XdgPaths::EnsureFolder(file.parent_path());
    std::error_code error;
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        std::filesystem::remove(file.string() + suffix, error);
    KeepPrivate(file);
    Connection target;
    int rc = sqlite3_open_v2(file.c_str(), &target.Db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_backup* backup = sqlite3_backup_init(target.Db, "main", source, "main");
        rc = backup ? sqlite3_backup_step(backup, -1) : sqlite3_errcode(target.Db);
        if (backup) sqlite3_backup_finish(backup);
        if (rc == SQLITE_DONE) rc = SQLITE_OK;
    }
    if (rc != SQLITE_OK) return Failure(rc, target.Db);
    sqlite3_close_v2(target.Release());
    return OpenFile(file, Mode::ReadWrite, connection);
}

std::string CantWriteNotice(const std::filesystem::path& file, const std::string& reason) {
    return "The settings file \"" + file.string() + "\" can't be written any more (" + reason +
           "). Tallydial goes on with its settings, but changes made now won't be kept.";
}
} // namespace

// Inside a batch every change is part of the batch's transaction.
class SqliteRegistryStore::Transaction {
public:
    explicit Transaction(SqliteRegistryStore& store) : m_store(store), m_nested(store.m_inBatch) {
        if (m_nested) return;
        store.FollowFile();
        m_result = store.Noted(sqlite3_step(store.m_begin.get()));
        sqlite3_reset(store.m_begin.get());
    }
    ~Transaction() {
        if (!m_nested && m_result == ERROR_SUCCESS && !m_committed) {
            sqlite3_step(m_store.m_rollback.get());
            sqlite3_reset(m_store.m_rollback.get());
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    long Begun() const { return m_result; }
    long Commit() {
        if (m_nested) return ERROR_SUCCESS;
        const int rc = sqlite3_step(m_store.m_commit.get());
        const long result = m_store.Noted(rc);
        sqlite3_reset(m_store.m_commit.get());
        m_committed = rc == SQLITE_DONE;
        return result;
    }

private:
    SqliteRegistryStore& m_store;
    bool m_nested;
    long m_result = ERROR_SUCCESS;
    bool m_committed = false;
};

void SqliteRegistryStore::StatementDeleter::operator()(sqlite3_stmt* statement) const {
    sqlite3_finalize(statement);
}

std::filesystem::path SqliteRegistryStore::DefaultFile() {
    return XdgPaths::ConfigFolder() / "registry.db";
}

SqliteRegistryStore::OpenResult SqliteRegistryStore::Open(const std::filesystem::path& file,
                                                          const Clock& clock, Access access) {
    const bool writable = access == Access::ReadWrite;
    OpenResult result;
    if (writable) {
        XdgPaths::EnsureFolder(file.parent_path());
        KeepPrivate(file);
    }

    Connection connection;
    Attempt attempt = OpenFile(file, writable ? Mode::ReadWrite : Mode::ReadOnly, connection);
    if (attempt.Result == Outcome::Damaged && writable) {
        sqlite3_close_v2(connection.Release());
        if (const auto moved = MoveAside(file, clock)) {
            result.Notice = "The settings file \"" + file.string() +
                            "\" could not be read and has been moved to \"" + moved->string() +
                            "\". Tallydial starts with fresh settings.";
            attempt = OpenFile(file, Mode::ReadWrite, connection);
        } else {
            attempt = {Outcome::Failed, "it is damaged and could not be moved aside"};
        }
    }
    if (attempt.Result == Outcome::Ready) {
        result.Store.reset(new SqliteRegistryStore(connection.Release(), file, writable, clock));
        return result;
    }
    sqlite3_close_v2(connection.Release());
    // A file or folder that may not be written can still be read.
    Connection reader;
    if (attempt.Result == Outcome::Failed && std::filesystem::exists(file)) {
        for (const Mode mode : {Mode::ReadOnly, Mode::Immutable}) {
            if (OpenFile(file, mode, reader).Result == Outcome::Ready) break;
            sqlite3_close_v2(reader.Release());
        }
    }
    if (!writable) {
        if (!reader.Db) reader.Db = MemoryCopy(nullptr);
        result.Store.reset(new SqliteRegistryStore(reader.Release(), file, false, clock));
        return result;
    }

    // This run goes on with what could be read, so the settings of the first start apply to the rest.
    const std::string notice = "The settings file \"" + file.string() + "\" can't be written (" +
                               attempt.Reason + "). Tallydial works with the settings it could read, " +
                               "but changes made now won't be kept.";
    result.Notice = result.Notice ? *result.Notice + "\n\n" + notice : notice;
    result.Store.reset(new SqliteRegistryStore(MemoryCopy(reader.Db), file, true, clock));
    result.Store->m_persistent = false;
    return result;
}

template <typename F> long SqliteRegistryStore::Writing(F&& write) {
    m_failure = SQLITE_OK;
    const long result = write();
    // A batch fails as a whole; it never goes on in memory halfway through.
    if (result == ERROR_SUCCESS || !m_persistent || !m_writable || m_inBatch) return result;
    switch (m_failure & 0xFF) {
    case SQLITE_FULL:
    case SQLITE_IOERR:
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        break;
    default:
        return result; // a refusal of the registry's own, or another copy holding the file
    }
    const std::string reason = m_failureText;
    MoveToMemory();
    Tell(CantWriteNotice(m_file, reason));
    return write();
}

void SqliteRegistryStore::Tell(const std::string& notice) {
    if (m_told) return;
    m_told = true;
    if (m_notify) m_notify(notice);
}

void SqliteRegistryStore::MoveToMemory() {
    sqlite3* memory = MemoryCopy(m_db);
    ReleaseStatements();
    sqlite3_close_v2(m_db);
    m_db = memory;
    m_persistent = false;
    Prepare();
}

std::optional<SqliteRegistryStore::Identity>
SqliteRegistryStore::IdentityOf(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return Identity{info.st_dev, info.st_ino};
}

void SqliteRegistryStore::NoteIdentity() {
    // A first read opens the write-ahead log, so that it has an identity too.
    int version = 0;
    IntPragma(m_db, "PRAGMA schema_version", version);
    m_identity = IdentityOf(m_file);
    m_logIdentity = IdentityOf(m_file.string() + "-wal");
}

void SqliteRegistryStore::FollowFile() {
    if (!m_persistent || !m_writable) return;
    const std::optional<Identity> now = IdentityOf(m_file);
    if (now && now == m_identity) return;
    const bool present = now.has_value();

    // The connection still reads the file it opened, gone or not: all of it is kept before it closes.
    Connection kept{MemoryCopy(m_db)};
    ReleaseStatements();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    // SQLite leaves the log of a file it can no longer write; beside a replacement, it would be
    // played back into it.
    const std::string log = m_file.string() + "-wal";
    if (m_logIdentity && IdentityOf(log) == m_logIdentity) {
        std::error_code error;
        std::filesystem::remove(log, error);
    }

    Connection connection;
    Attempt attempt;
    std::string notice;
    if (present) {
        attempt = OpenFile(m_file, Mode::ReadWrite, connection);
        notice = "The settings file \"" + m_file.string() +
                 "\" was replaced while Tallydial was running. Tallydial goes on with the new file and "
                 "saves its cumulative total there.";
        if (attempt.Result == Outcome::Damaged) {
            sqlite3_close_v2(connection.Release());
            const auto moved = MoveAside(m_file, *m_clock);
            attempt = moved ? Recreate(m_file, kept.Db, connection)
                            : Attempt{Outcome::Failed, "it is damaged and could not be moved aside"};
            if (moved)
                notice = "The settings file \"" + m_file.string() +
                         "\" was replaced while Tallydial was running by a file it could not read, which has "
                         "been moved to \"" +
                         moved->string() + "\". Tallydial has written its settings and totals again.";
        }
    } else {
        attempt = Recreate(m_file, kept.Db, connection);
        notice = "The settings file \"" + m_file.string() +
                 "\" was deleted while Tallydial was running. Tallydial has written its settings and totals "
                 "to it again.";
    }
    if (attempt.Result == Outcome::Ready) {
        m_db = connection.Release();
        NoteIdentity();
    } else {
        sqlite3_close_v2(connection.Release());
        m_db = kept.Release();
        m_persistent = false;
        notice = CantWriteNotice(m_file, attempt.Reason);
    }
    Prepare();
    Tell(notice);
}

SqliteRegistryStore::SqliteRegistryStore(sqlite3* db, std::filesystem::path file, bool writable,
                                         const Clock& clock)
    : m_db(db), m_file(std::move(file)), m_writable(writable), m_clock(&clock) {
    if (m_writable) NoteIdentity();
    Prepare();
}

void SqliteRegistryStore::ReleaseStatements() {
    for (Statement* statement :
         {&m_findKey, &m_insertKey, &m_childCount, &m_deleteKey, &m_deleteKeyValues, &m_queryValue,
          &m_upsertValue, &m_deleteValue, &m_listValues, &m_listKeys, &m_begin, &m_commit, &m_rollback})
        statement->reset();
}

SqliteRegistryStore::~SqliteRegistryStore() {
    // Statements first: the connection closes only when none is left.
    ReleaseStatements();
    sqlite3_close_v2(m_db);
}

SqliteRegistryStore::Statement SqliteRegistryStore::PrepareOne(const char* sql) const {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
    return Statement(statement);
}

void SqliteRegistryStore::Prepare() {
    m_findKey = PrepareOne("SELECT id FROM registry_key WHERE root = ?1 AND folded_path = ?2");
    m_insertKey =
        PrepareOne("INSERT INTO registry_key(root, parent, name, folded_path) VALUES (?1, ?2, ?3, ?4)");
    m_childCount = PrepareOne("SELECT count(*) FROM registry_key WHERE parent = ?1");
    m_deleteKey = PrepareOne("DELETE FROM registry_key WHERE id = ?1");
    m_deleteKeyValues = PrepareOne("DELETE FROM registry_value WHERE key_id = ?1");
    m_queryValue = PrepareOne(
        "SELECT v.name, v.type, v.data FROM registry_value v JOIN registry_key k ON k.id = v.key_id"
        " WHERE k.root = ?1 AND k.folded_path = ?2 AND v.folded_name = ?3");
    m_upsertValue = PrepareOne("INSERT INTO registry_value(key_id, name, folded_name, type, data)"
                               " VALUES (?1, ?2, ?3, ?4, ?5) ON CONFLICT(key_id, folded_name)"
                               " DO UPDATE SET type = excluded.type, data = excluded.data");
    m_deleteValue = PrepareOne("DELETE FROM registry_value WHERE key_id = ?1 AND folded_name = ?2");
    m_listValues = PrepareOne("SELECT name FROM registry_value WHERE key_id = ?1 ORDER BY id");
    m_listKeys = PrepareOne("SELECT name FROM registry_key WHERE parent = ?1 ORDER BY folded_path");
    m_begin = PrepareOne("BEGIN IMMEDIATE");
    m_commit = PrepareOne("COMMIT");
    m_rollback = PrepareOne("ROLLBACK");
}

std::optional<std::int64_t> SqliteRegistryStore::FindKey(std::int32_t root, const std::string& foldedPath) {
    sqlite3_stmt* statement = m_findKey.get();
    if (!statement) return std::nullopt;
    Use use(statement);
    sqlite3_bind_int(statement, 1, root);
    BindText(statement, 2, foldedPath);
    if (sqlite3_step(statement) != SQLITE_ROW) return std::nullopt;
    return sqlite3_column_int64(statement, 0);
}

long SqliteRegistryStore::RunWrite(sqlite3_stmt* statement) {
    return Noted(sqlite3_step(statement));
}

long SqliteRegistryStore::Noted(int rc) {
    if (ErrorFromSqlite(rc) != ERROR_SUCCESS && m_failure == SQLITE_OK) {
        m_failure = rc;
        m_failureText = sqlite3_errmsg(m_db);
    }
    return ErrorFromSqlite(rc);
}

long SqliteRegistryStore::EnsureKey(std::int32_t root, const std::vector<std::string>& parts,
                                    std::int64_t& id) {
    std::string cacheKey;
    if (m_inBatch) {
        cacheKey = std::to_string(root) + ":" + FoldedPath(parts, parts.size());
        if (const auto known = m_batchKeys.find(cacheKey); known != m_batchKeys.end()) {
            id = known->second;
            return ERROR_SUCCESS;
        }
    }
    // Deeper keys would cost storage by the square of their depth; the registry refuses them too.
    if (parts.size() > kMaxKeyDepth) return ERROR_INVALID_PARAMETER;
    const auto hive = FindKey(root, {});
    if (!hive) return ERROR_INVALID_HANDLE;
    id = *hive;
    for (std::size_t depth = 1; depth <= parts.size(); ++depth) {
        const std::string& name = parts[depth - 1];
        if (Utf16Length(name) > MaxKeyNameLength) return ERROR_INVALID_PARAMETER;
        const std::string folded = FoldedPath(parts, depth);
        if (const auto existing = FindKey(root, folded)) {
            id = *existing;
            continue;
        }
        Use use(m_insertKey.get());
        sqlite3_bind_int(m_insertKey.get(), 1, root);
        sqlite3_bind_int64(m_insertKey.get(), 2, id);
        BindText(m_insertKey.get(), 3, name);
        BindText(m_insertKey.get(), 4, folded);
        if (const long result = RunWrite(m_insertKey.get()); result != ERROR_SUCCESS) return result;
        id = sqlite3_last_insert_rowid(m_db);
    }
    if (m_inBatch) m_batchKeys.emplace(std::move(cacheKey), id);
    return ERROR_SUCCESS;
}

long SqliteRegistryStore::Batch(const std::function<long()>& steps) {
    if (m_inBatch || !m_writable) return steps();
    Transaction transaction(*this);
    if (transaction.Begun() != ERROR_SUCCESS) return transaction.Begun();
    const auto leave = [this] {
        m_inBatch = false;
        m_batchKeys.clear();
    };
    m_inBatch = true;
    long result = ERROR_SUCCESS;
    try {
        result = steps();
    } catch (...) {
        leave();
        throw;
    }
    leave();
    // Anything but success rolls the whole batch back.
    if (result != ERROR_SUCCESS) return result;
    return transaction.Commit();
}

bool SqliteRegistryStore::KeyExists(std::int32_t root, std::string_view path) {
    const std::vector<std::string> parts = SplitPath(path);
    return FindKey(root, FoldedPath(parts, parts.size())).has_value();
}

long SqliteRegistryStore::CreateKey(std::int32_t root, std::string_view path) {
    const std::vector<std::string> parts = SplitPath(path);
    // An existing key costs no write lock.
    if (FindKey(root, FoldedPath(parts, parts.size()))) return ERROR_SUCCESS;
    if (!m_writable) return ERROR_ACCESS_DENIED;
    return Writing([&]() -> long {
        Transaction transaction(*this);
        if (transaction.Begun() != ERROR_SUCCESS) return transaction.Begun();
        std::int64_t id = 0;
        if (const long result = EnsureKey(root, parts, id); result != ERROR_SUCCESS) return result;
        return transaction.Commit();
    });
}

long SqliteRegistryStore::DeleteKey(std::int32_t root, std::string_view path) {
    const std::vector<std::string> parts = SplitPath(path);
    if (!m_writable) return ERROR_ACCESS_DENIED;
    return Writing([&]() -> long {
        Transaction transaction(*this);
        if (transaction.Begun() != ERROR_SUCCESS) return transaction.Begun();
        const auto id = FindKey(root, FoldedPath(parts, parts.size()));
        if (!id) return ERROR_FILE_NOT_FOUND;
        if (parts.empty()) return ERROR_ACCESS_DENIED; // a root key stays
        {
            Use use(m_childCount.get());
            sqlite3_bind_int64(m_childCount.get(), 1, *id);
            if (sqlite3_step(m_childCount.get()) != SQLITE_ROW) return ERROR_WRITE_FAULT;
            if (sqlite3_column_int64(m_childCount.get(), 0) > 0) return ERROR_ACCESS_DENIED;
        }
        for (sqlite3_stmt* statement : {m_deleteKeyValues.get(), m_deleteKey.get()}) {
            Use use(statement);
            sqlite3_bind_int64(statement, 1, *id);
            if (const long result = RunWrite(statement); result != ERROR_SUCCESS) return result;
        }
        m_batchKeys.erase(std::to_string(root) + ":" + FoldedPath(parts, parts.size()));
        return transaction.Commit();
    });
}

long SqliteRegistryStore::QueryValue(std::int32_t root, std::string_view path, std::string_view name,
                                     RegistryValue& value) {
    sqlite3_stmt* statement = m_queryValue.get();
    if (!statement) return ERROR_FILE_NOT_FOUND;
    const std::vector<std::string> parts = SplitPath(path);
    Use use(statement);
    sqlite3_bind_int(statement, 1, root);
    BindText(statement, 2, FoldedPath(parts, parts.size()));
    BindText(statement, 3, FoldCase(name));
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
    if (rc != SQLITE_ROW) return ErrorFromSqlite(rc);
    value.Name = ColumnText(statement, 0);
    value.Type = static_cast<std::uint32_t>(sqlite3_column_int64(statement, 1));
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, 2));
    const auto size = static_cast<std::size_t>(sqlite3_column_bytes(statement, 2));
    value.Data.assign(bytes, bytes ? bytes + size : bytes);
    return ERROR_SUCCESS;
}

long SqliteRegistryStore::SetValue(std::int32_t root, std::string_view path, std::string_view name,
                                   std::uint32_t type, const std::vector<std::uint8_t>& data) {
    if (!m_writable) return ERROR_ACCESS_DENIED;
    return Writing([&]() -> long {
        Transaction transaction(*this);
        if (transaction.Begun() != ERROR_SUCCESS) return transaction.Begun();
        std::int64_t id = 0;
        if (const long result = EnsureKey(root, SplitPath(path), id); result != ERROR_SUCCESS) return result;
        {
            sqlite3_stmt* statement = m_upsertValue.get();
            Use use(statement);
            sqlite3_bind_int64(statement, 1, id);
            BindText(statement, 2, name);
            BindText(statement, 3, FoldCase(name));
            sqlite3_bind_int64(statement, 4, type);
            // An empty blob still must not bind as NULL.
            static const std::uint8_t none = 0;
            sqlite3_bind_blob(statement, 5, data.empty() ? &none : data.data(), static_cast<int>(data.size()),
                              SQLITE_STATIC);
            if (const long result = RunWrite(statement); result != ERROR_SUCCESS) return result;
        }
        return transaction.Commit();
    });
}

long SqliteRegistryStore::DeleteValue(std::int32_t root, std::string_view path, std::string_view name) {
    if (!m_writable) return ERROR_ACCESS_DENIED;
    const std::vector<std::string> parts = SplitPath(path);
    return Writing([&]() -> long {
        Transaction transaction(*this);
        if (transaction.Begun() != ERROR_SUCCESS) return transaction.Begun();
        const auto id = FindKey(root, FoldedPath(parts, parts.size()));
        if (!id) return ERROR_FILE_NOT_FOUND;
        {
            Use use(m_deleteValue.get());
            sqlite3_bind_int64(m_deleteValue.get(), 1, *id);
            BindText(m_deleteValue.get(), 2, FoldCase(name));
            if (const long result = RunWrite(m_deleteValue.get()); result != ERROR_SUCCESS) return result;
            if (sqlite3_changes(m_db) == 0) return ERROR_FILE_NOT_FOUND;
        }
        return transaction.Commit();
    });
}

long SqliteRegistryStore::EnumValues(std::int32_t root, std::string_view path,
                                     std::vector<std::string>& names) {
    names.clear();
    const std::vector<std::string> parts = SplitPath(path);
    const auto id = FindKey(root, FoldedPath(parts, parts.size()));
    if (!id) return ERROR_FILE_NOT_FOUND;
    Use use(m_listValues.get());
    sqlite3_bind_int64(m_listValues.get(), 1, *id);
    int rc;
    while ((rc = sqlite3_step(m_listValues.get())) == SQLITE_ROW)
        names.push_back(ColumnText(m_listValues.get(), 0));
    return ErrorFromSqlite(rc);
}

long SqliteRegistryStore::EnumKeys(std::int32_t root, std::string_view path,
                                   std::vector<std::string>& names) {
    names.clear();
    const std::vector<std::string> parts = SplitPath(path);
    const auto id = FindKey(root, FoldedPath(parts, parts.size()));
    if (!id) return ERROR_FILE_NOT_FOUND;
    Use use(m_listKeys.get());
    sqlite3_bind_int64(m_listKeys.get(), 1, *id);
    int rc;
    while ((rc = sqlite3_step(m_listKeys.get())) == SQLITE_ROW)
        names.push_back(ColumnText(m_listKeys.get(), 0));
    return ErrorFromSqlite(rc);
}
