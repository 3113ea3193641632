#include "CallTableModel.h"

#include "engine/Values.h"

#include <QDate>
#include <QTime>

namespace ViewerText {
QString Money(const QLocale& locale, double amount) {
    return locale.toString(amount, 'f', 2);
}

QString Duration(double seconds) {
    return QString::fromStdString(FormatDuration(seconds));
}

QString Name(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// Day 0 of the log's date numbers.
const QDate kDayZero(1899, 12, 30);

QDate Date(std::int32_t serial) {
    return kDayZero.addDays(serial);
}

std::int32_t Serial(const QDate& date) {
    return static_cast<std::int32_t>(kDayZero.daysTo(date));
}

QString Month(const QLocale& locale, int year, int month) {
    return locale.toString(QDate(year, month, 1), QStringLiteral("MMM yyyy"));
}

QString Calls(const QLocale& locale, std::size_t count) {
    return locale.toString(static_cast<qulonglong>(count)) +
           (count == 1 ? QStringLiteral(" call") : QStringLiteral(" calls"));
}
} // namespace ViewerText

namespace {
const char* const kHeadings[kCallColumns] = {"Date",    "Start",      "End",    "Duration", "Cost",
                                             "Profile", "Connection", "Failed", "Comment"};

bool IsNumeric(CallColumn column) {
    return column == CallColumn::Duration || column == CallColumn::Cost;
}
} // namespace

CallTableModel::CallTableModel(const CallLogData& log, QObject* parent)
    : QAbstractTableModel(parent), m_log(log) {
    // The user's long time format, without the time zone that some locales add to it.
    m_timeFormat = m_locale.timeFormat(QLocale::LongFormat).remove(QLatin1Char('t')).trimmed();
}

int CallTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CallTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kCallColumns;
}

QVariant CallTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const CallRecord& r = m_log.Records[m_rows[static_cast<std::size_t>(index.row())]];
    const auto column = static_cast<CallColumn>(index.column());
    if (role == Qt::TextAlignmentRole)
        return IsNumeric(column) ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    if (role == Qt::ToolTipRole && column == CallColumn::Cost) return m_locale.toString(r.Cost, 'g', 15);
    if (role != Qt::DisplayRole && !(role == Qt::ToolTipRole && column == CallColumn::Comment)) return {};
    switch (column) {
    case CallColumn::Date:
        return m_locale.toString(ViewerText::Date(r.Date), QLocale::ShortFormat);
    case CallColumn::Start:
        return m_locale.toString(QTime::fromMSecsSinceStartOfDay(r.Start * 1000), m_timeFormat);
    case CallColumn::End:
        return m_locale.toString(QTime::fromMSecsSinceStartOfDay(r.End * 1000), m_timeFormat);
    case CallColumn::Duration:
        return ViewerText::Duration(r.Duration);
    case CallColumn::Cost:
        return ViewerText::Money(m_locale, r.Cost);
    case CallColumn::Profile:
        return ViewerText::Name(m_log.Name(r.Profile));
    case CallColumn::Connection:
        return ViewerText::Name(m_log.Name(r.Connection));
    case CallColumn::Failed:
        return r.Failed ? tr("Failed") : QString();
    case CallColumn::Comment:
        return r.HasComment ? ViewerText::Name(m_log.Comment(r)) : tr("(never written)");
    }
    return {};
}

QVariant CallTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return section >= 0 && section < kCallColumns ? tr(kHeadings[section]) : QVariant();
}

void CallTableModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= kCallColumns) return;
    m_sortColumn = static_cast<CallColumn>(column);
    m_descending = order == Qt::DescendingOrder;
    emit layoutAboutToBeChanged();
    SortRows(m_log, m_rows, m_sortColumn, m_descending);
    emit layoutChanged();
}

void CallTableModel::SetFilter(const CallFilter& filter) {
    m_filter = filter;
    Refill();
}

void CallTableModel::Refill() {
    beginResetModel();
    m_rows.clear();
    AppendMatching(m_log, m_filter, 0, m_rows);
    SortRows(m_log, m_rows, m_sortColumn, m_descending);
    endResetModel();
}

void CallTableModel::Appended(std::size_t first) {
    std::vector<std::uint32_t> added;
    AppendMatching(m_log, m_filter, first, added);
    if (added.empty()) return;
    const auto at = static_cast<int>(m_rows.size());
    beginInsertRows({}, at, at + static_cast<int>(added.size()) - 1);
    m_rows.insert(m_rows.end(), added.begin(), added.end());
    endInsertRows();
    // New calls are the latest, already in place in the table's first order.
    if (m_sortColumn != CallColumn::Date || m_descending)
        sort(static_cast<int>(m_sortColumn), m_descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

PeriodTotalsModel::PeriodTotalsModel(bool byMonth, QObject* parent)
    : QAbstractTableModel(parent), m_byMonth(byMonth) {}

int PeriodTotalsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_totals.size());
}

int PeriodTotalsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 4;
}

QVariant PeriodTotalsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() > 0 ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    if (role != Qt::DisplayRole) return {};
    const PeriodTotal& t = m_totals[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case 0:
        return m_byMonth ? ViewerText::Month(m_locale, t.Year, t.Month)
                         : m_locale.toString(QDate(t.Year, t.Month, t.Day), QLocale::ShortFormat);
    case 1:
        return static_cast<qulonglong>(t.Calls);
    case 2:
        return ViewerText::Duration(t.Seconds);
    default:
        return ViewerText::Money(m_locale, t.Cost);
    }
}

QVariant PeriodTotalsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    switch (section) {
    case 0:
        return m_byMonth ? tr("Month") : tr("Day");
    case 1:
        return tr("Calls");
    case 2:
        return tr("Time");
    default:
        return tr("Cost");
    }
}

void PeriodTotalsModel::SetTotals(std::vector<PeriodTotal> totals) {
    beginResetModel();
    m_totals = std::move(totals);
    endResetModel();
}
