#include "domain/icalendar.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// The iCalendar mapping without an office: what goes out, what comes back, and a file written by
// another program (zones other than ours, UTC, all-day, a weekly series with an exception).
class TestICalendar : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("TZ", "Europe/Rome"); }
    void writesEscapedFoldedEventsInTheLocalZone();
    void theZoneGoesWithTheRulesTheEventsNeedOnly();
    void readsAnotherProgramsFile();
    void seriesStopAtTheLimit();
    void aSeriesIsKnownFromItsEventNotItsZone();
    void hostileInputEndsSoonAndSaysWhy_data();
    void hostileInputEndsSoonAndSaysWhy();

private:
    QTemporaryDir m_folder;
};

void TestICalendar::writesEscapedFoldedEventsInTheLocalZone()
{
    const QString text = QStringLiteral("Riunione, sala 2; portare \"carte\" e città 🎉 ") + QString(60, QLatin1Char('x'));
    const QByteArray ics = ICalendar::write({{"a@v", QDate(2026, 7, 1), QTime(9, 30), text},
                                             {"b@v", QDate(2026, 7, 2), QTime(), QStringLiteral("Ferie")}});
    QVERIFY(ics.startsWith("BEGIN:VCALENDAR"));
    QVERIFY(ics.contains("BEGIN:VTIMEZONE\r\nTZID:Europe/Rome\r\n"));
    QVERIFY(ics.contains("DTSTART;TZID=Europe/Rome:20260701T093000\r\n"));
    QVERIFY(ics.contains("DTSTART;VALUE=DATE:20260702\r\n"));
    QVERIFY(ics.contains("SUMMARY:Riunione\\, sala 2\\; portare"));
    QVERIFY(ics.contains("\r\n "));  // folded
    QVERIFY(!ics.contains("DTEND"));
    // Folded at 75 octets, never inside a character.
    for (const QByteArray &line : ics.split('\n')) {
        QVERIFY2(line.size() <= 76, line.constData());
        QCOMPARE(QString::fromUtf8(line).toUtf8(), line);
    }
}

void TestICalendar::theZoneGoesWithTheRulesTheEventsNeedOnly()
{
    const auto zoneLines = [](const QByteArray &ics) {
        const int from = ics.indexOf("BEGIN:VTIMEZONE"), to = ics.indexOf("END:VTIMEZONE");
        return from < 0 || to < from ? -1 : int(ics.mid(from, to - from).count('\n'));
    };
    // Winter and summer of this year, and a summer of 1975, when Italy's summer time began in June.
    const QVector<CalendarEvent> recent{{"w@v", QDate(2026, 1, 15), QTime(10, 0), QStringLiteral("Inverno")},
                                        {"s@v", QDate(2026, 7, 15), QTime(10, 0), QStringLiteral("Estate")}};
    const QVector<CalendarEvent> older = recent + QVector<CalendarEvent>{
        {"o@v", QDate(1975, 6, 10), QTime(9, 0), QStringLiteral("Allora")}};
    for (const QVector<CalendarEvent> &events : {recent, older}) {
        const QByteArray ics = ICalendar::write(events);
        QCOMPARE(ICalendar::read(ics, QDate(2030, 1, 1)).events, events);
        QVERIFY(ics.contains("DTSTART;TZID=Europe/Rome:19750610T090000") == (events.size() == 3));
    }
    // A few lines of rules, not the zone's whole history since 1866.
    const int lines = zoneLines(ICalendar::write(recent));
    QVERIFY2(lines > 0 && lines < 40, qPrintable(QString::number(lines)));
    QVERIFY(zoneLines(ICalendar::write(older)) > lines);
    // Days without a time name no zone, and carry none.
    const QVector<CalendarEvent> holiday{{"f@v", QDate(2026, 8, 14), QTime(), QStringLiteral("Ferie")}};
    QCOMPARE(zoneLines(ICalendar::write(holiday)), -1);
    QCOMPARE(ICalendar::read(ICalendar::write(holiday), QDate(2030, 1, 1)).events, holiday);
}

