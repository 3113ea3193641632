#include "frmLogViewer.h"

#include "settings/Clock.h"
#include "settings/ErrorBoundary.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <fstream>

namespace {
constexpr int kChartMonths = 24;
constexpr int kGlanceRefreshMilliseconds = 60 * 1000;

QTableView* MakeTable(QAbstractItemModel* model, const QString& name) {
    auto* table = new QTableView;
    table->setObjectName(name);
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setAlternatingRowColors(true);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}
} // namespace

frmLogViewer::frmLogViewer(const QString& logPath, const Clock& clock, UserInterface& ui, QWidget* parent)
    : QMainWindow(parent), m_clock(clock), m_ui(ui), m_source(logPath, ui), m_calls(m_source.Data()),
      m_days(false), m_months(true) {
    setObjectName(QStringLiteral("frmLogViewer"));
    setWindowTitle(tr("Tallydial Call Log"));
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);

    auto* glance = new QGroupBox(tr("This month at a glance"));
    glance->setObjectName(QStringLiteral("grpMonth"));
    auto* glanceLayout = new QVBoxLayout(glance);
    lblMonthSpent = new QLabel;
    lblMonthSpent->setObjectName(QStringLiteral("lblMonthSpent"));
    lblMonthProjected = new QLabel;
    lblMonthProjected->setObjectName(QStringLiteral("lblMonthProjected"));
    glanceLayout->addWidget(lblMonthSpent);
    glanceLayout->addWidget(lblMonthProjected);
    layout->addWidget(glance);

    auto* bar = new QWidget;
    BuildFilters(bar);
    layout->addWidget(bar);

    tabViews = new QTabWidget;
    tabViews->setObjectName(QStringLiteral("tabViews"));
    auto* callsPage = new QWidget;
    auto* callsLayout = new QVBoxLayout(callsPage);
    tblCalls = MakeTable(&m_calls, QStringLiteral("tblCalls"));
    // Widths fitted once per read, from the first rows only; the user may change them.
    tblCalls->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    tblCalls->horizontalHeader()->setResizeContentsPrecision(200);
    // Sorting through our own handler, so that nothing it throws reaches the event loop.
    QHeaderView* headings = tblCalls->horizontalHeader();
    headings->setSectionsClickable(true);
    headings->setSortIndicatorShown(true);
    headings->setSortIndicator(static_cast<int>(CallColumn::Date), Qt::AscendingOrder);
    connect(headings, &QHeaderView::sortIndicatorChanged, this, [this](int column, Qt::SortOrder order) {
        Guarded(m_ui, "frmLogViewer.tblCalls_Sort", [&] { m_calls.sort(column, order); });
    });
    callsLayout->addWidget(tblCalls);
    lblShownTotals = new QLabel;
    lblShownTotals->setObjectName(QStringLiteral("lblShownTotals"));
    callsLayout->addWidget(lblShownTotals);
    tabViews->addTab(callsPage, tr("Calls"));

    auto* totals = new QSplitter;
    totals->setObjectName(QStringLiteral("splTotals"));
    tblMonths = MakeTable(&m_months, QStringLiteral("tblMonths"));
    tblDays = MakeTable(&m_days, QStringLiteral("tblDays"));
    totals->addWidget(tblMonths);
    totals->addWidget(tblDays);
    tabViews->addTab(totals, tr("Totals"));

    chartMonths = new QChartView;
    chartMonths->setObjectName(QStringLiteral("chartMonths"));
    chartMonths->setRenderHint(QPainter::Antialiasing);
    tabViews->addTab(chartMonths, tr("Chart"));
    layout->addWidget(tabViews, 1);
    setCentralWidget(central);

    lblStatus = new QLabel;
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    statusBar()->addWidget(lblStatus, 1);
    barLoading = new QProgressBar;
    barLoading->setObjectName(QStringLiteral("barLoading"));
    barLoading->setMaximumWidth(200);
    barLoading->hide();
    statusBar()->addPermanentWidget(barLoading);
    connect(&m_source, &LogSource::Progress, this, [this](qint64 done, qint64 total) {
        if (!m_source.Reading()) return;
        barLoading->setRange(0, 1000);
        barLoading->setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 0);
    });

    connect(&m_source, &LogSource::Reloaded, this, [this] {
        Guarded(m_ui, "frmLogViewer.Source_Reloaded", [&] {
            barLoading->hide();
            FillNameChoices();
            m_calls.Refill();
            tblCalls->resizeColumnsToContents();
            UpdateSummaries();
        });
    });
    connect(&m_source, &LogSource::Appended, this, [this](std::size_t first) {
        Guarded(m_ui, "frmLogViewer.Source_Appended", [&] {
            FillNameChoices();
            m_calls.Appended(first);
            UpdateSummaries();
        });
    });
    connect(&m_source, &LogSource::StatusChanged, this,
            [this] { Guarded(m_ui, "frmLogViewer.Source_StatusChanged", [&] { UpdateStatus(); }); });

    tmrGlance = new QTimer(this);
    connect(tmrGlance, &QTimer::timeout, this,
            [this] { Guarded(m_ui, "frmLogViewer.tmrGlance_Timer", [&] { UpdateGlance(); }); });
    tmrGlance->start(kGlanceRefreshMilliseconds);
    resize(980, 640);
}

