#include "platform/linux/SqliteRegistryStore.h"
#include "settings/cRegistryContract.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <unistd.h>

namespace {
namespace fs = std::filesystem;

constexpr const char* Charges = "Software\\Orvane\\Tallydial\\Default\\Charges";

// A text value of the charges (or of `key`), written; read back, or none.
long Set(RegistryStore& store, const std::string& name, const std::string& text, const char* key = Charges) {
    return store.SetValue(HKEY_LOCAL_MACHINE, key, name, REG_SZ, SzBytes(text));
}
std::optional<std::string> Get(RegistryStore& store, const std::string& name) {
    return StoredText(store, Charges, name);
}

class SqliteRegistryStoreTest : public ::testing::Test {
protected:
    SqliteRegistryStore::OpenResult OpenStore() { return SqliteRegistryStore::Open(file, clock); }

    TempFolder folder;
    FakeClock clock;
    fs::path file = folder.Path() / "settings" / "registry.db";
};
} // namespace

INSTANTIATE_STORE_CONTRACT(StoreUnderTest{
    "SqliteRegistryStore", [] {
        struct Around {
            TempFolder Folder;
            FakeClock Clock;
        };
        auto around = std::make_shared<Around>();
        auto store = SqliteRegistryStore::Open(around->Folder.Path() / "registry.db", around->Clock).Store;
        // The folder and the clock go with the store.
        return std::shared_ptr<RegistryStore>(store.release(),
                                              [around](RegistryStore* opened) { delete opened; });
    }});

