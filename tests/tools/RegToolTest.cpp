#include "RegTool.h"
#include "RegFile.h"

#include "platform/linux/SqliteRegistryStore.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

namespace {

const std::string Done = "The operation completed successfully.\n";
const std::string NotFound = "ERROR: The system was unable to find the specified registry key or value.\n";
const std::string Syntax = "ERROR: Invalid syntax.\n";
const std::string Key = "Software\\Orvane\\Tallydial";
const std::string Header = "Windows Registry Editor Version 5.00\r\n\r\n";

class RegToolTest : public ::testing::Test {
protected:
    std::unique_ptr<SqliteRegistryStore> OpenStore(const std::string& name) {
        return SqliteRegistryStore::Open(m_folder.Path() / name, m_clock).Store;
    }

    int Run(const std::vector<std::string>& args, const std::string& input = {},
            RegistryStore* store = nullptr) {
        std::istringstream in(input);
        std::ostringstream out, err;
        const int code = RunRegTool(args, in, out, err, store ? *store : *m_store);
        m_out = out.str();
        m_err = err.str();
        return code;
    }

    void Set(const std::string& path, const std::string& name, std::uint32_t type,
             std::vector<std::uint8_t> data) {
        ASSERT_EQ(m_store->SetValue(HKEY_LOCAL_MACHINE, path, name, type, data), ERROR_SUCCESS);
    }
    // A value of every type in the program's key, then a subkey added before one that sorts first.
    void AddEveryType() {
        const std::vector<std::vector<std::string>> adds = {
            {"/v", "Name1", "/d", " 2 "},
            {"/v", "Say \"hi\\\"", "/t", "REG_SZ", "/d", "C:\\dir \"x\""},
            {"/v", "Empty"},
            {"/v", "Path", "/t", "REG_EXPAND_SZ", "/d", "%A%"},
            {"/v", "Count", "/t", "reg_dword", "/d", "0xa"},
            {"/v", "Big", "/t", "REG_DWORD_BIG_ENDIAN", "/d", "0x01020304"},
            {"/v", "Blob", "/t", "REG_BINARY", "/d", "0100ab"},
            {"/v", "Parts", "/t", "REG_MULTI_SZ", "/d", "a\\0b"},
            {"/v", "Split", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "a#b"},
            {"/ve", "/d", "unnamed"},
        };
        for (const auto& add : adds) {
            std::vector<std::string> args{"add", "HKLM\\" + Key};
            args.insert(args.end(), add.begin(), add.end());
            ASSERT_EQ(Run(args), 0) << add[1] << ": " << m_err;
        }
        Set(Key, "Nothing", REG_NONE, {});
        Set(Key, "Odd", 11, {1, 0, 0, 0, 0, 0, 0, 0});
        Set(Key + "\\Work", "Base", REG_SZ, SzBytes(""));
        Set(Key + "\\Default\\Log", "Enabled", REG_SZ, SzBytes("True"));
    }
    // The registry script export writes of a key.
    std::string Exported(RegistryStore& store, const std::string& key) {
        EXPECT_EQ(Run({"export", key, FilePath("out.reg"), "/y"}, {}, &store), 0) << m_err;
        return ReadText(FilePath("out.reg"));
    }

    std::string FilePath(const std::string& name) const { return (m_folder.Path() / name).string(); }
    void WriteFile(const std::string& name, std::string_view bytes) const {
        std::ofstream(FilePath(name), std::ios::binary) << bytes;
    }

