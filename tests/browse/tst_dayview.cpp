#include "support/shareddiary.h"
#include "support/browsefixture.h"
#include "support/otherlocale.h"

#include <QCheckBox>
#include <QLineEdit>

#include <csignal>

using namespace BrowseFixture;

// A click on a calendar day, on the real office and the real window.
class TestDayView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void emptyWorkbookSaysNoneIsStored();
    void dayWithoutAppointments();
    void dayWithThreeInRowOrder();
    void exactlyOneStoredAppointment();
    void handEditedRowsAreNeitherHiddenNorFatal();
    void clickWhileAllAreListed();
    void followsTheUserLocale_data();
    void followsTheUserLocale();
    void lostOfficeIsReplacedAndTheDayListedAgain();

private:
    SharedDiary m_diary;
    Form1 *form() { return &m_diary->form(); }
    RecordingPrompter &prompter() { return m_diary->prompter; }
};

void TestDayView::initTestCase()
{
    m_diary.start();
}

void TestDayView::init()
{
    m_diary.reset();
}

void TestDayView::emptyWorkbookSaysNoneIsStored()
{
    ui(*form()).List1->addItem(QStringLiteral("vecchia riga"));
    ui(*form()).List2->addItem(QStringLiteral("vecchia riga"));
    clickDay(*form(), QDate(2024, 3, 7));
    QCOMPARE(prompter().texts(), QStringList{QStringLiteral("Non esistono Vespolari registrati")});
    QCOMPARE(prompter().messages[0].icon, Prompter::Icon::None);
    QCOMPARE(ui(*form()).Text1->text(), QStringLiteral("07/03/2024"));
    QCOMPARE(ui(*form()).List1->count(), 0);
    QCOMPARE(ui(*form()).List2->count(), 0);
}

void TestDayView::dayWithoutAppointments()
{
    replaceRows(m_diary->book(), {row(QDate(2024, 3, 6), QTime(9, 30), QStringLiteral("Dentista")),
                                  row(QDate(2024, 3, 8), QTime(10, 0), QStringLiteral("Banca"))});
    clickDay(*form(), QDate(2024, 3, 7));
    QCOMPARE(prompter().texts(), QStringList{QStringLiteral("Nessun Appuntamento per questa data")});
    QCOMPARE(ui(*form()).Text1->text(), QStringLiteral("07/03/2024"));
    QCOMPARE(ui(*form()).List1->count(), 0);
    QCOMPARE(ui(*form()).List2->count(), 0);
}

void TestDayView::dayWithThreeInRowOrder()
{
    const QDate day(2024, 3, 7);
    // Row order, not time order, decides the order of the lines.
    replaceRows(m_diary->book(), {row(day.addDays(-1), QTime(8, 0), QStringLiteral("Ieri")),
                                  row(day, QTime(11, 0), QStringLiteral("Riunione")),
                                  row(day, QTime(9, 30), QStringLiteral("Visita dall'oculista è già fissata")),
                                  row(day, QTime(0, 0), QStringLiteral("Mezzanotte")),
                                  row(day.addDays(1), QTime(8, 0), QStringLiteral("Domani"))});
    const QStringList times{QStringLiteral("11:00:00"), QStringLiteral("09:30:00"), QStringLiteral("00:00:00")};
    const QStringList texts{QStringLiteral("Riunione"), QStringLiteral("Visita dall'oculista è già fissata"),
                            QStringLiteral("Mezzanotte")};
    for (int click = 1; click <= 2; ++click) {
        clickDay(*form(), day);
        QCOMPARE(lines(ui(*form()).List1), times);
        QCOMPARE(lines(ui(*form()).List2), texts);
        QCOMPARE(prompter().texts().size(), click);
        QCOMPARE(prompter().texts().last(), QStringLiteral("Sono Presenti 3 Vespolari"));
    }
}

void TestDayView::exactlyOneStoredAppointment()
{
    const QDate day(2024, 3, 7);
    replaceRows(m_diary->book(), {row(day, QTime(9, 30), QStringLiteral("Dentista"))});
    clickDay(*form(), day);
    QCOMPARE(lines(ui(*form()).List1), QStringList{QStringLiteral("09:30:00")});
    QCOMPARE(lines(ui(*form()).List2), QStringList{QStringLiteral("Dentista")});
    clickDay(*form(), day.addDays(1));
    QCOMPARE(ui(*form()).List1->count(), 0);
    QCOMPARE(prompter().texts(), (QStringList{QStringLiteral("Sono Presenti 1 Vespolari"),
                                              QStringLiteral("Nessun Appuntamento per questa data")}));
}

