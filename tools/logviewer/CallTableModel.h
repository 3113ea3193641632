#pragma once

#include "engine/CallLogSummary.h"

#include <QAbstractTableModel>
#include <QLocale>

#include <vector>

// The calls that pass the filter, as table rows over the records read: no copy per row, so a
// million calls fill the table at once.
class CallTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CallTableModel(const CallLogData& log, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Chooses the rows anew: after a new filter or a fresh read of the log.
    void SetFilter(const CallFilter& filter);
    void Refill();
    // Adds the records from `first` on that pass the filter.
    void Appended(std::size_t first);
    // Shows calls' volumes read after the calls themselves.
    void VolumesChanged();

    const std::vector<std::uint32_t>& Rows() const { return m_rows; }
    const CallFilter& Filter() const { return m_filter; }

private:
    const CallLogData& m_log;
    CallFilter m_filter;
    std::vector<std::uint32_t> m_rows;
    CallColumn m_sortColumn = CallColumn::Date;
    bool m_descending = false;
    QLocale m_locale;
    QString m_timeFormat;
};

// Totals per day or per month.
class PeriodTotalsModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit PeriodTotalsModel(bool byMonth, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void SetTotals(std::vector<PeriodTotal> totals);
    const std::vector<PeriodTotal>& Totals() const { return m_totals; }

private:
    bool m_byMonth;
    std::vector<PeriodTotal> m_totals;
    QLocale m_locale;
};

// Texts shared by the tables, the totals and the month at a glance.
namespace ViewerText {
QString Money(const QLocale& locale, double amount);
QString Duration(double seconds);
QString Name(std::string_view utf8);
QDate Date(std::int32_t serial);
std::int32_t Serial(const QDate& date);
QString Month(const QLocale& locale, int year, int month);
// Bytes in decimal units, with the locale's decimal separator.
QString Bytes(const QLocale& locale, std::uint64_t bytes);
// "1 call", "2 calls".
QString Calls(const QLocale& locale, std::size_t count);
} // namespace ViewerText
