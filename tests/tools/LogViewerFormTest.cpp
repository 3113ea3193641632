#include "frmLogViewer.h"

#include "support/TestSupport.h"

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
    void saysWhenThereIsNoLogThenShowsFiltersAddsUpAndExportsOne() {
        TempFolder folder;
        const QString log = QString::fromStdString((folder.Path() / "log.dat").string());
        FakeClock clock;
        clock.Set(2026, 12, 10);
        ScriptedUserInterface ui;
        frmLogViewer window(log, clock, ui);
        window.Load();
        QTRY_VERIFY(!window.Loading());
        const auto label = [&](const char* name) { return window.findChild<QLabel*>(name)->text(); };
        const auto cell = [](QAbstractItemModel* model, int row, int column) {
            return model->data(model->index(row, column)).toString();
        };
        QCOMPARE(label("lblStatus"), "No calls logged yet: " + log + " does not exist.");
        QCOMPARE(window.windowTitle(), QString("log.dat - Tallydial Call Log"));
        std::ofstream(log.toStdString(), std::ios::binary)
            << Record("2026-11-03", "Default", 3600, "1.2", 0)
            << Record("2026-12-01", "Default", 1800, "0.6", 0) << "not a record\r\n"
            << Record("2026-12-05", "Work", 600, "0.25", 0) << Record("2026-12-06", "Work", 0, "0.1", 1);
        window.Load();
        QVERIFY(
            window.findChild<QProgressBar*>("barLoading")->isVisibleTo(&window)); // read in the background
        QTRY_VERIFY(!window.Loading());
        QVERIFY(!window.findChild<QProgressBar*>("barLoading")->isVisibleTo(&window));

        QAbstractItemModel* calls = window.findChild<QTableView*>("tblCalls")->model();
        QCOMPARE(label("lblStatus"), log + ": 4 calls; 1 stretch of unreadable text passed over.");
        QCOMPARE(label("lblMonthSpent"), QString("Dec 2026: spent so far 0.95 in 3 calls, time 00:40:00"));
        QCOMPARE(label("lblMonthProjected"),
                 QString("At this pace the month comes to 3.27 and a time of 02:17:46"));
        QAbstractItemModel* months = window.findChild<QTableView*>("tblMonths")->model();
        QCOMPARE(months->rowCount(), 2);
        QCOMPARE(cell(months, 0, 3), QString("1.20"));
        QCOMPARE(cell(months, 1, 1), QString("3"));

        calls->sort(static_cast<int>(CallColumn::Cost), Qt::DescendingOrder);
        QCOMPARE(cell(calls, 0, static_cast<int>(CallColumn::Cost)), QString("1.20"));
        QCOMPARE(cell(calls, 3, static_cast<int>(CallColumn::Failed)), QString("Failed"));

        auto* profile = window.findChild<QComboBox*>("cboProfile");
        profile->setCurrentIndex(profile->findText("Work"));
        QCOMPARE(calls->rowCount(), 2);
        QCOMPARE(label("lblShownTotals"), QString("2 calls shown: time 00:10:00, cost 0.35"));
        window.findChild<QDateEdit*>("dtpFrom")->setDate(QDate(2026, 12, 6));
        window.findChild<QCheckBox*>("chkFrom")->setChecked(true);
        QCOMPARE(calls->rowCount(), 1);
        QCOMPARE(window.findChild<QTableView*>("tblDays")->model()->rowCount(), 1);

        const QString csv = QString::fromStdString((folder.Path() / "calls.csv").string());
        QVERIFY(window.ExportCsv(csv));
        QCOMPARE(QString::fromStdString(ReadText(csv.toStdString())),
                 QString("Date,Start,End,Duration (s),Cost,Profile,Connection,Failed,Comment\r\n"
                         "2026-12-06,10:00:00,10:30:00,0,0.1,\"Work\",\"My ISP\",1,\"\"\r\n"));
    }
};

QTEST_MAIN(LogViewerFormTest)
#include "LogViewerFormTest.moc"
