#include "ui/widgets/DesktopLocale.h"

#include <QLocale>

#include <algorithm>

#include <clocale>
#include <langinfo.h>
#include <locale.h>

namespace {

// Runs of one letter and literal text, with quoted text taken as literal.
struct Run {
    QChar Letter;
    qsizetype Count = 0;
    QString Literal;
};

QList<Run> Runs(const QString& pattern) {
    QList<Run> runs;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i];
        if (c == u'\'') {
            const qsizetype end = pattern.indexOf(u'\'', i + 1);
            const QString quoted = end < 0 ? pattern.mid(i + 1) : pattern.mid(i + 1, end - i - 1);
            runs.append({QChar(), 0, quoted.isEmpty() ? QStringLiteral("'") : quoted});
            i = end < 0 ? pattern.size() : end + 1;
        } else if (c.isLetter() && c.unicode() < 128) { // letters of other scripts are text
            qsizetype j = i;
            while (j < pattern.size() && pattern[j] == c)
                ++j;
            runs.append({c, j - i, {}});
            i = j;
        } else {
            runs.append({QChar(), 0, QString(c)});
            ++i;
        }
    }
    return runs;
}

// Literal text as our patterns take it: quoted when it holds letters or quotes.
QString Literal(const QString& text) {
    for (const QChar c : text)
        if ((c.isLetter() && c.unicode() < 128) || c == u'\'')
            return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
    return text;
}

// Drops literal text left hanging at either end once a part has been dropped.
std::string Tidy(QString text) {
    static const QString separators = QStringLiteral(" ,.-/:");
    while (!text.isEmpty() && separators.contains(text.front()))
        text.remove(0, 1);
    while (!text.isEmpty() && separators.contains(text.back()))
        text.chop(1);
    return text.toStdString();
}

// Qt gives the C locale a grouping mark that the C library's C locale doesn't have; a stored
// comma then reads as a decimal comma rather than as thousands.
std::string CLibraryGroupSeparator() {
    const locale_t numeric = newlocale(LC_NUMERIC_MASK, "", locale_t{});
    if (numeric == locale_t{}) return {};
    std::string separator = nl_langinfo_l(THOUSEP, numeric);
    freelocale(numeric);
    return separator;
}

} // namespace

std::string ConvertDatePattern(const QString& pattern) {
    QString result;
    for (const Run& r : Runs(pattern)) {
        // A pattern with month or weekday names has no numeric short form to take over.
        if ((r.Letter == u'M' || r.Letter == u'd') && r.Count > 2) return {};
        if (r.Letter.isNull())
            result += Literal(r.Literal);
        else if (r.Letter == u'd')
            result += QString(r.Count, u'd');
        else if (r.Letter == u'M')
            result += QString(r.Count, u'M');
        else if (r.Letter == u'y')
            result += r.Count <= 2 ? QStringLiteral("yy") : QStringLiteral("yyyy");
    }
    return Tidy(result);
}

std::string ConvertTimePattern(const QString& pattern) {
    const QList<Run> runs = Runs(pattern);
    // The day period (B) is said as AM or PM; without either, a 12-hour hour would be ambiguous.
    const bool marked = std::any_of(runs.begin(), runs.end(), [](const Run& r) {
        return r.Letter == u'A' || r.Letter == u'a' || r.Letter == u'B';
    });
    QString result;
    for (const Run& r : runs) {
        if (r.Letter.isNull())
            result += Literal(r.Literal);
        else if (r.Letter == u'H' || r.Letter == u'm' || r.Letter == u's')
            result += QString(std::min<qsizetype>(r.Count, 2), r.Letter);
        else if (r.Letter == u'h')
            result += QString(std::min<qsizetype>(r.Count, 2), marked ? u'h' : u'H');
        else if (r.Letter == u'A' || r.Letter == u'B')
            result += QStringLiteral("AP");
        else if (r.Letter == u'a')
            result += QStringLiteral("ap");
        // P after A, milliseconds and the time zone are dropped.
    }
    // Brackets that held the time zone alone go with it.
    result.remove(QStringLiteral("[]"));
    result.remove(QStringLiteral("()"));
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
