#include "support/EngineHarness.h"
#include "ui/dialogs/frmSetFreeTimeLeft.h"
#include "ui/engine/frmAutoSelect.h"
#include "ui/settings/frmNewProfile.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

const QString kAbsent = QStringLiteral("<absent>");

// The model loaded over a fresh store, with the options dialog's working copy of one profile.
struct Dialogs : EngineHarness {
    explicit Dialogs(bool decimalComma = false) {
        if (decimalComma) locale = Locale::DecimalComma();
        g.EditProfileNames = {"", "Default"};
        g.EditProfileCount = 1;
        g.TrayEnabled = true;
    }
    QStringList Window(int rate) {
        QStringList stored;
        for (const char* name : {"FromDay", "ToDay", "BeforeHour", "AfterHour"})
            stored << QString::fromStdString(Stored("Charges", name + std::to_string(rate)).value_or(""));
        return stored;
    }
    QStringList Working() const {
        QStringList names;
        for (int i = 1; i <= g.EditProfileCount; ++i)
            names << QString::fromStdString(g.EditProfileNames[static_cast<size_t>(i)]);
        return names;
    }
    FakeProfileList list;
    CommonDialog help;
};

template <typename W> W* Find(QWidget& form, const char* name) {
    return form.findChild<W*>(QLatin1String(name));
}

// Puts the text into the box as a paste does: one change for the whole text.
void Paste(QWidget& form, const char* box, const QString& text) {
    Find<QLineEdit>(form, box)->selectAll();
    Find<QLineEdit>(form, box)->insert(text);
}

struct NewProfileRow {
    QString Typed;
    int Selected;
    QString Message;
    QStringList Listed;
    QString Base; // "Base" of the typed name's key afterwards
};
struct HourRow {
    bool DecimalComma;
    QString Text; // pasted; typed key by key after "typed "
    QString Shown;
    QString Stored; // by OK
};
// The free time left and the session's time so far; the boxes shown, typed, and the free time left by OK.
struct FreeTimeRow {
    double Left, Session;
    QString Shown;
    bool DecimalComma;
    QString Hours, Minutes;
    double LeftAfterOk;
};

} // namespace

Q_DECLARE_METATYPE(NewProfileRow)
Q_DECLARE_METATYPE(HourRow)
Q_DECLARE_METATYPE(FreeTimeRow)

class SubDialogsFormTest : public QObject {
    Q_OBJECT

private slots:
    void newProfile_data() {
        QTest::addColumn<NewProfileRow>("row");
        const QString created;
        const QStringList one{"Default"};
        QTest::newRow("blanks around the name dropped, nothing selected: empty base")
            << NewProfileRow{"  Work  ", -1, created, {"Default", "Work"}, ""};
        QTest::newRow("only blanks") << NewProfileRow{"   ", 0, "You must enter a name.", one, kAbsent};
        QTest::newRow("existing name, its own base untouched")
            << NewProfileRow{" Default", 0, "There is already a profile with that name.", one, ""};
        QTest::newRow("differs in case only: accepted")
            << NewProfileRow{"DEFAULT", 0, created, {"Default", "DEFAULT"}, "Default"};
        QTest::newRow("backslash") << NewProfileRow{
            "Home\\Work", 0, "A profile name can't contain a backslash.", one, kAbsent};
        QTest::newRow("255 letters of another script") << NewProfileRow{
            QString(255, QChar(0x0416)), 0, created, {"Default", QString(255, QChar(0x0416))}, "Default"};
        QTest::newRow("pasted 10,000 characters: the key's longest name")
            << NewProfileRow{QString(10000, 'w'), 0, created, {"Default", QString(255, 'w')}, "Default"};
    }

    void newProfile() {
        QFETCH(NewProfileRow, row);
        Dialogs d;
        d.list.Selected = row.Selected;
        frmNewProfile form(d.g, d.settings, d.ui, d.list);
        form.show();
        QVERIFY(!d.g.TrayEnabled);
        Paste(form, "txtName", row.Typed);
        QTest::keyClick(Find<QLineEdit>(form, "txtName"), Qt::Key_Return);

        const bool created = row.Message.isEmpty();
        QCOMPARE(d.ui.Messages.size(), created ? 0u : 1u);
        if (!created) QCOMPARE(QString::fromStdString(d.ui.Messages[0].Prompt), row.Message);
        QCOMPARE(d.Working(), row.Listed);
        QCOMPARE(form.isVisible(), !created);
        QCOMPARE(d.list.Refills, created ? 1 : 0);
        const auto base = d.Read(Find<QLineEdit>(form, "txtName")->text().toStdString(), "Base");
        QCOMPARE(QString::fromStdString(base.value_or(kAbsent.toStdString())), row.Base);
    }

    void hourBoxesHoldHoursOfTheDay_data() {
        QTest::addColumn<HourRow>("row");
        QTest::newRow("30") << HourRow{false, "30", "23", "23"};
        QTest::newRow("typed -4") << HourRow{false, "typed -4", "0", "0"};
        QTest::newRow("-1e400") << HourRow{false, "-1e400", "0", "0"};
        QTest::newRow("10,000 digits") << HourRow{false, QString(10000, '9'), "23", "23"};
        QTest::newRow("1,5, decimal comma") << HourRow{true, "1,5", "1,5", "1.5"};
        QTest::newRow("cleared stays empty, stored as 0") << HourRow{false, "", "", "0"};
    }

