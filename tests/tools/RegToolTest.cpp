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

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}
std::vector<std::uint8_t> Text(std::string_view text) {
    auto bytes = Bytes(text);
    bytes.push_back(0);
    return bytes;
}

class RegToolTest : public ::testing::Test {
protected:
    RegToolTest() : m_store(OpenStore("registry.db")) {}

    std::unique_ptr<SqliteRegistryStore> OpenStore(const std::string& name) {
        return SqliteRegistryStore::Open(m_folder.Path() / name, m_clock).Store;
    }

    int Run(std::vector<std::string> args, const std::string& input = {}) {
        return Run(*m_store, args, input);
    }
    int Run(RegistryStore& store, const std::vector<std::string>& args, const std::string& input = {}) {
        std::istringstream in(input);
        std::ostringstream out, err;
        const int code = RunRegTool(args, in, out, err, store);
        m_out = out.str();
        m_err = err.str();
        return code;
    }

    void Set(const std::string& path, const std::string& name, std::uint32_t type,
             std::vector<std::uint8_t> data) {
        ASSERT_EQ(m_store->SetValue(HKEY_LOCAL_MACHINE, path, name, type, data), ERROR_SUCCESS);
    }

    // Every key below `path` with its values, in a form that shows spelling, type and bytes.
    static std::string Dump(RegistryStore& store, const std::string& path) {
        std::string text = "[" + path + "]\n";
        std::vector<std::string> names;
        store.EnumValues(HKEY_LOCAL_MACHINE, path, names);
        for (const std::string& name : names) {
            RegistryValue value;
            store.QueryValue(HKEY_LOCAL_MACHINE, path, name, value);
            text += name + " type " + std::to_string(value.Type) + ":";
            for (std::uint8_t byte : value.Data)
                text += " " + std::to_string(byte);
            text += "\n";
        }
        std::vector<std::string> children;
        store.EnumKeys(HKEY_LOCAL_MACHINE, path, children);
        for (const std::string& child : children)
            text += Dump(store, path + "\\" + child);
        return text;
    }

