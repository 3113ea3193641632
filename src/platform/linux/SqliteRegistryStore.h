#pragma once

#include "settings/RegistryStore.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class Clock;
struct sqlite3;
struct sqlite3_stmt;

// The registry kept in one SQLite file, shared by every running copy of the program.
// One connection per object; every write is one transaction.
class SqliteRegistryStore final : public RegistryStore {
public:
    enum class Access { ReadWrite, ReadOnly };

    struct OpenResult {
        std::unique_ptr<SqliteRegistryStore> Store; // never null
        // Set when the user must be told something: the file was damaged and moved aside,
        // or it could not be opened and the settings will not be kept.
        std::optional<std::string> Notice;
    };

    // $XDG_CONFIG_HOME/tallydial/registry.db.
    static std::filesystem::path DefaultFile();
    // Opens the file, creating it and its folder when missing. A file that is not a settings
    // database is renamed to <file>.damaged-<yyyymmdd>-<hhmmss> (time from `clock`) and a fresh
    // one takes its place. A file that cannot be opened for writing gives a copy in memory of
    // what could be read (empty when nothing could), which takes writes for this run only.
    // A read-only store leaves a damaged file where it is and refuses every write.
    // `clock` names damaged copies for as long as the store lives.
    static OpenResult Open(const std::filesystem::path& file, const Clock& clock,
                           Access access = Access::ReadWrite);

    ~SqliteRegistryStore() override;
    SqliteRegistryStore(const SqliteRegistryStore&) = delete;
    SqliteRegistryStore& operator=(const SqliteRegistryStore&) = delete;

    const std::filesystem::path& File() const { return m_file; }
    bool Persistent() const override { return m_persistent; }
    // Told once, with the message for the user, when the file can no longer be written and the
    // store goes on in memory, or when it was deleted or replaced and is written again.
    void OnNotice(std::function<void(const std::string&)> notify) { m_notify = std::move(notify); }

    bool KeyExists(std::int32_t root, std::string_view path) override;
    long CreateKey(std::int32_t root, std::string_view path) override;
    long DeleteKey(std::int32_t root, std::string_view path) override;
    long QueryValue(std::int32_t root, std::string_view path, std::string_view name,
                    RegistryValue& value) override;
    long SetValue(std::int32_t root, std::string_view path, std::string_view name, std::uint32_t type,
                  const std::vector<std::uint8_t>& data) override;
    long DeleteValue(std::int32_t root, std::string_view path, std::string_view name) override;
    long EnumValues(std::int32_t root, std::string_view path, std::vector<std::string>& names) override;
    long EnumKeys(std::int32_t root, std::string_view path, std::vector<std::string>& names) override;
    // A stat of the file: one deleted or replaced is taken up and told now.
    void Follow() override {
        if (!m_inBatch) FollowFile();
    }
    // One transaction for all of the steps; the keys it creates are remembered meanwhile.
    long Batch(const std::function<long()>& steps) override;

private:
    struct StatementDeleter {
        void operator()(sqlite3_stmt* statement) const;
    };
    using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;
    class Transaction;

    SqliteRegistryStore(sqlite3* db, std::filesystem::path file, bool writable, const Clock& clock);
    void Prepare();
    Statement PrepareOne(const char* sql) const;
    // The key's row, or nothing when it (or the root) does not exist.
    std::optional<std::int64_t> FindKey(std::int32_t root, const std::string& foldedPath);
    // Creates what is missing of the path inside the caller's transaction; the key's row or an error.
    long EnsureKey(std::int32_t root, const std::vector<std::string>& parts, std::int64_t& id);
    long RunWrite(sqlite3_stmt* statement);
    // The result of a step as a store result; the first failure of a write is kept for Writing.
    long Noted(int rc);
    // Runs a write; when the disk refuses it, goes on in memory and runs it there.
    template <typename F> long Writing(F&& write);
    void MoveToMemory();
    void ReleaseStatements();
    // Before a write: a file deleted or replaced since it was opened would take the write into a
    // file no one will read again. A deleted file is made again from what this connection still
    // reads; a replacement is used as the user put it there.
    void FollowFile();
    void Tell(const std::string& notice);

    sqlite3* m_db;
    std::filesystem::path m_file;
    bool m_writable;
    bool m_persistent = true;
    int m_failure = 0;
    std::string m_failureText;
    std::function<void(const std::string&)> m_notify;
    bool m_told = false;
    const Clock* m_clock;
    // Which file the connection has open, to see it deleted or replaced, and which write-ahead log,
    // to clear the connection's own log from beside a replacement.
    struct Identity {
        std::uint64_t Device = 0, Inode = 0;
        bool operator==(const Identity&) const = default;
    };
    static std::optional<Identity> IdentityOf(const std::filesystem::path& path);
    void NoteIdentity();
    std::optional<Identity> m_identity, m_logIdentity;
    bool m_inBatch = false;
    // Key rows by root and folded path, known to exist within the running batch.
    std::unordered_map<std::string, std::int64_t> m_batchKeys;
    Statement m_findKey, m_insertKey, m_childCount, m_deleteKey, m_deleteKeyValues, m_queryValue,
        m_upsertValue, m_deleteValue, m_listValues, m_listKeys, m_begin, m_commit, m_rollback;
};