void frmLogViewer::BuildFilters(QWidget* bar) {
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    cboProfile = new QComboBox;
    cboProfile->setObjectName(QStringLiteral("cboProfile"));
    cboConnection = new QComboBox;
    cboConnection->setObjectName(QStringLiteral("cboConnection"));
    for (QComboBox* box : {cboProfile, cboConnection}) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        box->addItem(tr("(all)"));
    }
    chkFrom = new QCheckBox(tr("From"));
    chkFrom->setObjectName(QStringLiteral("chkFrom"));
    chkTo = new QCheckBox(tr("To"));
    chkTo->setObjectName(QStringLiteral("chkTo"));
    dtpFrom = new QDateEdit(QDate::currentDate().addDays(1 - QDate::currentDate().day()));
    dtpFrom->setObjectName(QStringLiteral("dtpFrom"));
    dtpTo = new QDateEdit(QDate::currentDate());
    dtpTo->setObjectName(QStringLiteral("dtpTo"));
    for (QDateEdit* edit : {dtpFrom, dtpTo}) {
        edit->setCalendarPopup(true);
        edit->setEnabled(false);
    }
    cmdExport = new QPushButton(tr("Export CSV..."));
    cmdExport->setObjectName(QStringLiteral("cmdExport"));

    row->addWidget(new QLabel(tr("Profile:")));
    row->addWidget(cboProfile);
    row->addWidget(new QLabel(tr("Connection:")));
    row->addWidget(cboConnection);
    row->addWidget(chkFrom);
    row->addWidget(dtpFrom);
    row->addWidget(chkTo);
    row->addWidget(dtpTo);
    row->addStretch(1);
    row->addWidget(cmdExport);

    const auto apply = [this] { Guarded(m_ui, "frmLogViewer.Filter_Change", [&] { ApplyFilter(); }); };
    connect(cboProfile, &QComboBox::currentIndexChanged, this, apply);
    connect(cboConnection, &QComboBox::currentIndexChanged, this, apply);
    connect(dtpFrom, &QDateEdit::dateChanged, this, apply);
    connect(dtpTo, &QDateEdit::dateChanged, this, apply);
    connect(chkFrom, &QCheckBox::toggled, this, [this, apply](bool on) {
        dtpFrom->setEnabled(on);
        apply();
    });
    connect(chkTo, &QCheckBox::toggled, this, [this, apply](bool on) {
        dtpTo->setEnabled(on);
        apply();
    });
    connect(cmdExport, &QPushButton::clicked, this,
            [this] { Guarded(m_ui, "frmLogViewer.cmdExport_Click", [&] { cmdExport_Click(); }); });
}

void frmLogViewer::Load() {
    lblStatus->setText(tr("Reading %1 ...").arg(m_source.Path()));
    barLoading->setRange(0, 0); // busy until the first block is read
    barLoading->show();
    m_source.Reload();
}

