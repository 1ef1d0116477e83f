#include "support/shareddiary.h"
#include "support/diarywalk.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QTest>

using namespace DiaryWalk;

// The days that hold appointments, in bold in the calendar, on the real office and window.
class TestBusyCalendar : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void markedAtStartHandEditedRowsIncluded();
    void insertionWithEnterMarksItsDay();
    void refusedInsertionMarksNothing();
    void monthChangeMarksThatMonthOnly();
    void boldAloneOverTheCalendarsOwnLook();
    void cleanupTestCase();

private:
    SharedDiary m_diary;
    Form1 &form() { return m_diary->form(); }
    QCalendarWidget *calendar() { return ui(form()).MonthView1; }
};

void TestBusyCalendar::initTestCase()
{
    // One diary for the walk below, on an empty workbook; the calendar opens on May 2009.
    m_diary.start();
}

void TestBusyCalendar::markedAtStartHandEditedRowsIncluded()
{
    TempWorkbook workbook;
    CellRow textDate = row(QDate(2009, 5, 20), QTime(9, 0), QStringLiteral("data scritta a mano"));
    textDate[0] = CellValue::fromText(QStringLiteral("20/05/2009"));
    CellRow oddTime = row(QDate(2009, 5, 21), QTime(9, 0), QStringLiteral("ora scritta a mano"));
    oddTime[1] = CellValue::fromText(QStringLiteral("mattina"));
    storeBeforeStart(workbook.path(), {row(QDate(2009, 4, 30), QTime(9, 0), QStringLiteral("aprile")),
                                       row(QDate(2009, 5, 1), QTime(9, 0), QStringLiteral("primo")),
                                       row(QDate(2009, 5, 25), QTime(9, 0), QStringLiteral("due")),
                                       row(QDate(2009, 5, 25), QTime(10, 0), QStringLiteral("lo stesso giorno")),
                                       textDate, oddTime, row(QDate(2009, 6, 1), QTime(9, 0), QStringLiteral("giugno"))});
    RunningDiary diary(workbook.folder());
    const QCalendarWidget *shown = ui(diary.form()).MonthView1;
    QCOMPARE(shown->yearShown(), 2009);
    QCOMPARE(shown->monthShown(), 5);
    // Column A holding text marks no day; column B holding text does not keep its day from counting.
    QCOMPARE(boldDays(shown), (QVector<QDate>{QDate(2009, 5, 1), QDate(2009, 5, 21), QDate(2009, 5, 25)}));
    QVERIFY(diary.prompter.messages.isEmpty());
}

void TestBusyCalendar::insertionWithEnterMarksItsDay()
{
    QVERIFY(boldDays(calendar()).isEmpty());
    form().show();
    QVERIFY(QTest::qWaitForWindowActive(&form()));
    typeEntry(form(), QStringLiteral("12/05/2009"), QStringLiteral("09.30"), QStringLiteral("Dentista"));
    ui(form()).Command1->setFocus();
    QTest::keyClick(ui(form()).Command1, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(m_diary->prompter.texts(), QStringList{QStringLiteral("Inserimento avvenuto")});
    QCOMPARE(boldDays(calendar()), QVector<QDate>{QDate(2009, 5, 12)});
    // Another month's day is stored, but this month's marks stay as they are.
    m_diary->prompter.clear();
    insert(form(), QStringLiteral("03/06/2009"), QStringLiteral("18.00"), QStringLiteral("Palestra"));
    QCOMPARE(m_diary->prompter.texts(), QStringList{QStringLiteral("Inserimento avvenuto")});
    QCOMPARE(boldDays(calendar()), QVector<QDate>{QDate(2009, 5, 12)});
}

void TestBusyCalendar::refusedInsertionMarksNothing()
{
    m_diary->prompter.clear();
    insert(form(), QStringLiteral("13/05/2009"), QStringLiteral("0930"), QStringLiteral("Senza punto"));
    QCOMPARE(m_diary->prompter.messages.size(), 1);
    QVERIFY(m_diary->prompter.texts()[0] != QStringLiteral("Inserimento avvenuto"));
    QCOMPARE(boldDays(calendar()), QVector<QDate>{QDate(2009, 5, 12)});
}

void TestBusyCalendar::monthChangeMarksThatMonthOnly()
{
    m_diary->prompter.clear();
    calendar()->setCurrentPage(2009, 6);
    QCOMPARE(boldDays(calendar()), QVector<QDate>{QDate(2009, 6, 3)});
    // The previous month's marks are gone, not only hidden among the grey days.
    QVERIFY(!calendar()->dateTextFormat().contains(QDate(2009, 5, 12)));
    calendar()->setCurrentPage(2010, 6);
    QVERIFY(boldDays(calendar()).isEmpty());
    // Going there as a user does, by the month buttons of the calendar.
    calendar()->setCurrentPage(2009, 6);
    calendar()->showPreviousMonth();
    QCOMPARE(boldDays(calendar()), QVector<QDate>{QDate(2009, 5, 12)});
    QVERIFY(m_diary->prompter.messages.isEmpty());
}

void TestBusyCalendar::boldAloneOverTheCalendarsOwnLook()
{
    const QTextCharFormat mark = calendar()->dateTextFormat(QDate(2009, 5, 12));
    QCOMPARE(mark.fontWeight(), int(QFont::Bold));
    // Nothing but the weight: the calendar's own colours (weekends, other months) still show.
    QCOMPARE(mark.properties().keys(), QList<int>{QTextFormat::FontWeight});
    QCOMPARE(calendar()->weekdayTextFormat(Qt::Sunday).foreground().color(), QColor(Qt::red));
    QCOMPARE(calendar()->selectedDate(), QDate(2009, 5, 25));
}

void TestBusyCalendar::cleanupTestCase()
{
    m_diary.stop();
}

QTEST_MAIN(TestBusyCalendar)
#include "tst_busycalendar.moc"
