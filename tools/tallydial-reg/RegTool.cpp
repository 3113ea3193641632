#include "RegTool.h"

#include "RegFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace {

constexpr const char* Done = "The operation completed successfully.";
constexpr const char* Canceled = "The operation was canceled by the user.";
constexpr const char* NotFound = "ERROR: The system was unable to find the specified registry key or value.";
constexpr const char* AccessError = "ERROR: Error accessing the registry.";
constexpr const char* FileError = "ERROR: Error opening the file. There may be a disk or file system error.";

constexpr const char* QueryUsage = "tallydial-reg query KEY [/v NAME | /ve]";
constexpr const char* AddUsage =
    "tallydial-reg add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]";
constexpr const char* DeleteUsage = "tallydial-reg delete KEY [/v NAME | /ve | /va] [/f]";
constexpr const char* ExportUsage = "tallydial-reg export KEY FILE [/y]";
constexpr const char* ImportUsage = "tallydial-reg import FILE";

struct TypeName {
    std::uint32_t Type;
    const char* Name;
};
constexpr TypeName TypeNames[] = {
    {REG_NONE, "REG_NONE"},
    {REG_SZ, "REG_SZ"},
    {REG_EXPAND_SZ, "REG_EXPAND_SZ"},
    {REG_BINARY, "REG_BINARY"},
    {REG_DWORD, "REG_DWORD"},
    {REG_DWORD_BIG_ENDIAN, "REG_DWORD_BIG_ENDIAN"},
    {REG_LINK, "REG_LINK"},
    {REG_MULTI_SZ, "REG_MULTI_SZ"},
    {8, "REG_RESOURCE_LIST"},
    {9, "REG_FULL_RESOURCE_DESCRIPTOR"},
    {10, "REG_RESOURCE_REQUIREMENTS_LIST"},
    {11, "REG_QWORD"},
};

std::string TypeText(std::uint32_t type) {
    for (const TypeName& t : TypeNames)
        if (t.Type == type) return t.Name;
    return "REG_UNKNOWN(" + std::to_string(type) + ")";
}

std::optional<std::uint32_t> TypeFromText(std::string_view text) {
    for (const TypeName& t : TypeNames)
        if (EqualsNoCase(text, t.Name)) return t.Type;
    if (EqualsNoCase(text, "REG_DWORD_LITTLE_ENDIAN")) return REG_DWORD;
    return std::nullopt;
}

std::string HexDigits(const std::vector<std::uint8_t>& data) {
    std::string text;
    char piece[4];
    for (std::uint8_t byte : data) {
        std::snprintf(piece, sizeof piece, "%02X", byte);
        text += piece;
    }
    return text;
}

std::uint64_t LittleEndian(const std::vector<std::uint8_t>& data) {
    std::uint64_t number = 0;
    for (std::size_t i = data.size(); i-- > 0;)
        number = number << 8 | data[i];
    return number;
}

std::string HexNumber(std::uint64_t number) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(number));
    return text;
}

// The data as the query shows it: text up to its NUL, numbers in hex, anything else as hex digits.
std::string DataText(const RegistryValue& value) {
    const std::string raw(value.Data.begin(), value.Data.end());
    switch (value.Type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return raw.substr(0, raw.find('\0'));
    case REG_MULTI_SZ: {
        std::string text = raw;
        while (!text.empty() && text.back() == '\0')
            text.pop_back();
        std::string shown;
        for (char c : text)
            shown += c == '\0' ? std::string("\\0") : std::string(1, c);
        return shown;
    }
    case REG_DWORD:
        if (value.Data.size() == 4) return HexNumber(LittleEndian(value.Data));
        break;
    case REG_DWORD_BIG_ENDIAN:
        if (value.Data.size() == 4)
            return HexNumber(LittleEndian(std::vector<std::uint8_t>(value.Data.rbegin(), value.Data.rend())));
        break;
    case 11:
        if (value.Data.size() == 8) return HexNumber(LittleEndian(value.Data));
        break;
    default:
        break;
    }
    return HexDigits(value.Data);
}

