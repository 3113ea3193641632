#include "RegFile.h"

#include "settings/RunTimeError.h"
#include "settings/Settings.h"
#include "settings/SettingsTable.h"

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr const char* Header5 = "Windows Registry Editor Version 5.00";
constexpr const char* Header4 = "REGEDIT4";
constexpr const char* Eol = "\r\n";
constexpr std::size_t LineWidth = 80;
constexpr std::string_view Blanks = " \t";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsStringType(std::uint32_t type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

std::string QuotedName(std::string_view name) {
    return name.empty() ? "@" : "\"" + Escaped(name) + "\"";
}

std::string JoinPath(const std::string& parent, const std::string& child) {
    return parent.empty() ? child : parent + "\\" + child;
}

std::string FullName(std::int32_t root, const std::string& path) {
    return path.empty() ? RootLongName(root) : RootLongName(root) + "\\" + path;
}

// hex bytes as regedit writes them: comma separated, wrapped with a backslash before the margin.
void AppendHex(std::string& out, std::size_t lineStart, const std::vector<std::uint8_t>& data) {
    std::size_t column = out.size() - lineStart;
    for (std::size_t i = 0; i < data.size(); ++i) {
        char piece[4];
        std::snprintf(piece, sizeof piece, "%02x", data[i]);
        std::string text = piece;
        if (i + 1 < data.size()) text += ',';
        if (column + text.size() > LineWidth - 2) {
            out += "\\";
            out += Eol;
            out += "  ";
            column = 2;
        }
        out += text;
        column += text.size();
    }
}

// A REG_SZ that fits between quotes on one line and reads back byte for byte.
bool FitsQuoted(const std::vector<std::uint8_t>& data) {
    if (data.empty() || data.back() != 0) return false;
    for (std::size_t i = 0; i + 1 < data.size(); ++i)
        if (data[i] == 0 || data[i] == '\r' || data[i] == '\n') return false;
    return true;
}

void ExportValue(std::string& out, const std::string& name, const RegistryValue& value) {
    const std::size_t lineStart = out.size();
    out += QuotedName(name) + "=";
    if (value.Type == REG_SZ && FitsQuoted(value.Data)) {
        out += "\"" +
               Escaped(std::string_view(reinterpret_cast<const char*>(value.Data.data()),
                                        value.Data.size() - 1)) +
               "\"";
    } else if (value.Type == REG_DWORD && value.Data.size() == 4) {
        char text[16];
        std::snprintf(text, sizeof text, "dword:%02x%02x%02x%02x", value.Data[3], value.Data[2],
                      value.Data[1], value.Data[0]);
        out += text;
    } else if (value.Type == REG_BINARY) {
        out += "hex:";
        AppendHex(out, lineStart, value.Data);
    } else {
        char prefix[24];
        std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.Type));
        out += prefix;
        AppendHex(out, lineStart,
                  IsStringType(value.Type)
                      ? Utf8ToUtf16Le(std::string_view(reinterpret_cast<const char*>(value.Data.data()),
                                                       value.Data.size()))
                      : value.Data);
    }
    out += Eol;
}

void ExportKey(RegistryStore& store, std::int32_t root, const std::string& path, std::string& out) {
    out += "[" + FullName(root, path) + "]" + Eol;
    std::vector<std::string> names;
    store.EnumValues(root, path, names);
    for (const std::string& name : names) {
        RegistryValue value;
        if (store.QueryValue(root, path, name, value) == ERROR_SUCCESS) ExportValue(out, name, value);
    }
    out += Eol;
    std::vector<std::string> children;
    store.EnumKeys(root, path, children);
    for (const std::string& child : children)
        ExportKey(store, root, JoinPath(path, child), out);
}

struct LogicalLine {
    std::string Text;
    std::size_t Number = 0;
};

// The script's lines one at a time, a line ending in a backslash joined with the next.
class LogicalLines {
public:
    explicit LogicalLines(std::string_view text) : m_text(text) {}

