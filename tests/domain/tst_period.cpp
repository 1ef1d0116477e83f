#include "domain/importplan.h"
#include "domain/period.h"

#include <QLocale>
#include <QTest>

// The period's rows on the sorted sheet, and what an import adds, as pure rules.
class TestPeriod : public QObject
{
    Q_OBJECT

private slots:
    void quickChoices();
    void rowsAreTheBlockOfItsDays();
    void importSkipsWhatIsStoredOrTooEarly();
};

namespace {

Appointment at(int row, const QDate &day, const QTime &time, const QString &text)
{
    Appointment a = Appointment::typed(day, time, text);
    a.row = row;
    return a;
}

} // namespace

void TestPeriod::quickChoices()
{
    const QDate thursday(2026, 12, 31);
    QCOMPARE(Period::week(thursday).from, QDate(2026, 12, 28));
    QCOMPARE(Period::week(thursday).to, QDate(2027, 1, 3));
    QCOMPARE(Period::week(QDate(2026, 12, 28)).from, QDate(2026, 12, 28));
    QCOMPARE(Period::month(QDate(2028, 2, 10)).to, QDate(2028, 2, 29));
    QVERIFY(!(Period{thursday, thursday.addDays(-1)}).isValid());
    QCOMPARE(Period::week(thursday).fileNamePart(), QStringLiteral("dal 28-12-2026 al 03-01-2027"));
    QCOMPARE(Period::day(thursday).emptyMessage(), QStringLiteral("Nessun appuntamento dal 31/12/2026 al 31/12/2026"));
}

void TestPeriod::rowsAreTheBlockOfItsDays()
{
    const QDate d(2026, 5, 4);
    Appointment handEdited{12, CellValue::fromText(QStringLiteral("domani")), {}, {}};
    const Appointments stored{at(5, d.addDays(-1), QTime(9, 0), "a"), at(6, d, QTime(8, 0), "b"),
                              at(8, d.addDays(6), QTime(), "c"),  // row 7 left empty by hand
                              at(9, d.addDays(7), QTime(7, 0), "d"), handEdited};
    const auto week = Period::week(d).rowsIn(stored);
    QVERIFY(week);
    QCOMPARE(week->first, 6);
    QCOMPARE(week->last, 8);
    QCOMPARE(week->count, 2);
    QCOMPARE(Period::day(d.addDays(1)).rowsIn(stored).has_value(), false);
    const Period later{d.addDays(7), d.addDays(700)};
    QCOMPARE(later.rowsIn(stored)->last, 9);
    const Period backwards{d, d.addDays(-1)};
    QCOMPARE(backwards.rowsIn(stored).has_value(), false);
    QCOMPARE(Period::day(d).rowsIn({}).has_value(), false);
}

void TestPeriod::importSkipsWhatIsStoredOrTooEarly()
{
    const QDate d(2026, 5, 4);
    ICalendar::Parsed parsed;
    parsed.isCalendar = true;
    parsed.cancelled = 2;
    parsed.events = {{"1", d, QTime(8, 0), "b"},              // stored already
                     {"2", d, QTime(8, 0), "B"},              // another text
                     {"3", QDate(1900, 2, 28), QTime(), "x"}, // too early
                     {"4", d, QTime(), QString(40000, QLatin1Char('y'))},
                     {"7", d, QTime(7, 0), "riga\nuno\tdue"},
                     {"5", d, QTime(9, 0), "e"},
                     {"5", d, QTime(9, 0), "e"},              // the same event twice
                     {"6", d, QTime(9, 0), "e"}};             // another event alike
    const ImportPlan plan = ImportPlan::make(parsed, {at(6, d, QTime(8, 0), "b")}, 500);
    QCOMPARE(plan.toStore.size(), 5);
    QCOMPARE(plan.toStore[2].text.text, QStringLiteral("riga uno due"));
    QCOMPARE(plan.toStore[0].text.text, QStringLiteral("B"));
    QVERIFY(plan.toStore[1].time.isEmpty());
    QCOMPARE(plan.toStore[1].text.text.size(), 32767);
    QCOMPARE(plan.summary(), QStringLiteral("Importati 5 appuntamenti\n"
                                            "Saltati 2 già presenti (stessa data, ora e testo)\n"
                                            "Rifiutati 1 con data anteriore al 01/03/1900\n"
                                            "Saltati 2 annullati\n"
                                            "Tagliati a 32767 caratteri 1 testi troppo lunghi"));
}

QTEST_GUILESS_MAIN(TestPeriod)
#include "tst_period.moc"
