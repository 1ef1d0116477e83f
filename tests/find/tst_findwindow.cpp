#include "support/shareddiary.h"
#include "support/browsefixture.h"
#include "support/diarywalk.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTreeView>

// "Cerca..." on the real office and the real window: typing, the count, and the day of the one
// chosen shown and listed as a click on it does.
class TestFindWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void openedByCtrlFWithTheCursorInTheField();
    void typingFindsInDateOrderAndCounts();
    void enterOnAResultShowsAndListsItsDay();
    void enterInTheFieldTakesTheFirst();
    void doubleClickShowsTheDay();
    void aDateTypedAsTextHasNoDayToShow();
    void anInsertionIsFoundWithoutRetyping();
    void keyboardAndAccessibleNames();
    void aDateWithATimeOfDayListsItsDay();
    void theCountIsReadAsItChanges();
    void cleanupTestCase();

private:
    SharedDiary m_diary;
    Form1 &form() { return m_diary->form(); }
    RecordingPrompter &prompter() { return m_diary->prompter; }
    QDialog *window() { return form().findChild<QDialog *>(QStringLiteral("Cerca")); }
    QLineEdit *field() { return window()->findChild<QLineEdit *>(QStringLiteral("Text1")); }
    QTreeView *results() { return window()->findChild<QTreeView *>(QStringLiteral("List1")); }
    QString count() { return window()->findChild<QLabel *>(QStringLiteral("Label2"))->text(); }
    void open();
    void search(const QString &words);
    QStringList found();
};

void TestFindWindow::initTestCase()
{
    // Out of date order on the sheet, as a hand edit can leave it.
    m_diary.start({DiaryWalk::row(QDate(2024, 3, 7), QTime(11, 0), QStringLiteral("Dentista")),
                   DiaryWalk::row(QDate(2024, 3, 7), QTime(9, 30), QStringLiteral("Chiedere perché")),
                   DiaryWalk::row(QDate(2024, 1, 15), QTime(8, 0), QStringLiteral("PERCHE no")),
                   DiaryWalk::row(QDate(2024, 5, 2), QTime(16, 45), QStringLiteral("Banca")),
                   // Typed by hand with a time of day in the date cell.
                   {CellValue::fromNumber(CellValue::fromDate(QDate(2024, 6, 10)).number + 0.75),
                    CellValue::fromTime(QTime(18, 0)), CellValue::fromText(QStringLiteral("Golf"))},
                   {CellValue::fromText(QStringLiteral("da decidere")), CellValue::empty(),
                    CellValue::fromText(QStringLiteral("Riunione da fissare"))}});
    form().show();
    QVERIFY(QTest::qWaitForWindowActive(&form()));
}

void TestFindWindow::init()
{
    prompter().clear();
}

void TestFindWindow::open()
{
    QAction *find = form().findChild<QAction *>(QStringLiteral("Mcerca"));
    QVERIFY(find->isEnabled());
    find->trigger();
    QVERIFY(window());
    QVERIFY(window()->isVisible());
}

void TestFindWindow::search(const QString &words)
{
    field()->clear();
    QTest::keyClicks(field(), words);
}

