#include "weblink/linkimage.h"
#include "domain/diary.h"
#include "shell/form1.h"
#include "store/calcworkbook.h"
#include "support/testsupport.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QApplication>
#include <QSet>
#include <QTest>
#include <QTimer>

// The main window as drawn: controls, texts, places, limits and the tab walk. No office needed.
class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void controlsStandWhereDrawn_data();
    void controlsStandWhereDrawn();
    void windowAndMenu();
    void entryFieldsStopAtTheirLength();
    void tabWalksInDrawnOrder();
    void creditsFontResolvesToCalibrisTwin();
    void enterPressesTheFocusedButton_data();
    void enterPressesTheFocusedButton();

private:
    std::unique_ptr<CalcWorkbook> m_book;
    std::unique_ptr<Diary> m_diary;
    std::unique_ptr<RecordingPrompter> m_prompter;
    std::unique_ptr<Form1> m_form;
};

void TestForm1::init()
{
    m_book = std::make_unique<CalcWorkbook>();
    m_diary = std::make_unique<Diary>(*m_book);
    m_prompter = std::make_unique<RecordingPrompter>();
    m_form = std::make_unique<Form1>(*m_diary, *m_prompter);
}

void TestForm1::cleanup()
{
    m_form.reset();
}

void TestForm1::controlsStandWhereDrawn_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("text");
    auto row = [](const char *name, QRect r, const QString &text) {
        QTest::newRow(name) << QString::fromLatin1(name) << r << text;
    };
    row("MonthView1", {600, 600, 2490, 2370}, {});
    row("Text1", {3600, 1200, 1695, 375}, {});
    row("Text2", {5880, 1200, 1935, 375}, {});
    row("Text3", {3600, 2040, 4215, 375}, {});
    row("Command1", {8520, 1200, 2295, 375}, QStringLiteral("Inserisci  Appuntamento"));
    row("Label1", {3600, 1800, 2895, 255}, QStringLiteral("Testo  Appuntamento"));
    row("Label2", {3600, 960, 1815, 375}, QStringLiteral("Data 00/00/0000"));
    row("Label3", {5880, 960, 1815, 375}, QStringLiteral("Ora  00.00"));
    row("List1", {600, 3600, 1335, 2400}, {});
    row("List2", {2160, 3600, 8655, 2400}, {});
    row("Label4", {600, 3240, 5175, 255}, QStringLiteral("Vespolari inseriti del giorno ,clicca sul giorno del calendario "));
    row("Label5", {7800, 480, 3015, 375}, QStringLiteral("Label5"));
    row("Check1", {6000, 3240, 3375, 255}, QStringLiteral("Visualizza tutti gli vespolari"));
    row("Command2", {8520, 1680, 2295, 375}, QStringLiteral("Stampa"));
    row("Command4", {8520, 2160, 2295, 375}, QStringLiteral("Pulisci"));
    row("Command3", {9120, 2640, 1095, 375}, QStringLiteral("Esci"));
    row("Image1", {9720, 6240, 1050, 510}, {});
    row("Label14", {1080, 6240, 8535, 495}, {});
}

void TestForm1::controlsStandWhereDrawn()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QFETCH(QString, text);
    QWidget *w = m_form->findChild<QWidget *>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->geometry(), QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
    if (text.isEmpty())
        return;
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        QCOMPARE(b->text(), text);
    else
        QCOMPARE(qobject_cast<QLabel *>(w)->text(), text);
}