    TempFolder m_folder;
    FakeClock m_clock;
    std::unique_ptr<SqliteRegistryStore> m_store = OpenStore("registry.db");
    std::string m_out, m_err;
};

TEST_F(RegToolTest, AddQueryAndExportShowEveryTypeAndImportGivesItBack) {
    AddEveryType();
    EXPECT_EQ(Run({"query", "HKLM\\" + Key}), 0);
    EXPECT_EQ(m_out, "HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\n"
                     "    Name1    REG_SZ     2 \n"
                     "    Say \"hi\\\"    REG_SZ    C:\\dir \"x\"\n"
                     "    Empty    REG_SZ    \n"
                     "    Path    REG_EXPAND_SZ    %A%\n"
                     "    Count    REG_DWORD    0xa\n"
                     "    Big    REG_DWORD_BIG_ENDIAN    0x1020304\n"
                     "    Blob    REG_BINARY    0100AB\n"
                     "    Parts    REG_MULTI_SZ    a\\0b\n"
                     "    Split    REG_MULTI_SZ    a\\0b\n"
                     "    (Default)    REG_SZ    unnamed\n"
                     "    Nothing    REG_NONE    \n"
                     "    Odd    REG_QWORD    0x1\n"
                     "\n"
                     "HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\\Default\n"
                     "HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\\Work\n");

    const std::string exported = Exported(*m_store, "hklm\\software\\orvane\\tallydial");
    EXPECT_EQ(m_out, Done);
    EXPECT_EQ(exported, Header + "[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial]\r\n"
                                 "\"Name1\"=\" 2 \"\r\n"
                                 "\"Say \\\"hi\\\\\\\"\"=\"C:\\\\dir \\\"x\\\"\"\r\n"
                                 "\"Empty\"=\"\"\r\n"
                                 "\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                                 "\"Count\"=dword:0000000a\r\n"
                                 "\"Big\"=hex(5):01,02,03,04\r\n"
                                 "\"Blob\"=hex:01,00,ab\r\n"
                                 "\"Parts\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
                                 "\"Split\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
                                 "@=\"unnamed\"\r\n"
                                 "\"Nothing\"=hex(0):\r\n"
                                 "\"Odd\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                                 "\r\n"
                                 "[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\\Default]\r\n"
                                 "\r\n"
                                 "[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\\Default\\Log]\r\n"
                                 "\"Enabled\"=\"True\"\r\n"
                                 "\r\n"
                                 "[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\\Work]\r\n"
                                 "\"Base\"=\"\"\r\n"
                                 "\r\n");

    // What an export can't show at a glance comes back too.
    Set(Key, "Ends", REG_SZ, SzBytes("ends in \\"));
    Set(Key, "Lines", REG_SZ, SzBytes("a\r\nb"));
    Set(Key + "\\Default\\Misc", "Path", REG_EXPAND_SZ, SzBytes("%HOME%\\ünï"));
    Set(Key + "\\Default\\Misc", "Bytes", REG_BINARY, std::vector<std::uint8_t>(100, 0));
    const std::string backup = Exported(*m_store, "HKLM\\Software");
    auto fresh = OpenStore("fresh.db");
    ASSERT_EQ(Run({"import", FilePath("out.reg")}, {}, fresh.get()), 0) << m_err;
    EXPECT_EQ(m_out, Done);
    EXPECT_EQ(Exported(*fresh, "HKLM\\Software"), backup);
}

// Files are named in the test's folder.
struct BadCommandRow {
    const char* Name;
    std::vector<std::string> Args;
    std::string Error;
};
class BadCommands : public RegToolTest, public testing::WithParamInterface<BadCommandRow> {};

TEST_P(BadCommands, FailWithTheirMessage) {
    Set(Key, "NumOfProfiles", REG_SZ, SzBytes("1"));
    std::vector<std::string> args = GetParam().Args;
    for (std::string& arg : args)
        if (arg.ends_with(".reg")) arg = FilePath(arg);
    EXPECT_EQ(Run(args), 1);
    EXPECT_EQ(m_err.substr(0, GetParam().Error.size()), GetParam().Error);
    EXPECT_EQ(m_out, "");
    EXPECT_FALSE(m_store->KeyExists(HKEY_LOCAL_MACHINE, "Software\\X")) << "a rejected add changes nothing";
}

const BadCommandRow badCommandRows[] = {
    {"absent value", {"query", "HKLM\\" + Key, "/v", "Nope"}, NotFound},
    {"delete of an absent key", {"delete", "HKLM\\Software\\Nobody", "/f"}, NotFound},
    {"export of an absent key", {"export", "HKCU\\Software", "x.reg"}, NotFound},
    {"unknown root", {"query", "HKXX\\Software"}, Syntax},
    {"no operation", {}, Syntax},
    {"switch without its argument", {"query", "HKLM\\Software", "/v"}, Syntax},
    {"dword that is no number",
     {"add", "HKLM\\Software\\X", "/v", "N", "/t", "REG_DWORD", "/d", "12x"},
     Syntax},
    {"unknown type", {"add", "HKLM\\Software\\X", "/v", "N", "/t", "REG_TEXT", "/d", "1"}, Syntax},
    {"import of a missing file",
     {"import", "missing.reg"},
     "ERROR: Error opening the file. There may be a disk or file system error.\n"},
};
INSTANTIATE_TEST_SUITE_P(Commands, BadCommands, testing::ValuesIn(badCommandRows), RowName());

TEST_F(RegToolTest, AddKeepsTheFirstSpellingAndAsksBeforeOverwritingUnlessForced) {
    const std::vector<std::string> query{"query", "hklm\\software\\orvane\\tallydial", "/v", "numofprofiles"};
    ASSERT_EQ(Run({"add", "HKLM\\" + Key, "/v", "NumOfProfiles", "/t", "REG_SZ", "/d", " 2", "/f"}), 0);

    EXPECT_EQ(Run({"add", "HKLM\\" + Key, "/v", "numofprofiles", "/d", " 3"}, "maybe\nno\n"), 1);
    EXPECT_NE(m_out.find("Value NumOfProfiles exists, overwrite(Yes/No)?"), std::string::npos);
    EXPECT_EQ(Run({"add", "HKLM\\" + Key, "/v", "NumOfProfiles", "/d", " 3"}, ""), 1)
        << "end of input means no";
    EXPECT_EQ(Run(query), 0);
    EXPECT_EQ(m_out, "HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\n"
                     "    NumOfProfiles    REG_SZ     2\n\n");

    EXPECT_EQ(
        Run({"ADD", "hkey_local_machine\\SOFTWARE\\orvane\\tallydial", "/V", "numofprofiles", "/d", " 3"},
            "Yes\n"),
        0);
    ASSERT_EQ(Run({"add", "HKLM\\" + Key, "/v", "numOfProfiles", "/d", " 4", "/F"}), 0);
    EXPECT_EQ(Run(query), 0);
    EXPECT_EQ(m_out, "HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\n"
                     "    NumOfProfiles    REG_SZ     4\n\n");
}

TEST_F(RegToolTest, DeleteRemovesAValueOrTheWholeTree) {
    Set(Key + "\\Default\\Log", "Enabled", REG_SZ, SzBytes("True"));
    Set(Key + "\\Default", "Base", REG_SZ, SzBytes(""));
    EXPECT_EQ(Run({"delete", "HKLM\\" + Key + "\\Default", "/v", "BASE", "/f"}), 0);
    EXPECT_EQ(Run({"query", "HKLM\\" + Key + "\\Default", "/v", "Base"}), 1);

    EXPECT_EQ(Run({"delete", "HKLM\\" + Key + "\\Default"}, "n\n"), 1);
    EXPECT_TRUE(m_store->KeyExists(HKEY_LOCAL_MACHINE, Key + "\\Default"));
    EXPECT_EQ(Run({"delete", "HKLM\\" + Key + "\\Default", "/f"}), 0);
    EXPECT_FALSE(m_store->KeyExists(HKEY_LOCAL_MACHINE, Key + "\\Default"));
    EXPECT_TRUE(m_store->KeyExists(HKEY_LOCAL_MACHINE, Key)) << "the parent stays";
}

TEST_F(RegToolTest, ImportReadsUtf16ContinuationsAndDeletions) {
    Set("Software\\Old", "Stale", REG_SZ, SzBytes("x"));
    Set("Software\\Keep", "Gone", REG_SZ, SzBytes("x"));
    Set("Software\\Keep", "Stays", REG_SZ, SzBytes("x"));
    const std::string script = "Windows Registry Editor Version 5.00\r\n"
                               "\r\n"
                               "; a comment\r\n"
                               "[-HKEY_LOCAL_MACHINE\\Software\\Old]\r\n"
                               "[HKEY_LOCAL_MACHINE\\Software\\Keep]\r\n"
                               "\"Gone\"=-\r\n"
                               "\"Long\"=hex:01,02,\\\r\n"
                               "  03,04\r\n"
                               "\"Pound\"=\"£\"\r\n"
                               "[HKEY_LOCAL_MACHINE\\Software\\New]\r\n";
    const auto utf16 = Utf8ToUtf16Le(script);
    WriteFile("u16.reg", "\xFF\xFE" + std::string(utf16.begin(), utf16.end()));

    ASSERT_EQ(Run({"import", FilePath("u16.reg")}), 0) << m_err;
    EXPECT_FALSE(m_store->KeyExists(HKEY_LOCAL_MACHINE, "Software\\Old"));
    EXPECT_TRUE(m_store->KeyExists(HKEY_LOCAL_MACHINE, "Software\\New"));
    EXPECT_EQ(Run({"query", "HKLM\\Software\\Keep"}), 0);
    EXPECT_EQ(m_out, "HKEY_LOCAL_MACHINE\\Software\\Keep\n"
                     "    Stays    REG_SZ    x\n"
                     "    Long    REG_BINARY    01020304\n"
                     "    Pound    REG_SZ    £\n\n");
}

const std::string GoodScript =
    "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\Software\\A]\n\"x\"=\"1\"\n";
struct ImportRow {
    const char* Name;
    std::string Script, Error;
};
class ImportIsAllOrNothing : public RegToolTest, public testing::WithParamInterface<ImportRow> {};

TEST_P(ImportIsAllOrNothing, RefusedScriptsChangeNothing) {
    WriteFile("in.reg", GetParam().Script);
    EXPECT_EQ(Run({"import", FilePath("in.reg")}), 1);
    EXPECT_NE(m_err.find(GetParam().Error), std::string::npos) << m_err;
    EXPECT_FALSE(m_store->KeyExists(HKEY_LOCAL_MACHINE, "Software\\A"));
}

const ImportRow importRows[] = {
    {"a bad line", GoodScript + "\"y\"=dword:xyz\n", "line 4"},
    {"no header, no script", "[HKEY_LOCAL_MACHINE\\Software\\A]\n", ""},
    {"the store refuses a name too long",
     GoodScript + "[HKEY_LOCAL_MACHINE\\Software\\" + std::string(300, 'k') + "]\n",
     "/in.reg: Error accessing the registry.\n"},
    {"a key deeper than 512 levels",
     GoodScript + "[HKEY_LOCAL_MACHINE\\Software" + Repeated("\\k", 512) + "]\n",
     "line 4: the key is more than 512 levels deep"},
    {"a total beyond 1e12",
     GoodScript +
         "[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\\Default\\CumulativeTotal]\n\"Money\"=\"1e13\"\n",
     "line 5: \"Money\" is not an amount between -1e12 and 1e12"},
    {"a charge rate below -1e12",
     GoodScript + "[hklm\\software\\orvane\\tallydial\\Work\\charges]\n\"amount3\"=\" -2000000000000\"\n",
     "line 5: \"amount3\" is not an amount between -1e12 and 1e12"},
    {"a month's data below 0",
     GoodScript +
         "[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\\Default\\ISP Charges]\n\"DataUsed\"=\"-1\"\n",
     "line 5: \"DataUsed\" is not a volume between 0 and 1e12"},
};
INSTANTIATE_TEST_SUITE_P(Scripts, ImportIsAllOrNothing, testing::ValuesIn(importRows), RowName());

} // namespace