QStringList TestFindWindow::found()
{
    QStringList out;
    const QAbstractItemModel *model = results()->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(r, c).data().toString();
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

void TestFindWindow::openedByCtrlFWithTheCursorInTheField()
{
    QVERIFY(!window());
    QTest::keyClick(&form(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(window());
    QTRY_VERIFY(window()->isVisible());
    QCOMPARE(window()->windowTitle(), QStringLiteral("Cerca appuntamenti"));
    QVERIFY(!window()->isModal());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(field()));
    // Nothing typed: nothing found, and no count of it.
    QCOMPARE(results()->model()->rowCount(), 0);
    QCOMPARE(count(), QString());
    QVERIFY(prompter().messages.isEmpty());
}

void TestFindWindow::typingFindsInDateOrderAndCounts()
{
    open();
    QTest::keyClicks(field(), QStringLiteral("perch"));
    QCOMPARE(found(), (QStringList{QStringLiteral("15/01/2024|08:00:00|PERCHE no"),
                                   QStringLiteral("07/03/2024|09:30:00|Chiedere perché")}));
    QCOMPARE(count(), QStringLiteral("2 appuntamenti trovati"));
    QTest::keyClicks(field(), QStringLiteral("e chied"));
    QCOMPARE(found(), QStringList{QStringLiteral("07/03/2024|09:30:00|Chiedere perché")});
    QCOMPARE(count(), QStringLiteral("1 appuntamento trovato"));
    QTest::keyClick(field(), Qt::Key_X);
    QCOMPARE(found(), QStringList());
    QCOMPARE(count(), QStringLiteral("Nessun appuntamento trovato"));
    // On the same day by time, though the sheet holds them the other way round.
    // A date typed by hand as text comes last.
    search(QStringLiteral("e"));
    QCOMPARE(count(), QStringLiteral("4 appuntamenti trovati"));
    QCOMPARE(found().mid(1), (QStringList{QStringLiteral("07/03/2024|09:30:00|Chiedere perché"),
                                          QStringLiteral("07/03/2024|11:00:00|Dentista"),
                                          QStringLiteral("da decidere||Riunione da fissare")}));
    QTest::keyClick(field(), Qt::Key_Backspace);
    QCOMPARE(count(), QString());
    QVERIFY(prompter().messages.isEmpty());
}

void TestFindWindow::enterOnAResultShowsAndListsItsDay()
{
    open();
    search(QStringLiteral("perche"));
    QTest::keyClick(field(), Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(results()));
    QTest::keyClick(results(), Qt::Key_Down);
    QCOMPARE(results()->currentIndex().row(), 1);
    QTest::keyClick(results(), Qt::Key_Return);
    QCOMPARE(ui(form()).MonthView1->selectedDate(), QDate(2024, 3, 7));
    QCOMPARE(ui(form()).MonthView1->monthShown(), 3);
    QCOMPARE(ui(form()).Text1->text(), QStringLiteral("07/03/2024"));
    // The whole day, as a click lists it: both of its appointments, in the sheet's order.
    QCOMPARE(BrowseFixture::lines(ui(form()).List1), (QStringList{QStringLiteral("11:00:00"), QStringLiteral("09:30:00")}));
    QCOMPARE(BrowseFixture::lines(ui(form()).List2),
             (QStringList{QStringLiteral("Dentista"), QStringLiteral("Chiedere perché")}));
    QCOMPARE(prompter().texts(), QStringList{QStringLiteral("Sono Presenti 2 Vespolari")});
    // The month shown has its marks; the window stays open for the next one.
    QCOMPARE(DiaryWalk::boldDays(ui(form()).MonthView1), QVector<QDate>{QDate(2024, 3, 7)});
    QVERIFY(window()->isVisible());
}

void TestFindWindow::enterInTheFieldTakesTheFirst()
{
    open();
    search(QStringLiteral("PERCHÉ"));
    QCOMPARE(count(), QStringLiteral("2 appuntamenti trovati"));
    QTest::keyClick(field(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(ui(form()).MonthView1->selectedDate(), QDate(2024, 1, 15));
    QCOMPARE(ui(form()).Text1->text(), QStringLiteral("15/01/2024"));
    QCOMPARE(BrowseFixture::lines(ui(form()).List2), QStringList{QStringLiteral("PERCHE no")});
    QCOMPARE(prompter().texts(), QStringList{QStringLiteral("Sono Presenti 1 Vespolari")});
    // Nothing found: Enter does nothing.
    prompter().clear();
    search(QStringLiteral("nessuno"));
    QTest::keyClick(field(), Qt::Key_Return);
    QVERIFY(prompter().messages.isEmpty());
    QCOMPARE(ui(form()).MonthView1->selectedDate(), QDate(2024, 1, 15));
}

void TestFindWindow::doubleClickShowsTheDay()
{
    open();
    search(QStringLiteral("banca"));
    const QRect cell = results()->visualRect(results()->model()->index(0, 2));
    QVERIFY(cell.isValid());
    QTest::mouseClick(results()->viewport(), Qt::LeftButton, {}, cell.center());
    QVERIFY(prompter().messages.isEmpty());  // a single click only selects
    QTest::mouseDClick(results()->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(ui(form()).MonthView1->selectedDate(), QDate(2024, 5, 2));
    QCOMPARE(BrowseFixture::lines(ui(form()).List1), QStringList{QStringLiteral("16:45:00")});
    QCOMPARE(prompter().texts(), QStringList{QStringLiteral("Sono Presenti 1 Vespolari")});
}

void TestFindWindow::aDateTypedAsTextHasNoDayToShow()
{
    open();
    const QDate before = ui(form()).MonthView1->selectedDate();
    search(QStringLiteral("fissare"));
    QTest::keyClick(field(), Qt::Key_Return);
    QCOMPARE(prompter().messages.size(), 1);
    QVERIFY2(prompter().texts()[0].contains(QStringLiteral("non ha una data valida")), qPrintable(prompter().texts()[0]));
    QCOMPARE(ui(form()).MonthView1->selectedDate(), before);
    QVERIFY(window()->isVisible());
}

void TestFindWindow::anInsertionIsFoundWithoutRetyping()
{
    open();
    search(QStringLiteral("banca"));
    QCOMPARE(count(), QStringLiteral("1 appuntamento trovato"));
    DiaryWalk::insert(form(), QStringLiteral("01/02/2024"), QStringLiteral("9.00"), QStringLiteral("Bança d'Italia"));
    QCOMPARE(prompter().texts(), QStringList{QStringLiteral("Inserimento avvenuto")});
    QCOMPARE(count(), QStringLiteral("2 appuntamenti trovati"));
    QCOMPARE(found().first(), QStringLiteral("01/02/2024|09:00:00|Bança d'Italia"));
    // Closed and opened again, it searches what is stored now, the words still there.
    window()->close();
    DiaryWalk::insert(form(), QStringLiteral("03/02/2024"), QStringLiteral("9.00"), QStringLiteral("banca"));
    open();
    QCOMPARE(field()->text(), QStringLiteral("banca"));
    QCOMPARE(count(), QStringLiteral("3 appuntamenti trovati"));
}

void TestFindWindow::keyboardAndAccessibleNames()
{
    open();
    QVERIFY(!window()->accessibleName().isEmpty());
    for (QWidget *w : window()->findChildren<QWidget *>()) {
        if (w->focusPolicy() & Qt::TabFocus && w->isVisible() && w->parentWidget() == window())
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
    }
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(field()));
    QTest::keyClick(field(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(results()));
    // Esc closes it; the main window is left as it was.
    QTest::keyClick(results(), Qt::Key_Escape);
    QVERIFY(!window()->isVisible());
    QVERIFY(!form().hasEnded());
}

void TestFindWindow::aDateWithATimeOfDayListsItsDay()
{
    open();
    search(QStringLiteral("golf"));
    QTest::keyClick(field(), Qt::Key_Return);
    QCOMPARE(ui(form()).MonthView1->selectedDate(), QDate(2024, 6, 10));
    QCOMPARE(BrowseFixture::lines(ui(form()).List2), QStringList{QStringLiteral("Golf")});
    QCOMPARE(prompter().texts(), QStringList{QStringLiteral("Sono Presenti 1 Vespolari")});
    QCOMPARE(DiaryWalk::boldDays(ui(form()).MonthView1), QVector<QDate>{QDate(2024, 6, 10)});
}

void TestFindWindow::theCountIsReadAsItChanges()
{
    open();
    // What a screen reader reads is the count itself, whatever it says now.
    QLabel *label = window()->findChild<QLabel *>(QStringLiteral("Label2"));
    for (const QString &words : {QStringLiteral("dentista"), QStringLiteral("e")}) {
        search(words);
        QCOMPARE(QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name), count());
    }
}

void TestFindWindow::cleanupTestCase()
{
    m_diary.stop();
}

QTEST_MAIN(TestFindWindow)
#include "tst_findwindow.moc"
