#include "shell/clockline.h"
#include "shell/form1.h"
#include "support/otherlocale.h"
#include "support/testsupport.h"

#include <QLabel>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

// The clock line of the main window.
class TestClockLine : public QObject
{
    Q_OBJECT

private slots:
    void exactForm_data();
    void exactForm();
    void timeIsReadBeforeDate();
    void windowLineTicksEverySecond();
};

void TestClockLine::exactForm_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("line");
    const QLocale italy(QLocale::Italian, QLocale::Italy);
    QTest::newRow("morning") << italy << QTime(9, 30, 5) << "Ore...09:30:05 del 25/05/2009";
    QTest::newRow("midnight") << italy << QTime(0, 0) << "Ore...00:00:00 del 25/05/2009";
    QTest::newRow("last second") << italy << QTime(23, 59, 59) << "Ore...23:59:59 del 25/05/2009";
    QTest::newRow("Germany") << QLocale(QLocale::German, QLocale::Germany) << QTime(9, 30, 5)
                             << "Ore...09:30:05 del 25.05.2009";
    QTest::newRow("United States") << QLocale(QLocale::English, QLocale::UnitedStates) << QTime(21, 30, 5)
                                   << "Ore...9:30:05 PM del 5/25/2009";
}

void TestClockLine::exactForm()
{
    QFETCH(QLocale, locale);
    QFETCH(QTime, time);
    QFETCH(QString, line);
    const OtherLocale regional(locale);
    QCOMPARE(ClockLine::text(time, QDate(2009, 5, 25)), line);
}

void TestClockLine::timeIsReadBeforeDate()
{
    // A tick straddling midnight pairs the day's last second with the next day's date.
    QStringList reads;
    const QString line = ClockLine::now(
            [&] { reads << QStringLiteral("time"); return QTime(23, 59, 59); },
            [&] { reads << QStringLiteral("date"); return QDate(2009, 5, 26); });
    QCOMPARE(reads, (QStringList{QStringLiteral("time"), QStringLiteral("date")}));
    QCOMPARE(line, QStringLiteral("Ore...23:59:59 del 26/05/2009"));
}

void TestClockLine::windowLineTicksEverySecond()
{
    TempWorkbook workbook;
    RunningDiary diary(workbook.folder());
    QLabel *line = ui(diary.form()).Label5;
    QVERIFY(ui(diary.form()).Timer1->isActive());
    QCOMPARE(ui(diary.form()).Timer1->interval(), 1000);
    static const QRegularExpression form(QStringLiteral("^Ore\\.\\.\\.\\d\\d:\\d\\d:\\d\\d del \\d\\d/\\d\\d/\\d{4}$"));
    QTRY_VERIFY_WITH_TIMEOUT(form.match(line->text()).hasMatch(), 3000);
    const QString first = line->text();
    QTRY_VERIFY_WITH_TIMEOUT(line->text() != first, 3000);
    QVERIFY2(form.match(line->text()).hasMatch(), qPrintable(line->text()));
}

QTEST_MAIN(TestClockLine)
#include "tst_clockline.moc"
