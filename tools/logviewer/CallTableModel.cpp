#include "CallTableModel.h"

#include "engine/CallData.h"
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

QString Bytes(const QLocale& locale, std::uint64_t bytes) {
    // The main window's form, in the desktop's decimal separator.
    Locale numbers;
    numbers.DecimalSeparator = locale.decimalPoint().toStdString();
    return QString::fromStdString(FormatBytes(static_cast<double>(bytes), numbers));
}

QString Calls(const QLocale& locale, std::size_t count) {
    return locale.toString(static_cast<qulonglong>(count)) +
           (count == 1 ? QStringLiteral(" call") : QStringLiteral(" calls"));
}
} // namespace ViewerText

namespace {
const char* const kHeadings[kCallColumns] = {"Date",       "Start",    "End",    "Duration",
                                             "Cost",       "Received", "Sent",   "Profile",
                                             "Connection", "Failed",   "Comment"};

bool IsNumeric(CallColumn column) {
    return column == CallColumn::Duration || column == CallColumn::Cost || column == CallColumn::Received ||
           column == CallColumn::Sent;
}

bool IsVolume(CallColumn column) {
    return column == CallColumn::Received || column == CallColumn::Sent;
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
    const std::uint32_t record = m_rows[static_cast<std::size_t>(index.row())];
    const CallRecord& r = m_log.Records[record];
    const auto column = static_cast<CallColumn>(index.column());
    if (role == Qt::TextAlignmentRole)
        return IsNumeric(column) ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    if (role == Qt::ToolTipRole && column == CallColumn::Cost) return m_locale.toString(r.Cost, 'g', 15);
    if (IsVolume(column) && (role == Qt::DisplayRole || role == Qt::ToolTipRole)) {
        // Empty, not 0, for a call whose bytes weren't counted.
        const CallBytes volume = m_log.Volume(record);
        if (!volume.Known()) return QString();
        const std::uint64_t bytes = column == CallColumn::Received ? volume.Received : volume.Sent;
        return role == Qt::DisplayRole
                   ? ViewerText::Bytes(m_locale, bytes)
                   : tr("%1 bytes").arg(m_locale.toString(static_cast<qulonglong>(bytes)));
    }
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
    case CallColumn::Received:
    case CallColumn::Sent:
        break;
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

void CallTableModel::VolumesChanged() {
    if (m_rows.empty()) return;
    emit dataChanged(index(0, static_cast<int>(CallColumn::Received)),
                     index(rowCount() - 1, static_cast<int>(CallColumn::Sent)));
    if (IsVolume(m_sortColumn))
        sort(static_cast<int>(m_sortColumn), m_descending ? Qt::DescendingOrder : Qt::AscendingOrder);
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
    return parent.isValid() ? 0 : 5;
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
    case 3:
        return ViewerText::Money(m_locale, t.Cost);
    default:
        return t.HasData ? ViewerText::Bytes(m_locale, t.Bytes) : QString();
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
    case 3:
        return tr("Cost");
    default:
        return tr("Data");
    }
}

void PeriodTotalsModel::SetTotals(std::vector<PeriodTotal> totals) {
    beginResetModel();
    m_totals = std::move(totals);
    endResetModel();
}