    bool Next(LogicalLine& line) {
        if (m_done) return false;
        bool first = true;
        for (;;) {
            std::size_t end = m_text.find_first_of("\r\n", m_pos);
            if (end == std::string_view::npos) end = m_text.size();
            const std::string_view physical = m_text.substr(m_pos, end - m_pos);
            ++m_number;
            if (first) {
                line.Text.assign(physical);
                line.Number = m_number;
                first = false;
            } else {
                line.Text += Trim(physical, Blanks);
            }
            std::string& text = line.Text;
            while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
                text.pop_back();
            // A trailing backslash carries a long hex list over to the next line.
            const bool continuing = !text.empty() && text.back() == '\\' && Trim(text, Blanks).front() != '[';
            if (continuing) text.pop_back();
            if (end == m_text.size()) {
                m_done = true;
                return true;
            }
            m_pos = end + (m_text.substr(end, 2) == "\r\n" ? 2 : 1);
            if (!continuing) return true;
        }
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    std::size_t m_number = 0;
    bool m_done = false;
};

// Reads a quoted string starting at text[pos] == '"'; pos ends after the closing quote.
std::optional<std::string> ReadQuoted(std::string_view text, std::size_t& pos) {
    std::string out;
    for (std::size_t i = pos + 1; i < text.size(); ++i) {
        if (text[i] == '"') {
            pos = i + 1;
            return out;
        }
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) ++i;
        out += text[i];
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> ReadHexList(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    text = Trim(text, Blanks);
    if (text.empty()) return bytes;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) comma = text.size();
        const std::string_view token = Trim(text.substr(start, comma - start), Blanks);
        if (token.empty()) {
            if (comma != text.size()) return std::nullopt; // an empty item before a later one
        } else {
            if (token.size() > 2) return std::nullopt;
            int value = 0;
            for (char c : token) {
                const int digit = HexDigit(c);
                if (digit < 0) return std::nullopt;
                value = value * 16 + digit;
            }
            bytes.push_back(static_cast<std::uint8_t>(value));
        }
        if (comma == text.size()) break;
        start = comma + 1;
    }
    return bytes;
}

// The data after "name=": the step's type and bytes, or an error text.
std::optional<std::string> ReadData(std::string_view data, bool unicode, ImportStep& step) {
    if (!data.empty() && data.front() == '"') {
        std::size_t pos = 0;
        auto text = ReadQuoted(data, pos);
        if (!text) return "the text has no closing quote";
        if (!Trim(data.substr(pos), Blanks).empty()) return "unexpected text after the closing quote";
        step.Type = REG_SZ;
        step.Data.assign(text->begin(), text->end());
        step.Data.push_back(0);
        return std::nullopt;
    }
    if (StartsWithNoCase(data, "dword:")) {
        const std::string_view digits = Trim(data.substr(6), Blanks);
        if (digits.empty() || digits.size() > 8) return "a dword needs one to eight hex digits";
        std::uint32_t number = 0;
        for (char c : digits) {
            const int digit = HexDigit(c);
            if (digit < 0) return "a dword needs one to eight hex digits";
            number = number * 16 + static_cast<std::uint32_t>(digit);
        }
        step.Type = REG_DWORD;
        step.Data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                     static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
        return std::nullopt;
    }
    if (StartsWithNoCase(data, "hex")) {
        std::size_t pos = 3;
        step.Type = REG_BINARY;
        if (pos < data.size() && data[pos] == '(') {
            const std::size_t close = data.find(')', pos);
            if (close == std::string_view::npos || close == pos + 1 || close - pos > 9)
                return "the type of hex(...) is not a hex number";
            std::uint32_t type = 0;
            for (char c : data.substr(pos + 1, close - pos - 1)) {
                const int digit = HexDigit(c);
                if (digit < 0) return "the type of hex(...) is not a hex number";
                type = type * 16 + static_cast<std::uint32_t>(digit);
            }
            step.Type = type;
            pos = close + 1;
        }
        if (pos >= data.size() || data[pos] != ':') return "hex data needs a colon";
        auto bytes = ReadHexList(data.substr(pos + 1));
        if (!bytes) return "hex data must be bytes of two hex digits separated by commas";
        if (unicode && IsStringType(step.Type)) {
            auto text =
                Utf16LeToUtf8(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
            if (!text) return "the text has an odd number of bytes";
            step.Data.assign(text->begin(), text->end());
        } else {
            step.Data = std::move(*bytes);
        }
        return std::nullopt;
    }
    return "unknown kind of data";
}

} // namespace

