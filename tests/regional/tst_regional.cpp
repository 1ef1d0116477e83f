#include "regional/regional.h"
#include "support/otherlocale.h"

#include <QTest>

// Date and time texts as the user types and reads them, under Italian and other regional settings.
class TestRegional : public QObject
{
    Q_OBJECT

private slots:
    void italianDates_data();
    void italianDates();
    void twoDigitYearsFollowTheDesktopWindow();
    void dateTextHasFourDigitYearAndReadsBack();
    void otherLocaleKeepsItsOwnDateOrder();
    void cLocaleFallsBackToItalian();
    void timeWithPoint_data();
    void timeWithPoint();
    void longTimeHasSecondsAndNoZone();
};

void TestRegional::italianDates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    QTest::newRow("calendar form") << "25/05/2009" << QDate(2009, 5, 25);
    QTest::newRow("single digits") << "5/3/2009" << QDate(2009, 3, 5);
    QTest::newRow("typed month without zero") << "25/5/2009" << QDate(2009, 5, 25);
    QTest::newRow("leap day") << "29/02/2008" << QDate(2008, 2, 29);
    QTest::newRow("no leap day") << "29/02/2009" << QDate();
    QTest::newRow("31 February") << "31/02/2009" << QDate();
    QTest::newRow("month 13") << "01/13/2009" << QDate();
    QTest::newRow("letters") << "xx/yy" << QDate();
    QTest::newRow("two parts") << "25/05" << QDate();
    QTest::newRow("three-digit year") << "25/05/209" << QDate();
    QTest::newRow("year zero") << "25/05/0000" << QDate();
    QTest::newRow("empty") << "" << QDate();
}

void TestRegional::italianDates()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(Regional::parseDate(text), date);
}

void TestRegional::twoDigitYearsFollowTheDesktopWindow()
{
    QCOMPARE(Regional::parseDate(QStringLiteral("25/05/09")), QDate(2009, 5, 25));
    QCOMPARE(Regional::parseDate(QStringLiteral("1/1/00")), QDate(2000, 1, 1));
    QCOMPARE(Regional::parseDate(QStringLiteral("31/12/29")), QDate(2029, 12, 31));
    QCOMPARE(Regional::parseDate(QStringLiteral("1/1/30")), QDate(1930, 1, 1));
    QCOMPARE(Regional::parseDate(QStringLiteral("31/12/99")), QDate(1999, 12, 31));
}

void TestRegional::dateTextHasFourDigitYearAndReadsBack()
{
    QCOMPARE(Regional::dateText(QDate(2009, 5, 25)), QStringLiteral("25/05/2009"));
    QCOMPARE(Regional::dateText(QDate(2031, 1, 7)), QStringLiteral("07/01/2031"));
    // What the calendar writes into the date field must read back as the same day.
    for (QDate d(1995, 1, 1); d < QDate(2035, 1, 1); d = d.addDays(37))
        QCOMPARE(Regional::parseDate(Regional::dateText(d)), d);
}

void TestRegional::otherLocaleKeepsItsOwnDateOrder()
{
    const OtherLocale us(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(Regional::parseDate(QStringLiteral("5/25/2009")), QDate(2009, 5, 25));
    QCOMPARE(Regional::parseDate(QStringLiteral("25/05/2009")), QDate());
    QCOMPARE(Regional::parseDate(Regional::dateText(QDate(2009, 5, 25))), QDate(2009, 5, 25));
    QVERIFY(Regional::dateText(QDate(2009, 5, 25)).contains(QLatin1String("2009")));

    const OtherLocale germany(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(Regional::parseDate(QStringLiteral("25.05.2009")), QDate(2009, 5, 25));
    QCOMPARE(Regional::dateText(QDate(2009, 5, 25)), QStringLiteral("25.05.2009"));
}

void TestRegional::cLocaleFallsBackToItalian()
{
    const OtherLocale cLocale(QLocale::c());
    QCOMPARE(Regional::dateText(QDate(2009, 5, 25)), QStringLiteral("25/05/2009"));
    QCOMPARE(Regional::parseDate(QStringLiteral("25/05/2009")), QDate(2009, 5, 25));
    QCOMPARE(Regional::longTimeText(QTime(9, 30, 5)), QStringLiteral("09:30:05"));
}

void TestRegional::timeWithPoint_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QTime>("time");
    QTest::newRow("h.mm") << "9.30" << QTime(9, 30);
    QTest::newRow("hh.mm") << "09.30" << QTime(9, 30);
    QTest::newRow("last minute") << "23.59" << QTime(23, 59);
    QTest::newRow("midnight") << "0.00" << QTime(0, 0);
    QTest::newRow("hour 25") << "25.99" << QTime();
    QTest::newRow("minute 60") << "10.60" << QTime();
    QTest::newRow("hour 24") << "24.00" << QTime();
    QTest::newRow("letters") << "ab.cd" << QTime();
    QTest::newRow("one-digit minutes") << "9.3" << QTime();
    QTest::newRow("comma") << "9,30" << QTime();
    QTest::newRow("colon") << "9:30" << QTime();
    QTest::newRow("point first") << ".930" << QTime();
    QTest::newRow("empty") << "" << QTime();
}

void TestRegional::timeWithPoint()
{
    QFETCH(QString, text);
    QFETCH(QTime, time);
    QCOMPARE(Regional::parseTime(text), time);
    // The time of day does not depend on the regional settings.
    const OtherLocale us(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(Regional::parseTime(text), time);
}

void TestRegional::longTimeHasSecondsAndNoZone()
{
    QCOMPARE(Regional::longTimeText(QTime(9, 30)), QStringLiteral("09:30:00"));
    QCOMPARE(Regional::generalDateText(QDateTime(QDate(2009, 5, 25), QTime(0, 0))), QStringLiteral("25/05/2009"));
    QCOMPARE(Regional::generalDateText(QDateTime(QDate(2009, 5, 25), QTime(14, 5, 9))),
             QStringLiteral("25/05/2009 14:05:09"));
}

QTEST_GUILESS_MAIN(TestRegional)
#include "tst_regional.moc"
