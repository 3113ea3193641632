#include "ui/widgets/DesktopLocale.h"

#include <QLocale>

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#else
#include <clocale>
#include <langinfo.h>
#include <locale.h>
#endif

namespace {

// Literal text as our patterns take it: from its first letter or quote to its last, quoted.
std::string Literal(const std::string& text) {
    const auto plain = [](char c) {
        return !((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '\'');
    };
    const auto first = std::find_if_not(text.begin(), text.end(), plain);
    if (first == text.end()) return text;
    const auto last = std::find_if_not(text.rbegin(), text.rend(), plain).base();
    std::string quoted = "'";
    for (auto c = first; c != last; ++c)
        quoted += *c == '\'' ? std::string("''") : std::string(1, *c);
    return std::string(text.begin(), first) + quoted + "'" + std::string(last, text.end());
}

// Drops literal text left hanging at either end once a part has been dropped.
std::string Tidy(const std::string& text) {
    const size_t first = text.find_first_not_of(" ,.-/:");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" ,.-/:") - first + 1);
}

// Qt gives the C locale a grouping mark that the C library's C locale doesn't have; a stored
// comma then reads as a decimal comma rather than as thousands.
std::string CLibraryGroupSeparator() {
#ifdef _WIN32
    // The C library's own locale is the user's there: no C or POSIX locale comes from the environment.
    wchar_t separator[8] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, separator, 8) == 0) return {};
    return QString::fromWCharArray(separator).toStdString();
#else
    const locale_t numeric = newlocale(LC_NUMERIC_MASK, "", locale_t{});
    if (numeric == locale_t{}) return {};
    std::string separator = nl_langinfo_l(THOUSEP, numeric);
    freelocale(numeric);
    return separator;
#endif
}

} // namespace

std::string ConvertDatePattern(const QString& pattern) {
    std::string result;
    for (const PatternRun& r : SplitPattern(pattern.toStdString())) {
        // A pattern with month or weekday names has no numeric short form to take over.
        if ((r.Letter == 'M' || r.Letter == 'd') && r.Count > 2) return {};
        if (r.Letter == 0)
            result += Literal(r.Literal);
        else if (r.Letter == 'd' || r.Letter == 'M')
            result += std::string(r.Count, r.Letter);
        else if (r.Letter == 'y')
            result += r.Count <= 2 ? "yy" : "yyyy";
    }
    return Tidy(result);
}

std::string ConvertTimePattern(const QString& pattern) {
    const std::vector<PatternRun> runs = SplitPattern(pattern.toStdString());
    // The day period (B) is said as AM or PM; without either, a 12-hour hour would be ambiguous.
    const bool marked = std::any_of(runs.begin(), runs.end(), [](const PatternRun& r) {
        return r.Letter == 'A' || r.Letter == 'a' || r.Letter == 'B';
    });
    std::string result;
    for (const PatternRun& r : runs) {
        const size_t width = std::min<size_t>(r.Count, 2);
        if (r.Letter == 0)
            result += Literal(r.Literal);
        else if (r.Letter == 'H' || r.Letter == 'm' || r.Letter == 's')
            result += std::string(width, r.Letter);
        else if (r.Letter == 'h')
            result += std::string(width, marked ? 'h' : 'H');
        else if (r.Letter == 'A' || r.Letter == 'B')
            result += "AP";
        else if (r.Letter == 'a')
            result += "ap";
        // P after A, milliseconds and the time zone are dropped.
    }
    // Brackets that held the time zone alone go with it.
    for (const char* empty : {"[]", "()"})
        for (size_t at = result.find(empty); at != std::string::npos; at = result.find(empty, at))
            result.erase(at, 2);
    return Tidy(result);
}

Locale SystemLocale() {
    const QLocale system = QLocale::system();
    Locale locale;
    locale.DecimalSeparator = system.decimalPoint().toStdString();
    locale.GroupSeparator = CLibraryGroupSeparator();
    const std::string date = ConvertDatePattern(system.dateFormat(QLocale::ShortFormat));
    if (!date.empty()) locale.ShortDateFormat = date;
    const std::string time = ConvertTimePattern(system.timeFormat(QLocale::LongFormat));
    if (!time.empty()) locale.TimeFormat = time;
    return locale;
}