namespace {
// The levels of a key path; doubled or trailing backslashes make none.
std::size_t KeyDepth(std::string_view path) {
    std::size_t depth = 0;
    bool inName = false;
    for (const char c : path) {
        if (c == '\\') {
            inName = false;
        } else if (!inName) {
            inName = true;
            ++depth;
        }
    }
    return depth;
}
} // namespace

std::optional<RegKeyName> ParseKeyName(std::string_view text) {
    const std::size_t slash = text.find('\\');
    const std::string_view rootText = text.substr(0, slash);
    RegKeyName key;
    if (EqualsNoCase(rootText, "HKLM") || EqualsNoCase(rootText, "HKEY_LOCAL_MACHINE"))
        key.Root = HKEY_LOCAL_MACHINE;
    else if (EqualsNoCase(rootText, "HKCU") || EqualsNoCase(rootText, "HKEY_CURRENT_USER"))
        key.Root = HKEY_CURRENT_USER;
    else if (EqualsNoCase(rootText, "HKCR") || EqualsNoCase(rootText, "HKEY_CLASSES_ROOT"))
        key.Root = HKEY_CLASSES_ROOT;
    else
        return std::nullopt;
    if (slash == std::string_view::npos) return key;
    std::string_view path = text.substr(slash + 1);
    while (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    if (!path.empty() && (path.front() == '\\' || path.find("\\\\") != std::string_view::npos))
        return std::nullopt;
    key.Path = std::string(path);
    return key;
}

std::string RootLongName(std::int32_t root) {
    switch (root) {
    case HKEY_LOCAL_MACHINE:
        return "HKEY_LOCAL_MACHINE";
    case HKEY_CURRENT_USER:
        return "HKEY_CURRENT_USER";
    case HKEY_CLASSES_ROOT:
        return "HKEY_CLASSES_ROOT";
    default:
        return std::to_string(root);
    }
}

std::string StoredKeyPath(RegistryStore& store, const RegKeyName& key) {
    std::string stored;
    std::size_t start = 0;
    while (start < key.Path.size()) {
        std::size_t end = key.Path.find('\\', start);
        if (end == std::string::npos) end = key.Path.size();
        std::string part = key.Path.substr(start, end - start);
        std::vector<std::string> children;
        store.EnumKeys(key.Root, stored, children);
        for (const std::string& child : children)
            if (EqualsNoCase(child, part)) part = child;
        stored = JoinPath(stored, part);
        start = end + 1;
    }
    return stored;
}

std::string StoredKeyName(RegistryStore& store, const RegKeyName& key) {
    return FullName(key.Root, StoredKeyPath(store, key));
}

std::optional<std::string> StoredValueName(RegistryStore& store, const RegKeyName& key,
                                           std::string_view name) {
    std::vector<std::string> names;
    if (store.EnumValues(key.Root, key.Path, names) != ERROR_SUCCESS) return std::nullopt;
    for (const std::string& stored : names)
        if (EqualsNoCase(stored, name)) return stored;
    return std::nullopt;
}

long DeleteKeyTree(RegistryStore& store, std::int32_t root, const std::string& path) {
    if (!store.KeyExists(root, path)) return ERROR_FILE_NOT_FOUND;
    std::vector<std::string> children;
    store.EnumKeys(root, path, children);
    for (const std::string& child : children) {
        const long result = DeleteKeyTree(store, root, JoinPath(path, child));
        if (result != ERROR_SUCCESS) return result;
    }
    return store.DeleteKey(root, path);
}

std::string ExportRegText(RegistryStore& store, const RegKeyName& key) {
    std::string out = std::string(Header5) + Eol + Eol;
    ExportKey(store, key.Root, StoredKeyPath(store, key), out);
    return out;
}

// A profile's money or time beyond what a total can hold, or a volume of data below 0 or beyond it: the
// program would count with it.
std::optional<std::string> AmountRefused(const ImportStep& step) {
    if (step.Key.Root != HKEY_LOCAL_MACHINE || step.Type != REG_SZ) return std::nullopt;
    const std::string_view base = Settings::BaseKey;
    const std::string_view path = step.Key.Path;
    if (path.size() <= base.size() || !EqualsNoCase(path.substr(0, base.size()), base)) return std::nullopt;
    const std::string_view below = path.substr(base.size());
    const std::size_t slash = below.find('\\');
    const bool volume = slash != std::string_view::npos && HoldsVolume(below.substr(slash + 1), step.Name);
    if (slash == std::string_view::npos || below.find('\\', slash + 1) != std::string_view::npos ||
        !(volume || HoldsAmount(below.substr(slash + 1), step.Name)))
        return std::nullopt;
    std::string text(step.Data.begin(), step.Data.end());
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    double amount = 0;
    try {
        amount = ParseStoredNumber(Variant(text), Locale::DecimalPoint()).ToDouble(Locale::DecimalPoint());
    } catch (const RunTimeError&) {
        amount = HUGE_VAL; // beyond any number
    }
    if (volume) {
        if (amount >= 0 && amount <= kLargestAmount) return std::nullopt;
        return "\"" + step.Name + "\" is not a volume between 0 and 1e12";
    }
    if (std::fabs(amount) <= kLargestAmount) return std::nullopt;
    return "\"" + step.Name + "\" is not an amount between -1e12 and 1e12";
}

RegImportResult ParseRegText(std::string_view bytes, const std::function<bool(const ImportStep&)>& onStep) {
    std::string converted;
    std::string_view text;
    if (bytes.substr(0, 2) == "\xFF\xFE") {
        auto utf8 = Utf16LeToUtf8(bytes.substr(2));
        if (!utf8) return {false, "the file is not UTF-16 text"};
        converted = std::move(*utf8);
        text = converted;
    } else {
        text = bytes.substr(0, 3) == "\xEF\xBB\xBF" ? bytes.substr(3) : bytes;
    }

    LogicalLines lines(text);
    LogicalLine current;
    bool any = false;
    while ((any = lines.Next(current)) && Trim(current.Text, Blanks).empty()) {
    }
    if (!any) return {false, "the file is not a registry script"};
    const std::string_view header = Trim(current.Text, Blanks);
    // The older header stores the text of hex(2) and hex(7) as single bytes.
    const bool unicode = header == Header5;
    if (!unicode && header != Header4) return {false, "the file is not a registry script"};

    std::optional<RegKeyName> key;
    ImportStep step;
    while (lines.Next(current)) {
        const std::string_view line = Trim(current.Text, Blanks);
        const auto fail = [&](const std::string& why) {
            return RegImportResult{false, "line " + std::to_string(current.Number) + ": " + why};
        };
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            if (line.back() != ']') return fail("the key name has no closing bracket");
            std::string_view name = line.substr(1, line.size() - 2);
            const bool remove = !name.empty() && name.front() == '-';
            if (remove) name.remove_prefix(1);
            auto parsed = ParseKeyName(name);
            if (!parsed) return fail("unknown root or bad key name");
            if (KeyDepth(parsed->Path) > kMaxKeyDepth)
                return fail("the key is more than " + std::to_string(kMaxKeyDepth) + " levels deep");
            step.What = remove ? ImportStep::Kind::DeleteKey : ImportStep::Kind::CreateKey;
            step.Key = *parsed;
            step.Name.clear();
            step.Type = 0;
            step.Data.clear();
            if (!onStep(step)) return {false, {}};
            key = remove ? std::nullopt : std::move(parsed);
            continue;
        }
        std::size_t pos = 0;
        step.Name.clear();
        if (line.front() == '@') {
            pos = 1;
        } else if (line.front() == '"') {
            auto name = ReadQuoted(line, pos);
            if (!name) return fail("the value name has no closing quote");
            step.Name = std::move(*name);
        } else {
            return fail("expected a [key] or a \"name\"=value line");
        }
        const std::string_view rest = Trim(line.substr(pos), Blanks);
        if (rest.empty() || rest.front() != '=') return fail("expected = after the value name");
        if (!key) return fail("a value outside of any key");
        step.Key = *key;
        const std::string_view data = Trim(rest.substr(1), Blanks);
        step.Type = REG_SZ;
        step.Data.clear();
        if (data == "-") {
            step.What = ImportStep::Kind::DeleteValue;
        } else {
            step.What = ImportStep::Kind::SetValue;
            if (auto why = ReadData(data, unicode, step)) return fail(*why);
            if (auto why = AmountRefused(step)) return fail(*why);
        }
        if (!onStep(step)) return {false, {}};
    }
    return {};
}

