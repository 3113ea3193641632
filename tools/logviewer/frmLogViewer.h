#pragma once

#include "CallTableModel.h"
#include "LogSource.h"

#include <QMainWindow>

#include <functional>
#include <string>

class QChart;
class QChartView;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QTabWidget;
class Clock;
class UserInterface;

// The call log viewer: the calls, filtered and sorted, their totals per day and month, a chart per
// month and this month at a glance. It follows the log while it is open and never writes it.
class frmLogViewer final : public QMainWindow {
    Q_OBJECT
public:
    frmLogViewer(const QString& logPath, const Clock& clock, UserInterface& ui, QWidget* parent = nullptr);

    // Reads the log in the background; the first read after the window shows.
    void Load();
    bool Loading() const { return m_source.Reading(); }

    CallTableModel& Calls() { return m_calls; }
    // Where the month at a glance finds a profile's monthly data allowance, in bytes (0 for none).
    using AllowanceSource = std::function<double(const std::string& profile)>;
    void SetAllowanceSource(AllowanceSource source);
    // Writes the calls the table shows as CSV; false when the file can't be written.
    bool ExportCsv(const QString& path);

private:
    void BuildFilters(QWidget* bar);
    void FillNameChoices();
    void ApplyFilter();
    void UpdateSummaries();
    void UpdateGlance();
    void UpdateChart();
    void UpdateStatus();
    void cmdExport_Click();

    const Clock& m_clock;
    UserInterface& m_ui;
    AllowanceSource m_allowance;
    LogSource m_source;
    CallTableModel m_calls;
    PeriodTotalsModel m_days;
    PeriodTotalsModel m_months;

    QLabel* lblMonthSpent = nullptr;
    QLabel* lblMonthProjected = nullptr;
    QLabel* lblMonthData = nullptr;
    QLabel* lblMonthAllowance = nullptr;
    QComboBox* cboProfile = nullptr;
    QComboBox* cboConnection = nullptr;
    QCheckBox* chkFrom = nullptr;
    QDateEdit* dtpFrom = nullptr;
    QCheckBox* chkTo = nullptr;
    QDateEdit* dtpTo = nullptr;
    QPushButton* cmdExport = nullptr;
    QTabWidget* tabViews = nullptr;
    QTableView* tblCalls = nullptr;
    QLabel* lblShownTotals = nullptr;
    QTableView* tblMonths = nullptr;
    QTableView* tblDays = nullptr;
    QComboBox* cboChartSeries = nullptr;
    QChartView* chartMonths = nullptr;
    QLabel* lblStatus = nullptr;
    QProgressBar* barLoading = nullptr;
    QTimer* tmrGlance = nullptr;
};