void TestICalendar::readsAnotherProgramsFile()
{
    const QByteArray ics = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Altro//EN\r\n"
                           "BEGIN:VTIMEZONE\r\nTZID:America/New_York\r\nBEGIN:STANDARD\r\nDTSTART:19701101T020000\r\n"
                           "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\nTZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nEND:STANDARD\r\n"
                           "BEGIN:DAYLIGHT\r\nDTSTART:19700308T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\n"
                           "TZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n"
                           "BEGIN:VEVENT\r\nUID:ny\r\nDTSTART;TZID=America/New_York:20260115T090000\r\n"
                           "SUMMARY:Chiamata\\, New York\r\nLOCATION:Uffi\r\n cio 3\r\nEND:VEVENT\r\n"
                           "BEGIN:VEVENT\r\nUID:utc\r\nDTSTART:20260710T120000Z\r\nSUMMARY:Volo\r\nEND:VEVENT\r\n"
                           "BEGIN:VEVENT\r\nUID:day\r\nDTSTART;VALUE=DATE:20261225\r\nDTEND;VALUE=DATE:20261226\r\nSUMMARY:Natale\r\nEND:VEVENT\r\n"
                           "BEGIN:VEVENT\r\nUID:gone\r\nSTATUS:CANCELLED\r\nDTSTART:20260101T100000Z\r\nSUMMARY:No\r\nEND:VEVENT\r\n"
                           "BEGIN:VEVENT\r\nUID:week\r\nDTSTART;TZID=Europe/London:20260302T180000\r\n"
                           "RRULE:FREQ=WEEKLY;COUNT=4\r\nEXDATE;TZID=Europe/London:20260309T180000\r\nSUMMARY:Corso\r\nEND:VEVENT\r\n"
                           "END:VCALENDAR\r\n";
    const ICalendar::Parsed parsed = ICalendar::read(ics, QDate(2028, 1, 1));
    QVERIFY(parsed.isCalendar);
    QCOMPARE(parsed.cancelled, 1);
    const QVector<CalendarEvent> expected{
        {"ny", QDate(2026, 1, 15), QTime(15, 0), QStringLiteral("Chiamata, New York - Ufficio 3")},
        {"utc", QDate(2026, 7, 10), QTime(14, 0), QStringLiteral("Volo")},
        {"day", QDate(2026, 12, 25), QTime(), QStringLiteral("Natale")},
        {"week", QDate(2026, 3, 2), QTime(19, 0), QStringLiteral("Corso"), true},
        {"week", QDate(2026, 3, 16), QTime(19, 0), QStringLiteral("Corso"), true},
        // London moved to summer time on 29 March, Rome too: still an hour apart.
        {"week", QDate(2026, 3, 23), QTime(19, 0), QStringLiteral("Corso"), true}};
    QCOMPARE(parsed.events, expected);
}

void TestICalendar::seriesStopAtTheLimit()
{
    const QByteArray ics = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VEVENT\r\nUID:d\r\n"
                           "DTSTART;VALUE=DATE:20260101\r\nRRULE:FREQ=DAILY\r\nRDATE;VALUE=DATE:20251225\r\nSUMMARY:Ogni giorno\r\n"
                           "END:VEVENT\r\nEND:VCALENDAR\r\n";
    ICalendar::Parsed parsed = ICalendar::read(ics, QDate(2026, 1, 10));
    QCOMPARE(parsed.events.size(), 11);
    QCOMPARE(parsed.events.first().date, QDate(2025, 12, 25));
    QCOMPARE(parsed.cutSeries, 0);
    parsed = ICalendar::read(ics, QDate(2030, 1, 1), 500);
    QCOMPARE(parsed.events.size(), 500);
    QCOMPARE(parsed.cutSeries, 1);
}

void TestICalendar::aSeriesIsKnownFromItsEventNotItsZone()
{
    // Our own timed event carries Rome's VTIMEZONE, summer-time rules and all: still one event.
    const CalendarEvent own{"a@v", QDate(2026, 7, 1), QTime(9, 30), QStringLiteral("Dentista")};
    const QByteArray ics = ICalendar::writeEvent(own);
    QVERIFY(ics.contains("\nRRULE:") || ics.contains("\nRDATE:"));
    QCOMPARE(ICalendar::read(ics, QDate(2028, 1, 1)).events, QVector<CalendarEvent>{own});
    // Its own RDATE, or a RECURRENCE-ID: one of a series.
    for (const QByteArray line : {"RDATE:20260914T090000Z", "RECURRENCE-ID:20260907T080000Z"}) {
        const auto events = ICalendar::read("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VEVENT\r\nUID:s\r\n"
                                            "DTSTART:20260907T090000Z\r\n" + line + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
                                            QDate(2028, 1, 1)).events;
        QVERIFY(!events.isEmpty() && events.last().series);
    }
}

namespace {

QByteArray calendar(const QByteArray &body, const QByteArray &zones = {})
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\n" + zones + body + "END:VCALENDAR\r\n";
}

QByteArray vevent(const QByteArray &lines, const QByteArray &uid = "h")
{
    return "BEGIN:VEVENT\r\nUID:" + uid + "\r\nSUMMARY:Prova\r\n" + lines + "\r\nEND:VEVENT\r\n";
}

} // namespace