std::string ValueLine(const std::string& name, const RegistryValue& value) {
    return "    " + (name.empty() ? std::string("(Default)") : name) + "    " + TypeText(value.Type) +
           "    " + DataText(value);
}

std::optional<std::uint64_t> ParseWhole(const std::string& text, std::uint64_t max) {
    if (text.empty()) return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    std::uint64_t number = 0;
    for (std::size_t i = hex ? 2 : 0; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt;
        const unsigned base = hex ? 16 : 10;
        if (number > (max - digit) / base) return std::nullopt;
        number = number * base + digit;
    }
    return number;
}

std::vector<std::uint8_t> LittleEndianBytes(std::uint64_t number, std::size_t count) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < count; ++i)
        bytes.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
    return bytes;
}

// The bytes `add` stores for DATA typed as TYPE; nothing when DATA doesn't fit the type.
std::optional<std::vector<std::uint8_t>> EncodeData(std::uint32_t type, const std::string& data,
                                                    char separator) {
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        std::vector<std::uint8_t> bytes(data.begin(), data.end());
        bytes.push_back(0);
        return bytes;
    }
    case REG_MULTI_SZ: {
        // Parts are split at the separator, or at a literal \0 as the query shows them.
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < data.size(); ++i) {
            if (separator ? data[i] == separator : data.compare(i, 2, "\\0") == 0) {
                bytes.push_back(0);
                if (!separator) ++i;
            } else {
                bytes.push_back(static_cast<std::uint8_t>(data[i]));
            }
        }
        if (!data.empty()) bytes.push_back(0);
        bytes.push_back(0);
        return bytes;
    }
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        auto number = data.empty() ? std::optional<std::uint64_t>(0) : ParseWhole(data, 0xFFFFFFFFu);
        if (!number) return std::nullopt;
        auto bytes = LittleEndianBytes(*number, 4);
        if (type == REG_DWORD_BIG_ENDIAN) bytes = {bytes.rbegin(), bytes.rend()};
        return bytes;
    }
    case 11: {
        auto number = data.empty() ? std::optional<std::uint64_t>(0) : ParseWhole(data, ~std::uint64_t{0});
        if (!number) return std::nullopt;
        return LittleEndianBytes(*number, 8);
    }
    default: {
        if (data.size() % 2 != 0) return std::nullopt;
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < data.size(); i += 2) {
            auto byte = ParseWhole("0x" + data.substr(i, 2), 0xFF);
            if (!byte) return std::nullopt;
            bytes.push_back(static_cast<std::uint8_t>(*byte));
        }
        return bytes;
    }
    }
}

class Command {
public:
    Command(std::istream& in, std::ostream& out, std::ostream& err, RegistryStore& store)
        : m_in(in), m_out(out), m_err(err), m_store(store) {}

    int Run(const std::vector<std::string>& args);

private:
    struct Options {
        std::vector<std::string> Positional;
        std::optional<std::string> ValueName; // "" with /ve
        bool AllValues = false;
        std::optional<std::string> Type;
        std::optional<std::string> Data;
        std::optional<std::string> Separator;
        bool Force = false;
    };

    int Query(const Options& options);
    int Add(const Options& options);
    int Delete(const Options& options);
    int Export(const Options& options);
    int Import(const Options& options);

    int Syntax(const char* usage) {
        m_err << "ERROR: Invalid syntax.\nUsage: " << usage << "\n";
        return 1;
    }
    int Fail(const char* message) {
        m_err << message << "\n";
        return 1;
    }
    int Success() {
        m_out << Done << "\n";
        return 0;
    }
    // Asks until the answer is yes or no; the end of input counts as no.
    bool Confirm(const std::string& question) {
        for (;;) {
            m_out << question << " " << std::flush;
            std::string answer;
            if (!std::getline(m_in, answer)) {
                m_out << "\n";
                return false;
            }
            if (EqualsNoCase(answer, "yes") || EqualsNoCase(answer, "y")) return true;
            if (EqualsNoCase(answer, "no") || EqualsNoCase(answer, "n")) return false;
        }
    }