void TestDayView::handEditedRowsAreNeitherHiddenNorFatal()
{
    const QDate day(2024, 3, 7);
    const CellValue dayValue = CellValue::fromDate(day);
    CellValue dayAtNoon = dayValue;
    dayAtNoon.number += 0.5;
    CellValue timeWithDay = CellValue::fromTime(QTime(18, 15));
    timeWithDay.number += 2;
    replaceRows(m_diary->book(),
                {row(day, QTime(9, 0), QStringLiteral("Prima")),
                 CellRow(3, CellValue::empty()),  // a row emptied by hand
                 row(day, QTime(10, 0), QStringLiteral("Sotto il buco")),
                 {dayValue, CellValue::fromText(QStringLiteral("mattina")), CellValue::fromText(QStringLiteral("Ora a mano"))},
                 {dayValue, CellValue::empty(), CellValue::fromText(QStringLiteral("Senza ora"))},
                 {dayValue, timeWithDay, CellValue::fromNumber(12.5)},
                 {CellValue::fromText(QStringLiteral("07/03/2024")), CellValue::fromTime(QTime(7, 0)),
                  CellValue::fromText(QStringLiteral("Data scritta come testo"))},
                 {dayAtNoon, CellValue::fromTime(QTime(7, 0)), CellValue::fromText(QStringLiteral("Data con ora"))},
                 CellRow(3, CellValue::empty()),
                 CellRow(3, CellValue::empty()),
                 row(day, QTime(23, 59, 59), QStringLiteral("Ultima"))});
    clickDay(*form(), day);
    // The date typed with a time of day belongs to the day; the one typed as text does not.
    QCOMPARE(lines(ui(*form()).List1),
             (QStringList{QStringLiteral("09:00:00"), QStringLiteral("10:00:00"), QStringLiteral("mattina"), QString(),
                          QStringLiteral("01/01/1900 18:15:00"), QStringLiteral("07:00:00"), QStringLiteral("23:59:59")}));
    QCOMPARE(lines(ui(*form()).List2),
             (QStringList{QStringLiteral("Prima"), QStringLiteral("Sotto il buco"), QStringLiteral("Ora a mano"),
                          QStringLiteral("Senza ora"), QStringLiteral("12,5"), QStringLiteral("Data con ora"),
                          QStringLiteral("Ultima")}));
    QCOMPARE(prompter().texts(), QStringList{QStringLiteral("Sono Presenti 7 Vespolari")});
}

void TestDayView::clickWhileAllAreListed()
{
    const QDate day(2024, 3, 7);
    replaceRows(m_diary->book(), {row(day, QTime(9, 30), QStringLiteral("Dentista")),
                                  row(day.addDays(1), QTime(10, 0), QStringLiteral("Banca"))});
    ui(*form()).Check1->setChecked(true);
    QCOMPARE(ui(*form()).List2->count(), 2);
    clickDay(*form(), day);
    QVERIFY(ui(*form()).Check1->isChecked());
    QCOMPARE(lines(ui(*form()).List1), QStringList{QStringLiteral("09:30:00")});
    QCOMPARE(lines(ui(*form()).List2), QStringList{QStringLiteral("Dentista")});
    // Unchecking afterwards gives up the texts and keeps the day's times.
    ui(*form()).Check1->setChecked(false);
    QCOMPARE(lines(ui(*form()).List1), QStringList{QStringLiteral("09:30:00")});
    QCOMPARE(ui(*form()).List2->count(), 0);
}

void TestDayView::followsTheUserLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("dateText");
    QTest::addColumn<QString>("timeText");
    QTest::newRow("Germany") << QLocale(QLocale::German, QLocale::Germany) << "07.03.2024" << "09:30:00";
    QTest::newRow("United States") << QLocale(QLocale::English, QLocale::UnitedStates) << "3/7/2024" << "9:30:00 AM";
    QTest::newRow("Japan") << QLocale(QLocale::Japanese, QLocale::Japan) << "2024/03/07" << "9時30分00秒";
}

void TestDayView::followsTheUserLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, dateText);
    QFETCH(QString, timeText);
    const QDate day(2024, 3, 7);
    replaceRows(m_diary->book(), {row(day.addDays(-1), QTime(8, 0), QStringLiteral("Ieri")),
                                  row(day, QTime(9, 30), QStringLiteral("Dentista"))});
    const OtherLocale regional(locale);
    clickDay(*form(), day);
    QCOMPARE(ui(*form()).Text1->text(), dateText);
    QCOMPARE(lines(ui(*form()).List1), QStringList{timeText});
    QCOMPARE(prompter().texts(), QStringList{QStringLiteral("Sono Presenti 1 Vespolari")});
}

void TestDayView::lostOfficeIsReplacedAndTheDayListedAgain()
{
    TempWorkbook workbook;
    {
        auto book = openForInspection(workbook.path());
        book->writeBlock(5, 1, {row(QDate(2024, 3, 7), QTime(9, 30), QStringLiteral("Dentista"))});
        book->save();
    }
    RunningDiary diary(workbook.folder());
    const qint64 office = diary.book().officePid();
    QVERIFY(office > 0);
    ::kill(pid_t(office), SIGKILL);
    QTRY_VERIFY(!processAlive(office));
    clickDay(diary.form(), QDate(2024, 3, 7));
    QCOMPARE(diary.prompter.messages.size(), 1);
    QVERIFY2(diary.prompter.texts()[0].contains(QStringLiteral("ultimo salvataggio")), qPrintable(diary.prompter.texts()[0]));
    QVERIFY(!diary.form().hasEnded());
    diary.prompter.clear();
    clickDay(diary.form(), QDate(2024, 3, 7));
    QCOMPARE(diary.prompter.texts(), QStringList{QStringLiteral("Sono Presenti 1 Vespolari")});
    QCOMPARE(lines(ui(diary.form()).List2), QStringList{QStringLiteral("Dentista")});
}

QTEST_MAIN(TestDayView)
#include "tst_dayview.moc"
