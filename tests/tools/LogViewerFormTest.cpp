#include "frmLogViewer.h"

#include "support/TestSupport.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QProgressBar>
#include <QTableView>
#include <QtTest>

#include <fstream>

namespace {
std::string Record(const char* date, const char* profile, double seconds, const char* cost, int failed) {
    return std::string("\"TALLYD\"\r\n#") + date + "#\r\n#10:00:00#\r\n#10:30:00#\r\n" +
           std::to_string(seconds) + "\r\n" + cost + "\r\n\"" + profile + "\"\r\n\"My ISP\"\r\n" +
           std::to_string(failed) + "\r\n\"\"\r\n";
}
} // namespace

class LogViewerFormTest : public QObject {
    Q_OBJECT
private slots:
    // Four calls, one a failed dial, with an unreadable stretch, and the bytes of three of them beside the
    // log with an unreadable line: the figures, the filters, this month against the latest call's
    // profile's allowance, the export, and a call whose bytes were written before its record.
    void saysWhenThereIsNoLogThenShowsFiltersAddsUpAndExportsOne() {
        TempFolder folder;
        const std::string log = (folder.Path() / "log.dat").string();
        const std::string data = (folder.Path() / "log-data.dat").string();
        const QString path = QString::fromStdString(log);
        FakeClock clock;
        clock.Set(2026, 12, 10);
        ScriptedUserInterface ui;
        frmLogViewer window(path, clock, ui);
        window.SetAllowanceSource([](const std::string& profile) { return profile == "Work" ? 10e9 : 0; });
        window.Load();
        QTRY_VERIFY(!window.Loading());
        const auto label = [&](const char* name) { return window.findChild<QLabel*>(name)->text(); };
        const auto cell = [](QAbstractItemModel* model, int row, int column) {
            return model->data(model->index(row, column)).toString();
        };
        const int received = static_cast<int>(CallColumn::Received);
        const int sent = static_cast<int>(CallColumn::Sent);
        QCOMPARE(label("lblStatus"), "No calls logged yet: " + path + " does not exist.");
        QCOMPARE(window.windowTitle(), QString("log.dat - Tallydial Call Log"));
        std::ofstream(log, std::ios::binary)
            << Record("2026-11-03", "Default", 3600, "1.2", 0)
            << Record("2026-12-01", "Default", 1800, "0.6", 0) << "not a record\r\n"
            << Record("2026-12-05", "Work", 600, "0.25", 0) << Record("2026-12-06", "Work", 0, "0.1", 1);
        std::ofstream(data, std::ios::binary)
            << "#2026-11-03#,#10:00:00#,\"My ISP\",1500000000,500000000\r\n"
            << "#2026-12-01#,#10:00:00#,\"My ISP\",250000000,50000000\r\n"
            << "oops\r\n"
            << "#2026-12-05#,#10:00:00#,\"My ISP\",3000000000,600000000\r\n";
        window.Load();
        QVERIFY(
            window.findChild<QProgressBar*>("barLoading")->isVisibleTo(&window)); // read in the background
        QTRY_VERIFY(!window.Loading());
        QVERIFY(!window.findChild<QProgressBar*>("barLoading")->isVisibleTo(&window));

        QCOMPARE(label("lblStatus"), path +
                                         ": 4 calls; 1 stretch of unreadable text passed over; 1 unreadable "
                                         "line of log-data.dat passed over.");
        QCOMPARE(label("lblMonthSpent"), QString("Dec 2026: spent so far 0.95 in 3 calls, time 00:40:00"));
        QCOMPARE(label("lblMonthProjected"),
                 QString("At this pace the month comes to 3.27 and a time of 02:17:46"));
        QAbstractItemModel* calls = window.findChild<QTableView*>("tblCalls")->model();
        QCOMPARE(calls->headerData(received, Qt::Horizontal).toString(), QString("Received"));
        QCOMPARE(cell(calls, 0, received), QString("1.5 GB"));
        QCOMPARE(cell(calls, 0, sent), QString("500 MB"));
        QCOMPARE(cell(calls, 3, received), QString()); // a failed dial has no data, not 0
        QCOMPARE(label("lblShownTotals"), QString("4 calls shown: time 01:40:00, cost 2.15, data 5.9 GB"));
        QAbstractItemModel* months = window.findChild<QTableView*>("tblMonths")->model();
        QCOMPARE(months->rowCount(), 2);
        QCOMPARE(cell(months, 0, 3), QString("1.20"));
        QCOMPARE(cell(months, 1, 1), QString("3"));
        QCOMPARE(cell(months, 0, 4), QString("2 GB"));
        QCOMPARE(cell(months, 1, 4), QString("3.9 GB"));

        // 3.6 GB of Work's in the 9 days gone: 10 GB lasts 25 days at that pace.
        QCOMPARE(label("lblMonthData"), QString("Data so far 3.9 GB: received 3.3 GB, sent 650 MB"));
        QCOMPARE(label("lblMonthAllowance"),
                 "Data allowance of Work: 10 GB a month, 6.4 GB left; at this pace it runs out on " +
                     QLocale().toString(QDate(2026, 12, 26), QLocale::ShortFormat));
        window.SetAllowanceSource({});
        QVERIFY(!window.findChild<QLabel*>("lblMonthAllowance")->isVisibleTo(&window));
        auto* series = window.findChild<QComboBox*>("cboChartSeries");
        series->setCurrentIndex(series->findText("Data"));
        QCOMPARE(window.findChild<QChartView*>("chartMonths")->chart()->title(), QString("Data per month"));

        calls->sort(static_cast<int>(CallColumn::Cost), Qt::DescendingOrder);
        QCOMPARE(cell(calls, 0, static_cast<int>(CallColumn::Cost)), QString("1.20"));
        QCOMPARE(cell(calls, 3, static_cast<int>(CallColumn::Failed)), QString("Failed"));
        auto* profile = window.findChild<QComboBox*>("cboProfile");
        profile->setCurrentIndex(profile->findText("Work"));
        QCOMPARE(calls->rowCount(), 2);
        QCOMPARE(label("lblShownTotals"), QString("2 calls shown: time 00:10:00, cost 0.35, data 3.6 GB"));
        const QString csv = QString::fromStdString((folder.Path() / "calls.csv").string());
        QVERIFY(window.ExportCsv(csv));
        // The calls shown, under the heading the reader's tests pin.
        QCOMPARE(
            QString::fromStdString(ReadText(csv.toStdString())).section("\r\n", 1),
            QString(
                "2026-12-05,10:00:00,10:30:00,600,0.25,\"Work\",\"My ISP\",0,\"\",3000000000,600000000\r\n"
                "2026-12-06,10:00:00,10:30:00,0,0.1,\"Work\",\"My ISP\",1,\"\",,\r\n"));

        // Its bytes before the call itself, as a crash may leave them.
        std::ofstream(data, std::ios::binary | std::ios::app)
            << "#2026-12-07#,#10:00:00#,\"My ISP\",1000000000,0\r\n";
        std::ofstream(log, std::ios::binary | std::ios::app) << Record("2026-12-07", "Work", 60, "0.05", 0);
        QTRY_COMPARE(calls->rowCount(), 3);
        QCOMPARE(cell(calls, 2, received), QString("1 GB"));
        std::ofstream(data, std::ios::binary | std::ios::app)
            << "#2026-12-07#,#10:00:00#,\"My ISP\",2000000000,0\r\n";
        QTRY_COMPARE(label("lblShownTotals"),
                     QString("3 calls shown: time 00:11:00, cost 0.40, data 5.6 GB"));
        QCOMPARE(cell(calls, 2, received), QString("2 GB"));

        window.findChild<QDateEdit*>("dtpFrom")->setDate(QDate(2026, 12, 7));
        window.findChild<QCheckBox*>("chkFrom")->setChecked(true);
        QCOMPARE(calls->rowCount(), 1);
        QCOMPARE(window.findChild<QTableView*>("tblDays")->model()->rowCount(), 1);
    }
};

QTEST_MAIN(LogViewerFormTest)
#include "LogViewerFormTest.moc"