    std::istream& m_in;
    std::ostream& m_out;
    std::ostream& m_err;
    RegistryStore& m_store;
};

int Command::Run(const std::vector<std::string>& args) {
    struct Operation {
        const char* Name;
        const char* Usage;
        std::vector<std::string_view> Switches;
        int (Command::*Handler)(const Options&);
    };
    static const Operation operations[] = {
        {"query", QueryUsage, {"/v", "/ve"}, &Command::Query},
        {"add", AddUsage, {"/v", "/ve", "/t", "/s", "/d", "/f"}, &Command::Add},
        {"delete", DeleteUsage, {"/v", "/ve", "/va", "/f"}, &Command::Delete},
        {"export", ExportUsage, {"/y"}, &Command::Export},
        {"import", ImportUsage, {}, &Command::Import},
    };
    constexpr const char* AllUsage = "tallydial-reg query | add | delete | export | import ...";
    const Operation* operation = nullptr;
    for (const Operation& candidate : operations)
        if (!args.empty() && EqualsNoCase(args[0], candidate.Name)) operation = &candidate;
    if (!operation) return Syntax(AllUsage);

    // Only the switches an operation knows are switches: file names start with a slash too.
    const auto isSwitch = [&](std::string_view word) {
        for (std::string_view known : operation->Switches)
            if (EqualsNoCase(word, known)) return true;
        return false;
    };
    Options options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (!isSwitch(word)) {
            options.Positional.push_back(word);
            continue;
        }
        const auto next = [&](std::optional<std::string>& slot) {
            if (slot || i + 1 >= args.size()) return false;
            slot = args[++i];
            return true;
        };
        bool ok = true;
        if (EqualsNoCase(word, "/v"))
            ok = next(options.ValueName);
        else if (EqualsNoCase(word, "/ve")) {
            ok = !options.ValueName;
            options.ValueName = std::string();
        } else if (EqualsNoCase(word, "/va"))
            options.AllValues = true;
        else if (EqualsNoCase(word, "/t"))
            ok = next(options.Type);
        else if (EqualsNoCase(word, "/d"))
            ok = next(options.Data);
        else if (EqualsNoCase(word, "/s"))
            ok = next(options.Separator);
        else
            options.Force = true; // /f, /y
        if (!ok) return Syntax(operation->Usage);
    }
    return (this->*operation->Handler)(options);
}

int Command::Query(const Options& options) {
    if (options.Positional.size() != 1) return Syntax(QueryUsage);
    auto key = ParseKeyName(options.Positional[0]);
    if (!key) return Syntax(QueryUsage);
    if (!m_store.KeyExists(key->Root, key->Path)) return Fail(NotFound);

    std::vector<std::string> names;
    if (options.ValueName) {
        auto stored = StoredValueName(m_store, *key, *options.ValueName);
        if (!stored) return Fail(NotFound);
        names.push_back(*stored);
    } else {
        m_store.EnumValues(key->Root, key->Path, names);
    }
    const std::string fullName = StoredKeyName(m_store, *key);
    m_out << fullName << "\n";
    for (const std::string& name : names) {
        RegistryValue value;
        if (m_store.QueryValue(key->Root, key->Path, name, value) == ERROR_SUCCESS)
            m_out << ValueLine(name, value) << "\n";
    }
    m_out << "\n";
    if (!options.ValueName) {
        std::vector<std::string> children;
        m_store.EnumKeys(key->Root, key->Path, children);
        for (const std::string& child : children)
            m_out << fullName << "\\" << child << "\n";
    }
    return 0;
}