// The names in the log, keeping the user's choice where it still exists.
void frmLogViewer::FillNameChoices() {
    const CallLogData& log = m_source.Data();
    for (QComboBox* box : {cboProfile, cboConnection}) {
        const std::vector<std::uint32_t> names = NamesUsed(log, box == cboProfile);
        if (static_cast<int>(names.size()) == box->count() - 1) {
            bool same = true;
            for (std::size_t i = 0; i < names.size() && same; ++i)
                same = box->itemText(static_cast<int>(i) + 1) == ViewerText::Name(log.Name(names[i]));
            if (same) continue;
        }
        const QString chosen = box->currentIndex() > 0 ? box->currentText() : QString();
        const QSignalBlocker quiet(box);
        box->clear();
        box->addItem(tr("(all)"));
        for (const std::uint32_t name : names)
            box->addItem(ViewerText::Name(log.Name(name)), name);
        box->setCurrentIndex(std::max(0, box->findText(chosen)));
    }
    CallFilter filter = m_calls.Filter();
    filter.Profile = cboProfile->currentIndex() > 0 ? cboProfile->currentData().toUInt() : CallFilter::kAny;
    filter.Connection =
        cboConnection->currentIndex() > 0 ? cboConnection->currentData().toUInt() : CallFilter::kAny;
    if (filter.Profile != m_calls.Filter().Profile || filter.Connection != m_calls.Filter().Connection)
        m_calls.SetFilter(filter);
}

void frmLogViewer::ApplyFilter() {
    CallFilter filter;
    if (cboProfile->currentIndex() > 0) filter.Profile = cboProfile->currentData().toUInt();
    if (cboConnection->currentIndex() > 0) filter.Connection = cboConnection->currentData().toUInt();
    if (chkFrom->isChecked()) filter.FromDate = ViewerText::Serial(dtpFrom->date());
    if (chkTo->isChecked()) filter.ToDate = ViewerText::Serial(dtpTo->date());
    m_calls.SetFilter(filter);
    UpdateSummaries();
}

void frmLogViewer::UpdateSummaries() {
    const CallLogData& log = m_source.Data();
    const std::vector<std::uint32_t>& rows = m_calls.Rows();
    double seconds = 0;
    double cost = 0;
    for (const std::uint32_t i : rows) {
        seconds += log.Records[i].Duration;
        cost += log.Records[i].Cost;
    }
    const QLocale locale;
    lblShownTotals->setText(tr("%1 shown: time %2, cost %3")
                                .arg(ViewerText::Calls(locale, rows.size()), ViewerText::Duration(seconds),
                                     ViewerText::Money(locale, cost)));
    m_days.SetTotals(TotalsByPeriod(log, rows, false));
    m_months.SetTotals(TotalsByPeriod(log, rows, true));
    UpdateChart();
    UpdateGlance();
    UpdateStatus();
}

void frmLogViewer::UpdateGlance() {
    const MonthGlance glance = GlanceAtMonth(m_source.Data(), m_clock.Now());
    const QLocale locale;
    lblMonthSpent->setText(
        tr("%1: spent so far %2 in %3, time %4")
            .arg(ViewerText::Month(locale, glance.Year, glance.Month), ViewerText::Money(locale, glance.Cost),
                 ViewerText::Calls(locale, glance.Calls), ViewerText::Duration(glance.Seconds)));
    lblMonthProjected->setText(tr("At this pace the month comes to %1 and a time of %2")
                                   .arg(ViewerText::Money(locale, glance.ProjectedCost),
                                        ViewerText::Duration(glance.ProjectedSeconds)));
}