RegImportResult ParseRegText(std::string_view bytes, std::vector<ImportStep>& steps) {
    steps.clear();
    return ParseRegText(bytes, [&steps](const ImportStep& step) {
        steps.push_back(step);
        return true;
    });
}

RegImportResult ImportRegText(RegistryStore& store, std::string_view bytes) {
    RegImportResult read;
    bool stored = true;
    // One change of the store: a script with an error, or an import cut short, stores nothing.
    const long result = store.Batch([&] {
        read = ParseRegText(bytes, [&](const ImportStep& step) {
            long done = ERROR_SUCCESS;
            switch (step.What) {
            case ImportStep::Kind::CreateKey:
                done = store.CreateKey(step.Key.Root, step.Key.Path);
                break;
            case ImportStep::Kind::DeleteKey:
                done = DeleteKeyTree(store, step.Key.Root, step.Key.Path);
                break;
            case ImportStep::Kind::SetValue:
                done = store.SetValue(step.Key.Root, step.Key.Path, step.Name, step.Type, step.Data);
                break;
            case ImportStep::Kind::DeleteValue:
                done = store.DeleteValue(step.Key.Root, step.Key.Path, step.Name);
                break;
            }
            // Deleting what isn't there is no failure.
            stored = done == ERROR_SUCCESS ||
                     (done == ERROR_FILE_NOT_FOUND && (step.What == ImportStep::Kind::DeleteKey ||
                                                       step.What == ImportStep::Kind::DeleteValue));
            return stored;
        });
        return read.Ok ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
    });
    if (!stored || (read.Ok && result != ERROR_SUCCESS)) return {false, "Error accessing the registry."};
    return read;
}

