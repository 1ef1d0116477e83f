// How the added windows are built: captions that lead to their fields, names a screen reader
// says, one naming of controls, and the standard buttons in Qt's own Italian.
#include "find/findwindow.h"
#include "forms/qttexts.h"
#include "forms/windowform.h"
#include "manage/changewindow.h"
#include "print/periodwindow.h"
#include "remind/reminderwindow.h"
#include "repeat/repeatwindow.h"
#include "sync/serverwindow.h"

#include <QPushButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

class TestForms : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void captionsLeadToTheirFieldsAndNameThem();
    void standardButtonsSpeakItalianAndCancelCloses();
    void everyAddedWindowNamesItsControlsOneWay();
};

void TestForms::initTestCase()
{
    // The reminder window reads settings: the test's own, never the user's.
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(installQtTexts(*qApp));
}

void TestForms::captionsLeadToTheirFieldsAndNameThem()
{
    QDialog window;
    WindowForm form(&window, QStringLiteral("Prova"), QStringLiteral("Una prova"));
    auto *time = new QLineEdit(&window);
    auto *text = new QLineEdit(&window);
    text->setAccessibleName(QStringLiteral("Testo appuntamento"));
    form.row(QStringLiteral("&Ora  00.00"), time, QStringLiteral("Text1"));
    form.row(QStringLiteral("&Testo"), text, QStringLiteral("Text2"));
    QCOMPARE(window.objectName(), QStringLiteral("Prova"));
    QCOMPARE(window.accessibleName(), QStringLiteral("Una prova"));
    QCOMPARE(time->objectName(), QStringLiteral("Text1"));
    QCOMPARE(time->accessibleName(), QStringLiteral("Ora 00.00"));
    // A name given by the window stays.
    QCOMPARE(text->accessibleName(), QStringLiteral("Testo appuntamento"));
    QList<QWidget *> buddies;
    for (QLabel *label : window.findChildren<QLabel *>())
        buddies << label->buddy();
    QCOMPARE(buddies, (QList<QWidget *>{time, text}));
    QCOMPARE(WindowForm::spoken(QStringLiteral(" Salva && &esci ")), QStringLiteral("Salva & esci"));
    QCOMPARE(WindowForm::spoken(QStringLiteral("&Parole da cercare:")), QStringLiteral("Parole da cercare"));
}

void TestForms::standardButtonsSpeakItalianAndCancelCloses()
{
    QDialog window;
    WindowForm form(&window, QStringLiteral("Prova"), QStringLiteral("Una prova"));
    QPushButton *ok = form.button(QDialogButtonBox::Ok, QStringLiteral("Command1"));
    QPushButton *cancel = form.button(QDialogButtonBox::Cancel, QStringLiteral("Command2"));
    QPushButton *own = form.button(QStringLiteral("&Prova"), QDialogButtonBox::ActionRole, QStringLiteral("Command3"));
    QCOMPARE(WindowForm::spoken(ok->text()), QStringLiteral("OK"));
    QCOMPARE(cancel->accessibleName(), QStringLiteral("Annulla"));
    QCOMPARE(own->accessibleName(), QStringLiteral("Prova"));
    QCOMPARE(form.buttons()->buttonRole(own), QDialogButtonBox::ActionRole);
    QVERIFY(ok->isDefault());
    // OK only says so: the window checks what was typed before it closes.
    int confirmed = 0;
    QObject::connect(form.buttons(), &QDialogButtonBox::accepted, [&] { ++confirmed; });
    window.show();
    ok->click();
    QVERIFY(confirmed == 1 && window.isVisible());
    cancel->click();
    QVERIFY(!window.isVisible() && window.result() == QDialog::Rejected);
}

void TestForms::everyAddedWindowNamesItsControlsOneWay()
{
    const QRegularExpression convention(QStringLiteral("^(Text|Command|Label|Check|Combo|Option|Spin|List|Date)\\d+$"));
    QWidget owner;
    const QList<QWidget *> windows{new ChangeWindow(QStringLiteral("25/05/2009"), QStringLiteral("9.30"),
                                                    QStringLiteral("Dentista"), &owner),
                                   new RepeatWindow(QStringLiteral("25/05/2009"), QStringLiteral("9.30"),
                                                    QStringLiteral("Dentista"), &owner),
                                   new ReminderWindow(&owner), new ServerWindow(&owner), new PeriodWindow(&owner),
                                   new FindWindow(&owner)};
    for (QWidget *window : windows) {
        QVERIFY2(!window->accessibleName().isEmpty(), qPrintable(window->objectName()));
        for (QWidget *control : window->findChildren<QWidget *>()) {
            // What the user operates, in the window itself or its row of buttons; not the parts of a
            // control (a spin box's line edit).
            const bool operated = control->focusPolicy() & Qt::TabFocus;
            const bool own = control->parentWidget() == window
                             || qobject_cast<QDialogButtonBox *>(control->parentWidget()) != nullptr;
            if (!operated || !own)
                continue;
            QVERIFY2(convention.match(control->objectName()).hasMatch(),
                     qPrintable(window->objectName() + QLatin1Char('/') + control->metaObject()->className()
                                + QLatin1Char(' ') + control->objectName()));
            QVERIFY2(!control->accessibleName().isEmpty() || !control->property("text").toString().isEmpty(),
                     qPrintable(window->objectName() + QLatin1Char('/') + control->objectName()));
        }
    }
}

QTEST_MAIN(TestForms)
#include "tst_forms.moc"