    // Rate 5 starts on a stored day without a name: it is kept while the other day is chosen.
    void hourBoxesHoldHoursOfTheDay() {
        QFETCH(HourRow, row);
        Dialogs d(row.DecimalComma);
        d.g.EditRateNumber = 5;
        d.g.Rates[5].FromDay = 0;
        frmAutoSelect form(d.g, d.settings, d.ui, d.help);
        form.show();
        QCOMPARE(Find<QComboBox>(form, "FromDay")->currentText(), QString());
        for (const char* name : {"AfterHour", "BeforeHour"}) {
            if (row.Text.startsWith("typed ")) {
                Find<QLineEdit>(form, name)->clear();
                QTest::keyClicks(Find<QLineEdit>(form, name), row.Text.mid(6));
            } else {
                Paste(form, name, row.Text);
            }
            QCOMPARE(Find<QLineEdit>(form, name)->text(), row.Shown);
        }
        Find<QComboBox>(form, "ToDay")->setCurrentText(QStringLiteral("Tuesday"));
        QTest::keyClick(Find<QLineEdit>(form, "AfterHour"), Qt::Key_Return);
        QCOMPARE(d.Window(5), (QStringList{"0", "2", row.Stored, row.Stored}));
    }

    void freeTimeLeftOpensOnWhatIsLeftAndOkAddsTheSession_data() {
        QTest::addColumn<FreeTimeRow>("row");
        QTest::newRow("less left than the session") << FreeTimeRow{3600, 4000, " 0: 0", false, "", "", 4000};
        QTest::newRow("90 minutes") << FreeTimeRow{7200, 600, " 1: 50", false, "0", "90", 6000};
        QTest::newRow("1,5 hours, decimal comma") << FreeTimeRow{1234, 600, " 0: 10", true, "1,5", "", 6000};
        QTest::newRow("hours beyond any number")
            << FreeTimeRow{1234, 600, " 0: 10", false, "1e400", "0", 1234};
        QTest::newRow("hours that make more seconds than a number holds")
            << FreeTimeRow{1234, 600, " 0: 10", false, "1e306", "0", 1234};
        QTest::newRow("the widest hours shown whole")
            << FreeTimeRow{1234, 600, " 0: 10", false, "99999999", "99999999", 365999996940.0};
    }

    void freeTimeLeftOpensOnWhatIsLeftAndOkAddsTheSession() {
        QFETCH(FreeTimeRow, row);
        Dialogs d(row.DecimalComma);
        d.g.FreeTimeLeft = row.Left;
        d.g.SessionTimeBanked = row.Session;
        d.g.FreeTimeRanOut = true;
        frmSetFreeTimeLeft form(d.g, d.settings, d.clock, d.ui);
        form.show();
        QCOMPARE(Find<QLineEdit>(form, "txtHours")->text() + ":" + Find<QLineEdit>(form, "txtMins")->text(),
                 row.Shown);
        QVERIFY(!d.g.TrayEnabled);
        Paste(form, "txtHours", row.Hours);
        Paste(form, "txtMins", row.Minutes);
        for (const char* name : {"txtHours", "txtMins"}) {
            QLineEdit* box = Find<QLineEdit>(form, name);
            box->home(false);
            QCOMPARE(box->cursorPositionAt(QPoint(box->width() - 1, box->height() / 2)), box->text().size());
        }
        QTest::keyClick(Find<QLineEdit>(form, "txtMins"), Qt::Key_Enter);
        QVERIFY(!form.isVisible());
        QCOMPARE(d.g.FreeTimeLeft, row.LeftAfterOk);
        QVERIFY(!d.g.FreeTimeRanOut);
    }

    // Esc and the close box end in the same place as Cancel.
    void cancelChangesNothing() {
        Dialogs d;
        d.g.EditRateNumber = 2;
        d.g.FreeTimeRanOut = true;
        frmAutoSelect autoSelect(d.g, d.settings, d.ui, d.help);
        frmSetFreeTimeLeft freeTime(d.g, d.settings, d.clock, d.ui);
        frmNewProfile newProfile(d.g, d.settings, d.ui, d.list);
        Paste(newProfile, "txtName", QStringLiteral("Work"));
        Find<QComboBox>(autoSelect, "FromDay")->setCurrentText(QStringLiteral("Friday"));
        Paste(autoSelect, "BeforeHour", QStringLiteral("3"));
        Paste(freeTime, "txtHours", QStringLiteral("5"));
        for (auto [form, cancel] : {std::pair<QDialog*, const char*>{&autoSelect, "Command2"},
                                    {&freeTime, "Command1"},
                                    {&newProfile, "btnCancel"}}) {
            form->show();
            QTest::mouseClick(Find<QPushButton>(*form, cancel), Qt::LeftButton);
            QVERIFY(!form->isVisible());
            QVERIFY(d.g.TrayEnabled);
        }
        QCOMPARE(d.Window(2), (QStringList{"1", "5", "8", "18"}));
        QCOMPARE(d.g.FreeTimeLeft, 0.0);
        QVERIFY(d.g.FreeTimeRanOut);
        QCOMPARE(d.Working(), QStringList{"Default"});
    }
};

QTEST_MAIN(SubDialogsFormTest)
#include "SubDialogsFormTest.moc"