// Each of these once froze the reading, read a file it named, or gave the wrong reason. The time
// bound only tells a hang from an answer; the benchmark measures speed.
void TestICalendar::hostileInputEndsSoonAndSaysWhy_data()
{
    QTest::addColumn<QByteArray>("ics");
    QTest::addColumn<int>("maxEvents");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("events");
    QTest::addColumn<QString>("counted");  // "name=count" of the one Parsed counter that must move
    const int all = ICalendar::kMaxEvents;
    const QString notCalendar = QStringLiteral("Il file non contiene un calendario iCalendar.");
    const QString damaged = QStringLiteral("Il file è incompleto o danneggiato.");
    QTest::newRow("byte-order mark, lower-case names")
        << QByteArray("\xEF\xBB\xBF" "begin:vcalendar\r\nversion:2.0\r\nbegin:vevent\r\nuid:b\r\n"
                      "dtstart:20260301T100000\r\nsummary:Prova\r\nend:vevent\r\nend:vcalendar\r\n")
        << all << QString() << 1 << "";
    QTest::newRow("cut off mid-event") << calendar(vevent("DTSTART:20260301T100000")).left(90) << all << damaged << 0 << "";
    QTest::newRow("an event never closed")
        << calendar("BEGIN:VEVENT\r\nUID:x\r\nDTSTART:20260301T100000\r\n") << all << damaged << 0 << "";
    QTest::newRow("plain notes") << QByteArray("Dentista martedì\n") << all << notCalendar << 0 << "";
    QTest::newRow("30 February") << calendar(vevent("DTSTART:20260230T100000")) << all << QString() << 0 << "invalid=1";
    QTest::newRow("month 13") << calendar(vevent("DTSTART:20261301T100000")) << all << QString() << 0 << "invalid=1";
    QTest::newRow("hour 25") << calendar(vevent("DTSTART:20260301T250000")) << all << QString() << 0 << "invalid=1";
    QTest::newRow("year 10000") << calendar(vevent("DTSTART:100000101T100000")) << all << QString() << 0 << "invalid=1";
    QTest::newRow("year 9999") << calendar(vevent("DTSTART;VALUE=DATE:99990101")) << all << QString() << 1 << "";
    QTest::newRow("no start") << calendar(vevent("LOCATION:x")) << all << QString() << 0 << "without=1";
    // 354 bytes that once took the window's thread for 43 s: a zone changing every second.
    QTest::newRow("zone changing every second")
        << calendar(vevent("DTSTART;TZID=Evil:20260301T100000"),
                    "BEGIN:VTIMEZONE\r\nTZID:Evil\r\nBEGIN:STANDARD\r\nDTSTART:19000101T000000\r\n"
                    "RRULE:FREQ=SECONDLY\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nEND:STANDARD\r\n"
                    "END:VTIMEZONE\r\n")
        << all << QString() << 1 << "";
    QTest::newRow("zone named as a path")
        << calendar(vevent("DTSTART;TZID=../../../../../etc/passwd:20260301T100000")) << all << QString() << 1 << "";
    const QString fifo = m_folder.filePath(QStringLiteral("zona"));
    ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
    QTest::newRow("zone named as a pipe")
        << calendar(vevent("DTSTART;TZID=" + QFile::encodeName(fifo) + ":20260301T100000")) << all << QString() << 1 << "";
    QTest::newRow("sparse every second since 1900")
        << calendar(vevent("DTSTART:19000101T100000\r\nRRULE:FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30")) << all << QString()
        << 1 << "notRepeated=1";
    QByteArray sparse;
    for (int i = 0; i < 50; ++i)
        sparse += vevent("DTSTART:19000101\r\nRRULE:FREQ=DAILY;BYMONTH=2;BYMONTHDAY=30", QByteArray::number(i));
    QTest::newRow("sparse daily rules")
        << calendar(sparse) << all << QStringLiteral("Il calendario contiene ripetizioni troppo rade per essere calcolate.")
        << 0 << "";
    QByteArray daily;
    for (int i = 0; i < 5000; ++i)
        daily += vevent("DTSTART:20200101T090000\r\nRRULE:FREQ=DAILY", QByteArray::number(i));
    QTest::newRow("5,000 daily series, room for 1,000") << calendar(daily) << 1000 << QString() << 1000 << "tooMany=1";
    QTest::newRow("10 MB of text on one line")
        << calendar(vevent("DTSTART:20260301T100000\r\nDESCRIPTION:" + QByteArray(10 << 20, 'x'))) << all << QString()
        << 1 << "";
}

void TestICalendar::hostileInputEndsSoonAndSaysWhy()
{
    QFETCH(QByteArray, ics);
    QFETCH(int, maxEvents);
    QFETCH(QString, error);
    QFETCH(int, events);
    QFETCH(QString, counted);
    QElapsedTimer clock;
    clock.start();
    const ICalendar::Parsed parsed = ICalendar::read(ics, QDate(2028, 1, 1), 500, maxEvents);
    QVERIFY2(clock.elapsed() < 30000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(parsed.error, error);
    QCOMPARE(parsed.isCalendar, error.isEmpty());
    QCOMPARE(parsed.events.size(), events);
    const QMap<QString, int> counters{{"invalid", parsed.invalidStart}, {"without", parsed.withoutStart},
                                      {"notRepeated", parsed.notRepeated}, {"tooMany", int(parsed.tooMany)}};
    for (auto it = counters.begin(); it != counters.end(); ++it)
        QCOMPARE(it.key() + "=" + QString::number(it.value()),
                 it.key() + "=" + QString::number(counted.startsWith(it.key() + "=") ? counted.section('=', 1).toInt() : 0));
    // A zone the file got wrong leaves the wall-clock time as written.
    if (events == 1 && !parsed.events.first().time.isNull())
        QCOMPARE(parsed.events.first().time, QTime(10, 0));
}

QTEST_GUILESS_MAIN(TestICalendar)
#include "tst_icalendar.moc"