void TestForm1::windowAndMenu()
{
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Vespolari"));
    QCOMPARE(m_form->centralWidget()->size(), QSize(749, 482));
    QCOMPARE(ui(*m_form).MonthView1->selectedDate(), QDate(2009, 5, 25));
    QCOMPARE(ui(*m_form).MonthView1->minimumDate(), QDate(1753, 1, 1));
    QCOMPARE(ui(*m_form).MonthView1->maximumDate(), QDate(9999, 12, 31));
    QVERIFY(!ui(*m_form).Check1->isChecked());
    QCOMPARE(ui(*m_form).Timer1->interval(), 1000);
    QVERIFY(ui(*m_form).Timer1->isActive());
    QCOMPARE(ui(*m_form).Image1->toolTip(), QStringLiteral("Visita il sito !"));
    QCOMPARE(ui(*m_form).Image1->pixmap().size(), QSize(66, 30));
    // "&Excel" stands first, directly on the menu bar, not inside a menu; the appointments'
    // menu follows it, with nothing to change or delete before a day is listed, then the calendar's.
    const QList<QAction *> bar = m_form->menuBar()->actions();
    QCOMPARE(bar.size(), 3);
    QCOMPARE(bar.first()->text(), QStringLiteral("&Excel"));
    QCOMPARE(bar.first()->objectName(), QStringLiteral("Mexcel"));
    QVERIFY(!bar.first()->menu());
    QCOMPARE(bar[1]->text(), QStringLiteral("&Appuntamenti"));
    QStringList entries;
    for (const QAction *a : bar[1]->menu()->actions().mid(0, 4))
        entries << a->text() + QLatin1Char(' ') + a->shortcut().toString(QKeySequence::PortableText);
    QCOMPARE(entries, (QStringList{QStringLiteral("&Modifica... F2"), QStringLiteral("&Elimina Del"),
                                   QStringLiteral("&Annulla Ctrl+Z"), QStringLiteral("&Cerca... Ctrl+F")}));
    // What concerns the calendar as a whole has a menu of its own.
    for (const char *name : {"Mperiodo", "Mesporta", "Mimporta", "Mserver", "Maggiorna"})
        QCOMPARE(m_form->findChild<QAction *>(name)->parent(), bar[2]->menu());
    // Alt and one letter reach one entry only, in the bar as in each menu.
    const auto mnemonicsAreUnique = [](const QList<QAction *> &actions) {
        QSet<QChar> seen;
        for (const QAction *a : actions) {
            const qsizetype at = a->text().indexOf(QLatin1Char('&'));
            if (!a->isSeparator() && (at < 0 || seen.contains(a->text().at(at + 1).toLower())))
                return false;
            seen.insert(a->isSeparator() ? QChar() : a->text().at(at + 1).toLower());
        }
        return true;
    };
    QVERIFY(mnemonicsAreUnique(bar));
    QVERIFY(mnemonicsAreUnique(bar[1]->menu()->actions()));
    QVERIFY(mnemonicsAreUnique(bar[2]->menu()->actions()));
}

void TestForm1::entryFieldsStopAtTheirLength()
{
    m_form->show();
    QTest::keyClicks(ui(*m_form).Text1, QStringLiteral("25/05/20091234"));
    QCOMPARE(ui(*m_form).Text1->text(), QStringLiteral("25/05/2009"));
    QTest::keyClicks(ui(*m_form).Text2, QStringLiteral("09.3012"));
    QCOMPARE(ui(*m_form).Text2->text(), QStringLiteral("09.30"));
    QVERIFY(ui(*m_form).Text3->maxLength() > 32767);
}

void TestForm1::tabWalksInDrawnOrder()
{
    const QList<QWidget *> expected = {ui(*m_form).Text1,    ui(*m_form).Text2,    ui(*m_form).Text3,   ui(*m_form).Command1,
                                       ui(*m_form).List1,    ui(*m_form).List2,    ui(*m_form).Check1,  ui(*m_form).Command2,
                                       ui(*m_form).Command4, ui(*m_form).Command3};
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    ui(*m_form).MonthView1->setFocus();
    QVERIFY(ui(*m_form).MonthView1->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == ui(*m_form).MonthView1);
    for (QWidget *next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void TestForm1::creditsFontResolvesToCalibrisTwin()
{
    const QFont f = ui(*m_form).Label14->font();
    QVERIFY(f.bold());
    QCOMPARE(f.pointSizeF(), 9.75);
    const QString family = QFontInfo(f).family();
    QVERIFY2(family == QLatin1String("Calibri") || family == QLatin1String("Carlito"), qPrintable(family));
}

void TestForm1::enterPressesTheFocusedButton_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("pressed");
    QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier) << true;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true;
    QTest::newRow("Ctrl+Return") << int(Qt::Key_Return) << int(Qt::ControlModifier) << false;
}

void TestForm1::enterPressesTheFocusedButton()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, pressed);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    ui(*m_form).Text1->setText(QStringLiteral("25/05/2009"));
    ui(*m_form).Text3->setText(QStringLiteral("Dentista"));
    ui(*m_form).Command4->setFocus();
    QTest::keyClick(ui(*m_form).Command4, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    // "Pulisci" empties the fields and puts the cursor in the date field.
    QCOMPARE(ui(*m_form).Text1->text().isEmpty(), pressed);
    QCOMPARE(ui(*m_form).Text3->text().isEmpty(), pressed);
    QCOMPARE(QApplication::focusWidget() == ui(*m_form).Text1, pressed);
    // Not by default buttons: their look stays as drawn.
    for (QPushButton *b : {ui(*m_form).Command1, ui(*m_form).Command2, ui(*m_form).Command3, ui(*m_form).Command4})
        QVERIFY(!b->autoDefault() && !b->isDefault());
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