TEST_F(SqliteRegistryStoreTest, NamesIgnoreCaseKeepTheFirstSpellingAndAreSharedByEveryCopy) {
    auto first = OpenStore().Store;
    auto second = OpenStore().Store;
    ASSERT_EQ(Set(*first, "MinCharge", "1"), ERROR_SUCCESS);
    ASSERT_EQ(Set(*second, "MINCHARGE", "2", "SOFTWARE\\orvane\\TALLYDIAL\\default\\charges"), ERROR_SUCCESS);
    ASSERT_EQ(Set(*first, "x", "", "Software\\Orvane\\Tallydial\\Café"), ERROR_SUCCESS);
    EXPECT_TRUE(second->KeyExists(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Tallydial\\CAFÉ"))
        << "Latin-1 letters fold";
    EXPECT_FALSE(second->KeyExists(HKEY_CURRENT_USER, Charges)) << "hives are separate";
    RegistryValue value;
    ASSERT_EQ(first->QueryValue(HKEY_LOCAL_MACHINE, "software\\ORVANE\\tallydial\\DEFAULT\\Charges",
                                "mincharge", value),
              ERROR_SUCCESS);
    EXPECT_EQ(value.Name, "MinCharge");
    EXPECT_EQ(value.Data, SzBytes("2"));
}

TEST_F(SqliteRegistryStoreTest, FilesAreReadableByTheUserOnly) {
    const auto mode = [](const fs::path& path) { return fs::status(path).permissions() & fs::perms::mask; };
    auto store = OpenStore().Store;
    Set(*store, "Name1", "Daytime");
    EXPECT_EQ(mode(file), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(mode(file.string() + "-wal"), fs::perms::owner_read | fs::perms::owner_write);
    store.reset();

    fs::permissions(file, fs::perms::others_read | fs::perms::group_read, fs::perm_options::add);
    OpenStore();
    EXPECT_EQ(mode(file), fs::perms::owner_read | fs::perms::owner_write) << "an older file is made private";
}

TEST_F(SqliteRegistryStoreTest, DamagedFileIsMovedAsideOnceAndAFreshStoreStarts) {
    const auto garbageHeader = [](const fs::path& db) {
        std::fstream out(db, std::ios::binary | std::ios::in | std::ios::out);
        out.write("this is no database at all", 26);
    };
    const auto foreignDatabase = [](const fs::path& db) { // another program's, at its version 1
        fs::remove(db);
        sqlite3* other = nullptr;
        sqlite3_open(db.c_str(), &other);
        sqlite3_exec(other, "CREATE TABLE notes(text); PRAGMA user_version = 1", nullptr, nullptr, nullptr);
        sqlite3_close(other);
    };
    const fs::path aside = file.string() + ".damaged-20261206-181500";
    for (const auto& spoil :
         {std::function<void(const fs::path&)>(garbageHeader), std::function(foreignDatabase)}) {
        fs::remove_all(file.parent_path());
        Set(*OpenStore().Store, "Name1", "Daytime");
        spoil(file);
        const std::string spoiled = ReadText(file);
        clock.Set(2026, 12, 6, 18, 15, 0);

        auto opened = OpenStore();
        ASSERT_TRUE(opened.Notice);
        EXPECT_EQ(*opened.Notice, "The settings file \"" + file.string() +
                                      "\" could not be read and has been moved to \"" + aside.string() +
                                      "\". Tallydial starts with fresh settings.");
        EXPECT_EQ(ReadText(aside), spoiled) << "nothing is deleted";
        EXPECT_EQ(Get(*opened.Store, "Name1"), std::nullopt);
        EXPECT_EQ(Set(*opened.Store, "Name1", "x"), ERROR_SUCCESS);
        opened.Store.reset();
        EXPECT_FALSE(OpenStore().Notice) << "told once";
    }

    // A second damaged file in the same second keeps the first copy.
    garbageHeader(file);
    EXPECT_TRUE(OpenStore().Notice);
    EXPECT_TRUE(fs::exists(aside) && fs::exists(aside.string() + "-2"));
}

// The file can't be written: this run works on a copy in memory of what could be read.
struct UnwritableRow {
    const char* Name;
    bool NeedsOrdinaryUser; // the superuser writes to read-only files anyway
    std::function<void(const fs::path&)> Break, Mend;
    const char* Kept; // what the copy holds of the file
};
class UnwritableStore : public SqliteRegistryStoreTest, public testing::WithParamInterface<UnwritableRow> {};

TEST_P(UnwritableStore, WorksInMemoryForThisRun) {
    const UnwritableRow& row = GetParam();
    if (row.NeedsOrdinaryUser && geteuid() == 0) GTEST_SKIP() << "the superuser writes anyway";
    Set(*OpenStore().Store, "Name1", "Daytime");
    row.Break(file);
    auto opened = OpenStore();
    ASSERT_TRUE(opened.Notice);
    EXPECT_NE(opened.Notice->find("changes made now won't be kept"), std::string::npos) << *opened.Notice;
    EXPECT_FALSE(opened.Store->Persistent());
    EXPECT_EQ(Get(*opened.Store, "Name1"), row.Kept ? std::optional<std::string>(row.Kept) : std::nullopt);
    EXPECT_EQ(Set(*opened.Store, "Name1", "Peak"), ERROR_SUCCESS);
    EXPECT_EQ(Get(*opened.Store, "Name1"), "Peak");
    opened.Store.reset();
    row.Mend(file);
}

const UnwritableRow unwritableRows[] = {
    {"file read-only", true, [](const fs::path& file) { fs::permissions(file, fs::perms::owner_read); },
     [](const fs::path& file) { fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write); },
     "Daytime"},
    {"folder read-only", true,
     [](const fs::path& file) {
         fs::permissions(file.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
     },
     [](const fs::path& file) { fs::permissions(file.parent_path(), fs::perms::owner_all); }, "Daytime"},
    {"file a directory", false,
     [](const fs::path& file) {
         fs::remove(file);
         fs::create_directory(file);
     },
     [](const fs::path& file) { fs::remove(file); }, nullptr},
};
INSTANTIATE_TEST_SUITE_P(Files, UnwritableStore, testing::ValuesIn(unwritableRows), RowName());

// A disk that fills up while the program runs: the write that failed is kept in memory.
TEST_F(SqliteRegistryStoreTest, DiskFullAtAWriteGoesOnInMemoryAndTellsOnce) {
    auto store = OpenStore().Store;
    ASSERT_EQ(Set(*store, "Name1", "Daytime"), ERROR_SUCCESS);
    std::vector<std::string> notices;
    store->OnNotice([&](const std::string& notice) { notices.push_back(notice); });
    OnFullDisk([&] {
        EXPECT_EQ(Set(*store, "Big", std::string(200000, 'x')), ERROR_SUCCESS);
        EXPECT_EQ(Set(*store, "Name1", "Peak"), ERROR_SUCCESS);
    });
    EXPECT_FALSE(store->Persistent());
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(
        notices[0],
        "The settings file \"" + file.string() +
            "\" can't be written any more (disk I/O error). Tallydial goes on with its settings, but changes "
            "made now won't be kept.");
    EXPECT_EQ(Get(*store, "Big"), std::string(200000, 'x'));
    store.reset();
    EXPECT_EQ(Get(*OpenStore().Store, "Name1"), "Daytime") << "the file keeps what it held";
}

// The file taken away while the store runs: the next write must reach a file at the path, with
// everything the store held, and the user hears of it once.
struct GoneRow {
    const char* Name;
    std::function<void(const fs::path&)> Take;
    const char* Name1;  // what the file at the path holds afterwards
    const char* Notice; // part of what the user is told
};
class FileGone : public SqliteRegistryStoreTest, public testing::WithParamInterface<GoneRow> {};

TEST_P(FileGone, NextWriteReachesAFileAtThePathAndTellsOnce) {
    const GoneRow& row = GetParam();
    auto store = OpenStore().Store;
    ASSERT_EQ(Set(*store, "Name1", "Daytime"), ERROR_SUCCESS);
    std::vector<std::string> notices;
    store->OnNotice([&](const std::string& notice) { notices.push_back(notice); });
    row.Take(file);
    store->Follow(); // as every journal write does, long before the exit save
    EXPECT_TRUE(fs::exists(file)) << "a file is at the path again before any write of the store";
    EXPECT_EQ(notices.size(), 1u);

    // The exit save's path: one batch.
    ASSERT_EQ(store->Batch([&] { return Set(*store, "Total", "1000"); }), ERROR_SUCCESS);
    ASSERT_EQ(Set(*store, "Later", "x"), ERROR_SUCCESS);
    EXPECT_TRUE(store->Persistent());
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(row.Notice), std::string::npos) << notices[0];
    store.reset();

    auto reopened = OpenStore();
    EXPECT_FALSE(reopened.Notice);
    EXPECT_EQ(Get(*reopened.Store, "Total"), "1000");
    EXPECT_EQ(Get(*reopened.Store, "Later"), "x");
    EXPECT_EQ(Get(*reopened.Store, "Name1"), row.Name1);
}

const GoneRow goneRows[] = {
    {"deleted", [](const fs::path& file) { fs::remove(file); }, "Daytime", "was deleted"},
    {"deleted with what SQLite keeps beside it",
     [](const fs::path& file) {
         for (const char* suffix : {"", "-wal", "-shm"})
             fs::remove(file.string() + suffix);
     },
     "Daytime", "was deleted"},
    {"folder deleted", [](const fs::path& file) { fs::remove_all(file.parent_path()); }, "Daytime",
     "was deleted"},
    {"replaced by another store",
     [](const fs::path& file) {
         const fs::path restored = file.string() + ".restored";
         {
             FakeClock clock;
             Set(*SqliteRegistryStore::Open(restored, clock).Store, "Name1", "Restored");
         }
         fs::rename(restored, file);
     },
     "Restored", "goes on with the new file"},
    {"replaced by a file that is no store",
     [](const fs::path& file) {
         fs::remove(file);
         std::ofstream(file) << "this is no database at all";
     },
     "Daytime", "has been moved to"},
};
INSTANTIATE_TEST_SUITE_P(Files, FileGone, testing::ValuesIn(goneRows), RowName());