int Command::Add(const Options& options) {
    if (options.Positional.size() != 1) return Syntax(AddUsage);
    auto key = ParseKeyName(options.Positional[0]);
    if (!key || key->Path.empty()) return Syntax(AddUsage);
    if (!options.ValueName) {
        if (options.Type || options.Data || options.Separator) return Syntax(AddUsage);
        return m_store.CreateKey(key->Root, key->Path) == ERROR_SUCCESS ? Success() : Fail(AccessError);
    }

    const auto type = TypeFromText(options.Type.value_or("REG_SZ"));
    if (!type) return Syntax(AddUsage);
    char separator = 0;
    if (options.Separator) {
        if (options.Separator->size() != 1 || *type != REG_MULTI_SZ) return Syntax(AddUsage);
        separator = (*options.Separator)[0];
    }
    auto data = EncodeData(*type, options.Data.value_or(std::string()), separator);
    if (!data) return Syntax(AddUsage);

    // An existing value keeps the spelling of its name.
    std::string name = *options.ValueName;
    if (auto stored = StoredValueName(m_store, *key, name)) {
        name = *stored;
        if (!options.Force && !Confirm("Value " + (name.empty() ? std::string("(Default)") : name) +
                                       " exists, overwrite(Yes/No)?")) {
            m_out << Canceled << "\n";
            return 1;
        }
    }
    if (m_store.SetValue(key->Root, key->Path, name, *type, *data) != ERROR_SUCCESS) return Fail(AccessError);
    return Success();
}

int Command::Delete(const Options& options) {
    if (options.Positional.size() != 1 || (options.ValueName && options.AllValues))
        return Syntax(DeleteUsage);
    auto key = ParseKeyName(options.Positional[0]);
    if (!key || key->Path.empty()) return Syntax(DeleteUsage);
    if (!m_store.KeyExists(key->Root, key->Path)) return Fail(NotFound);
    const std::string fullName = StoredKeyName(m_store, *key);

    std::vector<std::string> names;
    if (options.ValueName) {
        auto stored = StoredValueName(m_store, *key, *options.ValueName);
        if (!stored) return Fail(NotFound);
        names.push_back(*stored);
    } else if (options.AllValues) {
        m_store.EnumValues(key->Root, key->Path, names);
    }

    const bool wholeKey = !options.ValueName && !options.AllValues;
    const std::string question =
        wholeKey            ? "Permanently delete the registry key " + fullName + " (Yes/No)?"
        : options.AllValues ? "Delete all values under the registry key " + fullName + " (Yes/No)?"
                            : "Delete the registry value " +
                                  (names[0].empty() ? std::string("(Default)") : names[0]) + " (Yes/No)?";
    if (!options.Force && !Confirm(question)) {
        m_out << Canceled << "\n";
        return 1;
    }
    if (wholeKey)
        return DeleteKeyTree(m_store, key->Root, key->Path) == ERROR_SUCCESS ? Success() : Fail(AccessError);
    for (const std::string& name : names)
        if (m_store.DeleteValue(key->Root, key->Path, name) != ERROR_SUCCESS) return Fail(AccessError);
    return Success();
}

int Command::Export(const Options& options) {
    if (options.Positional.size() != 2) return Syntax(ExportUsage);
    auto key = ParseKeyName(options.Positional[0]);
    if (!key) return Syntax(ExportUsage);
    if (!m_store.KeyExists(key->Root, key->Path)) return Fail(NotFound);
    const std::string& file = options.Positional[1];
    if (!options.Force && std::filesystem::exists(file) &&
        !Confirm("File " + file + " already exists. Overwrite (Yes/No)?")) {
        m_out << Canceled << "\n";
        return 1;
    }
    const std::string text = ExportRegText(m_store, *key);
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream << text;
    stream.close();
    if (!stream) return Fail(FileError);
    return Success();
}

int Command::Import(const Options& options) {
    if (options.Positional.size() != 1) return Syntax(ImportUsage);
    std::ifstream stream(options.Positional[0], std::ios::binary);
    if (!stream) return Fail(FileError);
    const std::string bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    if (stream.bad()) return Fail(FileError);
    const RegImportResult result = ImportRegText(m_store, bytes);
    if (!result.Ok) {
        m_err << "ERROR: " << options.Positional[0] << ": " << result.Error << "\n";
        return 1;
    }
    return Success();
}

} // namespace

int RunRegTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
               RegistryStore& store) {
    return Command(in, out, err, store).Run(args);
}
