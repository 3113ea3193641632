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
// What the chart shows, in the order of its choices.
enum class ChartSeries { MoneyAndHours, Money, Hours, Data };

// The decimal unit of the largest figure, so that the axis reads "12.5" rather than 12500000000.
std::pair<double, QString> ByteUnit(std::uint64_t largest) {
    if (largest >= 1000000000) return {1e9, QStringLiteral("GB")};
    if (largest >= 1000000) return {1e6, QStringLiteral("MB")};
    if (largest >= 1000) return {1e3, QStringLiteral("kB")};
    return {1, QStringLiteral("B")};
}
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
    lblMonthData = new QLabel;
    lblMonthData->setObjectName(QStringLiteral("lblMonthData"));
    lblMonthAllowance = new QLabel;
    lblMonthAllowance->setObjectName(QStringLiteral("lblMonthAllowance"));
    glanceLayout->addWidget(lblMonthSpent);
    glanceLayout->addWidget(lblMonthProjected);
    glanceLayout->addWidget(lblMonthData);
    glanceLayout->addWidget(lblMonthAllowance);
    lblMonthData->hide();
    lblMonthAllowance->hide();
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
    // Headings whole while a long log loads, the sort mark beside "Date" included.
    tblCalls->resizeColumnsToContents();
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

    auto* chartPage = new QWidget;
    auto* chartLayout = new QVBoxLayout(chartPage);
    auto* seriesRow = new QHBoxLayout;
    cboChartSeries = new QComboBox;
    cboChartSeries->setObjectName(QStringLiteral("cboChartSeries"));
    cboChartSeries->addItems({tr("Money and hours"), tr("Money"), tr("Hours"), tr("Data")});
    seriesRow->addWidget(new QLabel(tr("Show:")));
    seriesRow->addWidget(cboChartSeries);
    seriesRow->addStretch(1);
    chartLayout->addLayout(seriesRow);
    connect(cboChartSeries, &QComboBox::currentIndexChanged, this,
            [this] { Guarded(m_ui, "frmLogViewer.cboChartSeries_Click", [&] { UpdateChart(); }); });
    chartMonths = new QChartView;
    chartMonths->setObjectName(QStringLiteral("chartMonths"));
    chartMonths->setRenderHint(QPainter::Antialiasing);
    chartLayout->addWidget(chartMonths, 1);
    tabViews->addTab(chartPage, tr("Chart"));
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
    connect(&m_source, &LogSource::VolumesChanged, this, [this] {
        Guarded(m_ui, "frmLogViewer.Source_VolumesChanged", [&] {
            m_calls.VolumesChanged();
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

void frmLogViewer::SetAllowanceSource(AllowanceSource source) {
    m_allowance = std::move(source);
    UpdateGlance();
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
    std::uint64_t bytes = 0;
    bool hasData = false;
    const bool volumes = !log.Volumes.empty();
    for (const std::uint32_t i : rows) {
        seconds += log.Records[i].Duration;
        cost += log.Records[i].Cost;
        if (volumes) {
            const CallBytes volume = log.Volume(i);
            bytes += volume.Total();
            hasData = hasData || volume.Known();
        }
    }
    const QLocale locale;
    QString shown = tr("%1 shown: time %2, cost %3")
                        .arg(ViewerText::Calls(locale, rows.size()), ViewerText::Duration(seconds),
                             ViewerText::Money(locale, cost));
    if (hasData) shown += tr(", data %1").arg(ViewerText::Bytes(locale, bytes));
    lblShownTotals->setText(shown);
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

    // Data only once calls have volumes, and an allowance only where the profile has one.
    const CallLogData& log = m_source.Data();
    lblMonthData->setVisible(!log.Volumes.empty());
    lblMonthData->setText(glance.HasData ? tr("Data so far %1: received %2, sent %3")
                                               .arg(ViewerText::Bytes(locale, glance.Received + glance.Sent),
                                                    ViewerText::Bytes(locale, glance.Received),
                                                    ViewerText::Bytes(locale, glance.Sent))
                                         : tr("No data counted this month"));
    const std::string profile = glance.Profile ? std::string(log.Name(*glance.Profile)) : std::string();
    const double allowance = glance.Profile && m_allowance ? m_allowance(profile) : 0;
    lblMonthAllowance->setVisible(allowance > 0);
    if (allowance <= 0) return;
    const AllowanceGlance left = GlanceAtAllowance(glance, allowance);
    QString text =
        tr("Data allowance of %1: %2 a month, ")
            .arg(ViewerText::Name(profile), ViewerText::Bytes(locale, static_cast<std::uint64_t>(allowance)));
    if (left.Left == 0)
        text += tr("used up");
    else if (left.RunsOut)
        text += tr("%1 left; at this pace it runs out on %2")
                    .arg(ViewerText::Bytes(locale, left.Left),
                         locale.toString(ViewerText::Date(*left.RunsOut), QLocale::ShortFormat));
    else if (glance.ProfileBytes > 0)
        text += tr("%1 left; at this pace it lasts the month").arg(ViewerText::Bytes(locale, left.Left));
    else
        text += tr("%1 left").arg(ViewerText::Bytes(locale, left.Left));
    lblMonthAllowance->setText(text);
}

void frmLogViewer::UpdateChart() {
    const std::vector<PeriodTotal>& months = m_months.Totals();
    const std::size_t first = months.size() > kChartMonths ? months.size() - kChartMonths : 0;
    const auto series = static_cast<ChartSeries>(std::max(0, cboChartSeries->currentIndex()));
    const bool showMoney = series == ChartSeries::MoneyAndHours || series == ChartSeries::Money;
    const bool showHours = series == ChartSeries::MoneyAndHours || series == ChartSeries::Hours;
    const bool showData = series == ChartSeries::Data;
    const QLocale locale;
    auto* chart = new QChart;
    const QString what = showData    ? tr("Data per month")
                         : showMoney ? (showHours ? tr("Money and time per month") : tr("Money per month"))
                                     : tr("Time per month");
    chart->setTitle(months.size() > kChartMonths ? tr("%1 (the last %2 months)").arg(what).arg(kChartMonths)
                                                 : what);
    std::uint64_t topBytes = 0;
    for (std::size_t i = first; i < months.size(); ++i)
        topBytes = std::max(topBytes, months[i].Bytes);
    const auto [byteUnit, byteUnitName] = ByteUnit(topBytes);
    auto* bar = new QBarSet(showData ? tr("Data (%1)").arg(byteUnitName) : tr("Money"));
    auto* hours = new QLineSeries;
    hours->setName(tr("Time (hours)"));
    QStringList labels;
    double topBar = 0;
    double topHours = 0;
    for (std::size_t i = first; i < months.size(); ++i) {
        const double value = showData ? static_cast<double>(months[i].Bytes) / byteUnit : months[i].Cost;
        bar->append(value);
        hours->append(static_cast<double>(i - first), months[i].Seconds / 3600.0);
        labels << ViewerText::Month(locale, months[i].Year, months[i].Month);
        topBar = std::max(topBar, value);
        topHours = std::max(topHours, months[i].Seconds / 3600.0);
    }
    auto* bars = new QBarSeries;
    bars->append(bar);
    auto* axisMonths = new QBarCategoryAxis;
    axisMonths->append(labels);
    axisMonths->setLabelsAngle(labels.size() > 8 ? -60 : 0);
    chart->addAxis(axisMonths, Qt::AlignBottom);
    if (showMoney || showData) {
        chart->addSeries(bars);
        bars->attachAxis(axisMonths);
        auto* axisBars = new QValueAxis;
        axisBars->setTitleText(showData ? tr("Data (%1)").arg(byteUnitName) : tr("Money"));
        axisBars->setRange(0, topBar > 0 ? topBar * 1.1 : 1);
        axisBars->applyNiceNumbers();
        chart->addAxis(axisBars, Qt::AlignLeft);
        bars->attachAxis(axisBars);
    } else {
        delete bars;
    }
    if (showHours) {
        chart->addSeries(hours);
        hours->attachAxis(axisMonths);
        auto* axisHours = new QValueAxis;
        axisHours->setTitleText(tr("Hours"));
        axisHours->setRange(0, topHours > 0 ? topHours * 1.1 : 1);
        axisHours->applyNiceNumbers();
        chart->addAxis(axisHours, showMoney ? Qt::AlignRight : Qt::AlignLeft);
        hours->attachAxis(axisHours);
    } else {
        delete hours;
    }
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
    if (const std::size_t malformed = m_source.MalformedData(); malformed > 0)
        text += tr("; %1 of %2 passed over")
                    .arg(malformed == 1 ? tr("1 unreadable line") : tr("%1 unreadable lines").arg(malformed),
                         QFileInfo(m_source.DataPath()).fileName());
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