    std::string FilePath(const std::string& name) const { return (m_folder.Path() / name).string(); }
    void WriteFile(const std::string& name, std::string_view bytes) const {
        std::ofstream(FilePath(name), std::ios::binary) << bytes;
    }
    std::string ReadFile(const std::string& name) const {
        std::ifstream stream(FilePath(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    }

    TempFolder m_folder;
    FakeClock m_clock;
    std::unique_ptr<SqliteRegistryStore> m_store;
    std::string m_out, m_err;
};

TEST_F(RegToolTest, QueryListsEveryTypeThenTheSubkeys) {
    const std::string key = "Software\\Orvane\\Tallydial\\Default";
    Set(key, "Name1", REG_SZ, Text("Daytime"));
    Set(key, "Path", REG_EXPAND_SZ, Text("%HOME%\\log"));
    Set(key, "Count", REG_DWORD, {10, 0, 0, 0});
    Set(key, "Big", REG_DWORD_BIG_ENDIAN, {1, 2, 3, 4});
    Set(key, "Blob", REG_BINARY, {1, 0, 0xFF});
    Set(key, "Parts", REG_MULTI_SZ, Bytes(std::string("a\0b\0\0", 5)));
    Set(key, "Nothing", REG_NONE, {});
    Set(key, "", REG_SZ, Text("unnamed"));
    Set(key + "\\Charges", "MinCharge", REG_SZ, Text("0"));
    Set(key + "\\Alarm", "Alarm", REG_SZ, Text("3"));

    EXPECT_EQ(Run({"query", "HKLM\\" + key}), 0);
    EXPECT_EQ(m_out, "HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\\Default\n"
                     "    Name1    REG_SZ    Daytime\n"
                     "    Path    REG_EXPAND_SZ    %HOME%\\log\n"
                     "    Count    REG_DWORD    0xa\n"
                     "    Big    REG_DWORD_BIG_ENDIAN    0x1020304\n"
                     "    Blob    REG_BINARY    0100FF\n"
                     "    Parts    REG_MULTI_SZ    a\\0b\n"
                     "    Nothing    REG_NONE    \n"
                     "    (Default)    REG_SZ    unnamed\n"
                     "\n"
                     "HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\\Default\\Alarm\n"
                     "HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\\Default\\Charges\n");
}

TEST_F(RegToolTest, BadCommandsFailWithTheirMessage) {
    Set("Software\\Orvane\\Tallydial", "NumOfProfiles", REG_SZ, Text("1"));
    const struct {
        const char* Behaviour;
        std::vector<std::string> Args;
        std::string Error;
    } rows[] = {
        {"absent key", {"query", "HKLM\\Software\\Nobody"}, NotFound},
        {"absent value", {"query", "HKLM\\Software\\Orvane\\Tallydial", "/v", "Nope"}, NotFound},
        {"delete of an absent key", {"delete", "HKLM\\Software\\Nobody", "/f"}, NotFound},
        {"export of an absent key", {"export", "HKCU\\Software", FilePath("x.reg")}, NotFound},
        {"unknown root", {"query", "HKXX\\Software"}, "ERROR: Invalid syntax.\n"},
        {"no operation", {}, "ERROR: Invalid syntax.\n"},
        {"switch without its argument", {"query", "HKLM\\Software", "/v"}, "ERROR: Invalid syntax.\n"},
        {"dword that is no number",
         {"add", "HKLM\\Software\\X", "/v", "N", "/t", "REG_DWORD", "/d", "12x"},
         "ERROR: Invalid syntax.\n"},
        {"unknown type",
         {"add", "HKLM\\Software\\X", "/v", "N", "/t", "REG_TEXT", "/d", "1"},
         "ERROR: Invalid syntax.\n"},
        {"import of a missing file",
         {"import", FilePath("missing.reg")},
         "ERROR: Error opening the file. There may be a disk or file system error.\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Behaviour);
        EXPECT_EQ(Run(row.Args), 1);
        EXPECT_EQ(m_err.substr(0, row.Error.size()), row.Error);
        EXPECT_EQ(m_out, "");
    }
    EXPECT_FALSE(m_store->KeyExists(HKEY_LOCAL_MACHINE, "Software\\X")) << "a rejected add changes nothing";
}

TEST_F(RegToolTest, AddKeepsTheFirstSpellingAndAsksBeforeOverwritingUnlessForced) {
    const std::string key = "HKLM\\Software\\Orvane\\Tallydial";
    const std::vector<std::string> query{"query", "hklm\\software\\orvane\\tallydial", "/v", "numofprofiles"};
    ASSERT_EQ(Run({"add", key, "/v", "NumOfProfiles", "/t", "REG_SZ", "/d", " 2", "/f"}), 0);
    EXPECT_EQ(m_out, Done);

    EXPECT_EQ(Run({"add", key, "/v", "numofprofiles", "/d", " 3"}, "maybe\nno\n"), 1);
    EXPECT_NE(m_out.find("Value NumOfProfiles exists, overwrite(Yes/No)?"), std::string::npos);
    EXPECT_EQ(Run({"add", key, "/v", "NumOfProfiles", "/d", " 3"}, ""), 1) << "end of input means no";
    EXPECT_EQ(Run(query), 0);
    EXPECT_EQ(m_out, "HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\n"
                     "    NumOfProfiles    REG_SZ     2\n\n");

    EXPECT_EQ(
        Run({"ADD", "hkey_local_machine\\SOFTWARE\\orvane\\tallydial", "/V", "numofprofiles", "/d", " 3"},
            "Yes\n"),
        0);
    ASSERT_EQ(Run({"add", key, "/v", "numOfProfiles", "/d", " 4", "/F"}), 0);
    EXPECT_EQ(Run(query), 0);
    EXPECT_EQ(m_out, "HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\n"
                     "    NumOfProfiles    REG_SZ     4\n\n");
}

TEST_F(RegToolTest, AddStoresTheDataInTheChosenType) {
    const std::vector<std::vector<std::string>> adds = {
        {"/v", "text keeps its blanks", "/t", "REG_SZ", "/d", " 2 "},
        {"/v", "missing data is the empty text"},
        {"/v", "decimal dword", "/t", "REG_DWORD", "/d", "4294967295"},
        {"/v", "hex dword", "/t", "reg_dword", "/d", "0x1f"},
        {"/v", "big-endian dword", "/t", "REG_DWORD_BIG_ENDIAN", "/d", "0x01020304"},
        {"/v", "binary from hex digits", "/t", "REG_BINARY", "/d", "00ff10"},
        {"/v", "multi-string parts at \\0", "/t", "REG_MULTI_SZ", "/d", "a\\0b"},
        {"/v", "multi-string with a separator", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "a#b"},
        {"/v", "expand string unexpanded", "/t", "REG_EXPAND_SZ", "/d", "%HOME%"},
        {"/ve", "/d", "unnamed"},
    };
    for (const auto& add : adds) {
        std::vector<std::string> args{"add", "HKLM\\Software\\T"};
        args.insert(args.end(), add.begin(), add.end());
        ASSERT_EQ(Run(args), 0) << add[1] << ": " << m_err;
    }
    EXPECT_EQ(Dump(*m_store, "Software\\T"), "[Software\\T]\n"
                                             "text keeps its blanks type 1: 32 50 32 0\n"
                                             "missing data is the empty text type 1: 0\n"
                                             "decimal dword type 4: 255 255 255 255\n"
                                             "hex dword type 4: 31 0 0 0\n"
                                             "big-endian dword type 5: 1 2 3 4\n"
                                             "binary from hex digits type 3: 0 255 16\n"
                                             "multi-string parts at \\0 type 7: 97 0 98 0 0\n"
                                             "multi-string with a separator type 7: 97 0 98 0 0\n"
                                             "expand string unexpanded type 2: 37 72 79 77 69 37 0\n"
                                             " type 1: 117 110 110 97 109 101 100 0\n");
}

TEST_F(RegToolTest, DeleteRemovesAValueOrTheWholeTree) {
    Set("Software\\Orvane\\Tallydial\\Default\\Log", "Enabled", REG_SZ, Text("True"));
    Set("Software\\Orvane\\Tallydial\\Default", "Base", REG_SZ, Text(""));
    Set("Software\\Orvane\\Tallydial", "NumOfProfiles", REG_SZ, Text("1"));

    EXPECT_EQ(Run({"delete", "HKLM\\Software\\Orvane\\Tallydial\\Default", "/v", "BASE", "/f"}), 0);
    EXPECT_EQ(m_out, Done);
    RegistryValue value;
    EXPECT_NE(m_store->QueryValue(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Tallydial\\Default", "Base", value),
              ERROR_SUCCESS);

    EXPECT_EQ(Run({"delete", "HKLM\\Software\\Orvane\\Tallydial\\Default"}, "n\n"), 1);
    EXPECT_TRUE(m_store->KeyExists(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Tallydial\\Default"));

    EXPECT_EQ(Run({"delete", "HKLM\\Software\\Orvane\\Tallydial\\Default", "/f"}), 0);
    EXPECT_FALSE(m_store->KeyExists(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Tallydial\\Default"));
    EXPECT_TRUE(m_store->KeyExists(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Tallydial")) << "the parent stays";
}

TEST_F(RegToolTest, ExportWritesTheRegistryScriptFormat) {
    const std::string key = "Software\\Orvane\\Tallydial";
    Set(key, "NumOfProfiles", REG_SZ, Text(" 2"));
    Set(key, "Say \"hi\\\"", REG_SZ, Text("C:\\dir \"x\""));
    Set(key, "", REG_SZ, Text("unnamed"));
    Set(key, "Count", REG_DWORD, {10, 0, 0, 0});
    Set(key, "Blob", REG_BINARY, {1, 0, 0xAB});
    Set(key, "Path", REG_EXPAND_SZ, Text("%A%"));
    Set(key, "Parts", REG_MULTI_SZ, Bytes(std::string("a\0\0", 3)));
    Set(key, "Odd", 11, {1, 0, 0, 0, 0, 0, 0, 0});
    Set(key + "\\Default\\Log", "Enabled", REG_SZ, Text("True"));

    ASSERT_EQ(Run({"export", "hklm\\software\\orvane\\tallydial", FilePath("out.reg")}), 0);
    EXPECT_EQ(m_out, Done);
    EXPECT_EQ(ReadFile("out.reg"), "Windows Registry Editor Version 5.00\r\n"
                                   "\r\n"
                                   "[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial]\r\n"
                                   "\"NumOfProfiles\"=\" 2\"\r\n"
                                   "\"Say \\\"hi\\\\\\\"\"=\"C:\\\\dir \\\"x\\\"\"\r\n"
                                   "@=\"unnamed\"\r\n"
                                   "\"Count\"=dword:0000000a\r\n"
                                   "\"Blob\"=hex:01,00,ab\r\n"
                                   "\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                                   "\"Parts\"=hex(7):61,00,00,00,00,00\r\n"
                                   "\"Odd\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                                   "\r\n"
                                   "[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\\Default]\r\n"
                                   "\r\n"
                                   "[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Tallydial\\Default\\Log]\r\n"
                                   "\"Enabled\"=\"True\"\r\n"
                                   "\r\n");
}

TEST_F(RegToolTest, ImportOfAnExportGivesBackTheSameTree) {
    const std::string key = "Software\\Orvane\\Tallydial";
    Set(key, "NumOfProfiles", REG_SZ, Text(" 2"));
    Set(key, "Quote\"And\\Backslash", REG_SZ, Text("ends in \\"));
    Set(key, "", REG_SZ, Text(""));
    Set(key + "\\Default\\Country", "Double", REG_SZ, Text("£"));
    Set(key + "\\Default\\Misc", "Path", REG_EXPAND_SZ, Text("%HOME%\\ünï"));
    Set(key + "\\Default\\Misc", "Count", REG_DWORD, {0xFF, 0, 0, 0x80});
    Set(key + "\\Default\\Misc", "Bytes", REG_BINARY, std::vector<std::uint8_t>(100, 0));
    Set(key + "\\Default\\Misc", "Parts", REG_MULTI_SZ, Bytes(std::string("one\0two\0\0", 9)));
    Set(key + "\\Default\\Misc", "Empty", REG_SZ, {});
    Set(key + "\\Default\\Misc", "Lines", REG_SZ, Text("a\r\nb"));
    Set(key + "\\Default\\Misc", "Big", REG_DWORD_BIG_ENDIAN, {1, 2, 3, 4});
    Set(key + "\\Work Profile\\ISP charges", "freetimeleft", REG_SZ, Text(" .5"));
    ASSERT_EQ(Run({"export", "HKLM\\Software", FilePath("backup.reg")}), 0);

    auto fresh = OpenStore("fresh.db");
    ASSERT_EQ(Run(*fresh, {"import", FilePath("backup.reg")}), 0) << m_err;
    EXPECT_EQ(m_out, Done);
    EXPECT_EQ(Dump(*fresh, "Software"), Dump(*m_store, "Software"));
}

TEST_F(RegToolTest, ImportReadsUtf16ContinuationsAndDeletions) {
    Set("Software\\Old", "Stale", REG_SZ, Text("x"));
    Set("Software\\Keep", "Gone", REG_SZ, Text("x"));
    Set("Software\\Keep", "Stays", REG_SZ, Text("x"));
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
    EXPECT_EQ(Dump(*m_store, "Software\\Keep"), "[Software\\Keep]\n"
                                                "Stays type 1: 120 0\n"
                                                "Long type 3: 1 2 3 4\n"
                                                "Pound type 1: 194 163 0\n");
}

TEST_F(RegToolTest, ImportIsAllOrNothing) {
    WriteFile("bad.reg", "Windows Registry Editor Version 5.00\n"
                         "[HKEY_LOCAL_MACHINE\\Software\\A]\n"
                         "\"x\"=\"1\"\n"
                         "\"y\"=dword:xyz\n");
    EXPECT_EQ(Run({"import", FilePath("bad.reg")}), 1);
    EXPECT_NE(m_err.find("line 4"), std::string::npos) << m_err;
    EXPECT_FALSE(m_store->KeyExists(HKEY_LOCAL_MACHINE, "Software\\A"));

    WriteFile("plain.txt", "[HKEY_LOCAL_MACHINE\\Software\\A]\n");
    EXPECT_EQ(Run({"import", FilePath("plain.txt")}), 1) << "no header, no script";
    EXPECT_FALSE(m_store->KeyExists(HKEY_LOCAL_MACHINE, "Software\\A"));

    const std::string good =
        "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\Software\\A]\n\"x\"=\"1\"\n";
    WriteFile("refused.reg", good + "[HKEY_LOCAL_MACHINE\\Software\\" + std::string(300, 'k') + "]\n");
    EXPECT_EQ(Run({"import", FilePath("refused.reg")}), 1) << "the store refuses a name too long";
    EXPECT_EQ(m_err, "ERROR: " + FilePath("refused.reg") + ": Error accessing the registry.\n");
    EXPECT_FALSE(m_store->KeyExists(HKEY_LOCAL_MACHINE, "Software\\A"));

    struct CutShort {};
    EXPECT_THROW(m_store->Batch([&]() -> long {
        ImportRegText(*m_store, good);
        throw CutShort{};
    }),
                 CutShort);
    EXPECT_FALSE(OpenStore("registry.db")->KeyExists(HKEY_LOCAL_MACHINE, "Software\\A"))
        << "an import cut short";
}

} // namespace