std::vector<std::uint8_t> Utf8ToUtf16Le(std::string_view text) {
    std::vector<std::uint8_t> out;
    const auto unit = [&](std::uint32_t u) {
        out.push_back(static_cast<std::uint8_t>(u & 0xFF));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        std::uint32_t code = byte;
        std::size_t length = 1;
        if (byte >= 0xC2 && byte < 0xE0)
            length = 2, code = byte & 0x1Fu;
        else if (byte >= 0xE0 && byte < 0xF0)
            length = 3, code = byte & 0x0Fu;
        else if (byte >= 0xF0 && byte < 0xF5)
            length = 4, code = byte & 0x07u;
        bool valid = i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) valid = false;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (valid && length > 1) {
            const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
            valid = code >= least[length] && code <= 0x10FFFF && !(code >= 0xD800 && code < 0xE000);
        }
        // A byte that isn't UTF-8 is taken as Latin-1, so nothing is dropped.
        if (!valid || (length == 1 && byte >= 0x80)) {
            code = byte;
            length = 1;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            unit(0xD800 | (code >> 10));
            unit(0xDC00 | (code & 0x3FF));
        } else {
            unit(code);
        }
        i += length;
    }
    return out;
}

std::optional<std::string> Utf16LeToUtf8(std::string_view bytes) {
    if (bytes.size() % 2 != 0) return std::nullopt;
    std::string out;
    const auto at = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    };
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        std::uint32_t code = at(i);
        if (code >= 0xD800 && code < 0xDC00 && i + 3 < bytes.size() && at(i + 2) >= 0xDC00 &&
            at(i + 2) < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (at(i + 2) - 0xDC00);
            i += 2;
        } else if (code >= 0xD800 && code < 0xE000) {
            code = 0xFFFD;
        }
        AppendUtf8(out, code);
    }
    return out;
}
