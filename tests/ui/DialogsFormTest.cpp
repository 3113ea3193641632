#include "dialogs/CalculatorCost.h"
#include "support/EngineHarness.h"
#include "ui/dialogs/Calculator.h"
#include "ui/help/HelpModule.h"
#include "ui/help/frmHelp.h"
#include "ui/startup/frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

// Five rates, the last two sharing a name; the provider charges 1.20 an hour.
Globals Tariff() {
    Globals g;
    const std::pair<const char*, double> rates[] = {
        {"Daytime", 0.05}, {"Evening", 0.02}, {"Weekend", 0.01}, {"Same", 0.10}, {"Same", 0.03}};
    for (size_t i = 0; i < 5; ++i) {
        g.Rates[i + 1].Name = rates[i].first;
        g.Rates[i + 1].Amount = rates[i].second;
    }
    g.CurrentRate = 3;
    g.CostPerHour = 1.20;
    g.CurrencyLetter = "£";
    return g;
}

// The main window loaded over a store in a temporary folder.
struct Program : StoreHarness {
    Program() { main.Form_Load(); }
    ScriptedUserInterface ui;
    frmMain main{g, settings, clock, ui};
};

struct CostRow {
    QString Hours, Minutes, Rate;
    bool DecimalComma = false;
};

} // namespace

Q_DECLARE_METATYPE(CostRow)

class DialogsFormTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        frmHelp::SetSearchFolders({QStringLiteral(TALLYDIAL_HELP_DIR)});
        CommonDialog::UseHelpWindow(&OpenHelpWindow);
    }
    void cleanup() { delete frmHelp::Instance(); }

    void calculatorCost_data() {
        QTest::addColumn<CostRow>("row");
        QTest::addColumn<QString>("expected"); // "-" when the result stays as it was
        QTest::newRow("later of two rates named alike") << CostRow{"", "10", "Same"} << "£00.30";
        QTest::newRow("decimal comma locale") << CostRow{"1,5", "", "Daytime", true} << "£04.50";
        QTest::newRow("beyond any number counts as nothing") << CostRow{"1e309", "30", "Daytime"} << "£00.00";
        QTest::newRow("rate names match exactly") << CostRow{"1", "", "daytime"} << "-";
    }

    void calculatorCost() {
        QFETCH(CostRow, row);
        QFETCH(QString, expected);
        const Locale locale = row.DecimalComma ? Locale::DecimalComma() : Locale::DecimalPoint();
        const auto result = CalculatorCost(
            Tariff(), locale,
            {row.Hours.toStdString(), row.Minutes.toStdString(), row.Rate.toStdString(), false});
        QCOMPARE(result ? QString::fromStdString(*result) : QStringLiteral("-"), expected);
    }

    void calculatorFollowsEveryChange() {
        Globals g = Tariff();
        const Locale locale = Locale::DecimalPoint();
        ScriptedUserInterface ui;
        Calculator calc(g, locale, ui);
        QCOMPARE(calc.Cost->text(), QStringLiteral("£00.00"));
        QCOMPARE(calc.Rate->count(), 5);
        QCOMPARE(calc.Rate->currentText(), QStringLiteral("Weekend"));

        QTest::keyClicks(calc.txtHours, "1");
        QCOMPARE(calc.Cost->text(), QStringLiteral("£00.60"));
        calc.Rate->setCurrentIndex(0);
        QTest::keyClicks(calc.Time, "30");
        QCOMPARE(calc.Cost->text(), QStringLiteral("£04.50"));
        calc.chkIncludeISP->click();
        QCOMPARE(calc.Cost->text(), QStringLiteral("£06.30"));

        // Rates renamed in the options meanwhile: no name matches and the result stays.
        g.Rates[1].Name = "Peak";
        calc.Timer1_Timer();
        QCOMPARE(calc.Cost->text(), QStringLiteral("£06.30"));

        // With unlimited free time the provider's charge can't be included.
        g.UnlimitedTime = true;
        QVERIFY(!Calculator(g, locale, ui).chkIncludeISP->isEnabled());
    }

    void mainWindowOpensOneOfEachWithoutBlocking_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("window");
        QTest::newRow("About") << QStringLiteral("Command5") << QStringLiteral("frmAbout");
        QTest::newRow("Calculator") << QStringLiteral("Command6") << QStringLiteral("Calculator");
        QTest::newRow("Options") << QStringLiteral("cmdOptions") << QStringLiteral("frmOptions");
    }

    void mainWindowOpensOneOfEachWithoutBlocking() {
        QFETCH(QString, button);
        QFETCH(QString, window);
        Program p;
        auto* press = p.main.findChild<QPushButton*>(button);
        press->click();
        QWidget* first = p.main.findChild<QWidget*>(window);
        QVERIFY(first && first->isVisible());
        QVERIFY(!first->isModal());
        // Asked for again, the open one comes forward.
        press->click();
        QCOMPARE(p.main.findChildren<QDialog*>(window), QList<QDialog*>{qobject_cast<QDialog*>(first)});
    }

    void mainWindowOpensHelpAtItsTopicOnF1() {
        Program p;
        QTest::keyRelease(&p.main, Qt::Key_F1);
        frmHelp* help = frmHelp::Instance();
        QVERIFY(help && help->isVisible() && help->HasHelp());
        QCOMPARE(help->CurrentPage().fileName(), QStringLiteral("main-window.html"));
    }

    void oneHelpWindowFollowsEveryRequest_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("context");
        QTest::addColumn<QString>("page");
        QTest::newRow("options Auto") << 1 << 1017 << "options-auto.html";
        QTest::newRow("contents command") << 3 << 1006 << "index.html";
        QTest::newRow("unknown topic shows the contents") << 1 << 4711 << "index.html";
    }

    void oneHelpWindowFollowsEveryRequest() {
        QFETCH(int, command);
        QFETCH(int, context);
        QFETCH(QString, page);
        CommonDialog control;
        control.HelpFile = QStringLiteral("tallyd.hlp");
        control.ShowTopic(nullptr, 1011);
        frmHelp* first = frmHelp::Instance();
        QCOMPARE(first->CurrentPage().fileName(), QStringLiteral("options-profiles.html"));
        control.HelpCommand = command;
        control.HelpContextNumber = context;
        control.ShowHelp(nullptr);
        QCOMPARE(frmHelp::Instance(), first);
        QCOMPARE(first->CurrentPage().fileName(), page);
    }

    // No help library beside the test program nor in an installed tree.
    void missingHelpLibrarySaysSoWithoutHoldingUpTheAsker() {
        QDialog modal;
        modal.setWindowModality(Qt::ApplicationModal);
        modal.show();
        CommonDialog::UseHelpWindow(nullptr);
        CommonDialog control;
        control.ShowTopic(&modal, 1016);
        CommonDialog::UseHelpWindow(&OpenHelpWindow);
        auto* box = modal.findChild<QMessageBox*>(QStringLiteral("HelpMissing"));
        QVERIFY(box && box->isVisible() && !box->isModal());
        QVERIFY(box->text().contains(QStringLiteral("not available")));
        QVERIFY(!frmHelp::Instance());
    }

    // A modal window blocks the others: its help still takes clicks, and outlives it.
    void helpAskedFromAModalWindowTakesClicksAndGivesTheKeyboardBack() {
        QDialog modal;
        modal.setWindowModality(Qt::ApplicationModal);
        modal.show();
        QVERIFY(QTest::qWaitForWindowActive(&modal));
        CommonDialog control;
        control.HelpFile = QStringLiteral("tallyd.hlp");
        control.ShowTopic(&modal, 1016);
        frmHelp* help = frmHelp::Instance();
        QVERIFY(help && help->isVisible());
        QTRY_VERIFY(help->isActiveWindow());
        const QPoint contents = help->ContentsButton->mapTo(help, help->ContentsButton->rect().center());
        QTest::mouseClick(help->windowHandle(), Qt::LeftButton, {}, contents);
        QCOMPARE(help->CurrentPage().fileName(), QStringLiteral("index.html"));
        help->close();
        QTRY_VERIFY(modal.isActiveWindow());

        control.ShowTopic(&modal, 1016);
        modal.hide();
        QTRY_VERIFY(frmHelp::Instance() && frmHelp::Instance()->isVisible());
        QVERIFY(!frmHelp::Instance()->parent());
    }
};

QTEST_MAIN(DialogsFormTest)
#include "DialogsFormTest.moc"