void frmLogViewer::UpdateChart() {
    const std::vector<PeriodTotal>& months = m_months.Totals();
    const std::size_t first = months.size() > kChartMonths ? months.size() - kChartMonths : 0;
    const QLocale locale;
    auto* chart = new QChart;
    chart->setTitle(months.size() > kChartMonths
                        ? tr("Money and time per month (the last %1 months)").arg(kChartMonths)
                        : tr("Money and time per month"));
    auto* money = new QBarSet(tr("Money"));
    auto* hours = new QLineSeries;
    hours->setName(tr("Time (hours)"));
    QStringList labels;
    double topMoney = 0;
    double topHours = 0;
    for (std::size_t i = first; i < months.size(); ++i) {
        money->append(months[i].Cost);
        hours->append(static_cast<double>(i - first), months[i].Seconds / 3600.0);
        labels << ViewerText::Month(locale, months[i].Year, months[i].Month);
        topMoney = std::max(topMoney, months[i].Cost);
        topHours = std::max(topHours, months[i].Seconds / 3600.0);
    }
    auto* bars = new QBarSeries;
    bars->append(money);
    chart->addSeries(bars);
    chart->addSeries(hours);

    auto* axisMonths = new QBarCategoryAxis;
    axisMonths->append(labels);
    axisMonths->setLabelsAngle(labels.size() > 8 ? -60 : 0);
    chart->addAxis(axisMonths, Qt::AlignBottom);
    bars->attachAxis(axisMonths);
    hours->attachAxis(axisMonths);
    auto* axisMoney = new QValueAxis;
    axisMoney->setTitleText(tr("Money"));
    axisMoney->setRange(0, topMoney > 0 ? topMoney * 1.1 : 1);
    axisMoney->applyNiceNumbers();
    chart->addAxis(axisMoney, Qt::AlignLeft);
    bars->attachAxis(axisMoney);
    auto* axisHours = new QValueAxis;
    axisHours->setTitleText(tr("Hours"));
    axisHours->setRange(0, topHours > 0 ? topHours * 1.1 : 1);
    axisHours->applyNiceNumbers();
    chart->addAxis(axisHours, Qt::AlignRight);
    hours->attachAxis(axisHours);
    chart->legend()->setAlignment(Qt::AlignBottom);

    QChart* old = chartMonths->chart();
    chartMonths->setChart(chart);
    delete old;
}

void frmLogViewer::UpdateStatus() {
    const CallLogRead& read = m_source.LastRead();
    const QString path = m_source.Path();
    setWindowTitle(tr("%1 - Tallydial Call Log").arg(QFileInfo(path).fileName()));
    switch (read.Result) {
    case CallLogRead::Outcome::Missing:
        lblStatus->setText(tr("No calls logged yet: %1 does not exist.").arg(path));
        return;
    case CallLogRead::Outcome::Unreadable:
        lblStatus->setText(tr("Cannot read %1: %2").arg(path, QString::fromStdString(read.Error)));
        return;
    default:
        break;
    }
    const CallLogData& log = m_source.Data();
    const std::size_t count = log.Records.size();
    const QString calls =
        count == 1 ? tr("1 call") : tr("%1 calls").arg(QLocale().toString(static_cast<qulonglong>(count)));
    setWindowTitle(tr("%1: %2 - Tallydial Call Log").arg(QFileInfo(path).fileName(), calls));
    QString text = tr("%1: %2").arg(path, calls);
    const std::string skipped = DescribeSkips(log.Skips, read.Pending);
    if (!skipped.empty()) text += QStringLiteral("; ") + QString::fromStdString(skipped);
    lblStatus->setText(text + QLatin1Char('.'));
}

bool frmLogViewer::ExportCsv(const QString& path) {
    std::ofstream out(path.toStdString(), std::ios::binary | std::ios::trunc);
    if (!out) return false;
    WriteCallsCsv(out, m_source.Data(), m_calls.Rows());
    out.close();
    return static_cast<bool>(out);
}

void frmLogViewer::cmdExport_Click() {
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Export the calls shown"), QStringLiteral("calls.csv"),
                                     tr("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty()) return;
    if (!ExportCsv(path))
        m_ui.MsgBox(tr("Unable to write %1").arg(path).toStdString(), MsgButtons::OK, MsgIcon::Exclamation);
    else
        statusBar()->showMessage(tr("%1 calls exported to %2").arg(m_calls.Rows().size()).arg(path), 5000);
}
