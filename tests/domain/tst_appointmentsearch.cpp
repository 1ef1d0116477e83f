#include "domain/appointmentsearch.h"

#include <QTest>

// Finding appointments by the words of their text. No office.
class TestAppointmentSearch : public QObject
{
    Q_OBJECT

private slots:
    void caseAndAccentsDoNotCount_data();
    void caseAndAccentsDoNotCount();
    void everyWordMustOccur();
    void queryWithoutWordsFindsNothing();
    void foundInDateThenTimeOrder();
    void handEditedCells();
};

namespace {

Appointment at(const QDate &day, const QTime &time, const QString &text)
{
    return Appointment::typed(day, time, text);
}

QStringList texts(const Appointments &found)
{
    QStringList out;
    for (const Appointment &a : found)
        out << (a.text.kind == CellValue::Text ? a.text.text : QString::number(a.text.number));
    return out;
}

} // namespace

void TestAppointmentSearch::caseAndAccentsDoNotCount_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("found");
    QTest::newRow("plain letters find the accented") << QStringLiteral("Chiedere perché") << QStringLiteral("perche") << true;
    QTest::newRow("capitals, accent typed") << QStringLiteral("chiedere perche") << QStringLiteral("PERCHÉ") << true;
    QTest::newRow("capital accented letter") << QStringLiteral("È arrivato Nicolò") << QStringLiteral("e arrivato nicolo") << true;
    QTest::newRow("grave and acute alike") << QStringLiteral("caffè") << QStringLiteral("caffé") << true;
    QTest::newRow("accent as a separate mark") << QStringLiteral("perche\u0301 no") << QStringLiteral("perché") << true;
    QTest::newRow("other languages' marks") << QStringLiteral("Çà et là, Müller, Ñoño") << QStringLiteral("ca la muller nono") << true;
    QTest::newRow("ligature") << QStringLiteral("\uFB01ne mese") << QStringLiteral("fine") << true;
    QTest::newRow("typographic apostrophe") << QStringLiteral("dall\u2019avvocato") << QStringLiteral("dall'avvocato") << true;
    QTest::newRow("inside a longer word") << QStringLiteral("Dentista") << QStringLiteral("ENT") << true;
    QTest::newRow("a different letter") << QStringLiteral("perché") << QStringLiteral("perchi") << false;
    QTest::newRow("no match across words") << QStringLiteral("per che") << QStringLiteral("perche") << false;
}

void TestAppointmentSearch::caseAndAccentsDoNotCount()
{
    QFETCH(QString, stored);
    QFETCH(QString, query);
    QFETCH(bool, found);
    const AppointmentSearch search({at(QDate(2024, 3, 7), QTime(9, 30), stored)});
    QCOMPARE(search.find(query).size(), found ? 1 : 0);
}

void TestAppointmentSearch::everyWordMustOccur()
{
    const AppointmentSearch search({at(QDate(2024, 3, 7), QTime(9, 0), QStringLiteral("Dentista con Marta")),
                                    at(QDate(2024, 3, 8), QTime(9, 0), QStringLiteral("Marta, cena")),
                                    at(QDate(2024, 3, 9), QTime(9, 0), QStringLiteral("Dentista"))});
    QCOMPARE(texts(search.find(QStringLiteral("marta dentista"))), QStringList{QStringLiteral("Dentista con Marta")});
    QCOMPARE(texts(search.find(QStringLiteral("  dentista\tMARTA  "))), QStringList{QStringLiteral("Dentista con Marta")});
    QCOMPARE(texts(search.find(QStringLiteral("marta"))),
             (QStringList{QStringLiteral("Dentista con Marta"), QStringLiteral("Marta, cena")}));
    QCOMPARE(texts(search.find(QStringLiteral("marta, cena"))), QStringList{QStringLiteral("Marta, cena")});
    QVERIFY(search.find(QStringLiteral("marta dentista banca")).isEmpty());
}

void TestAppointmentSearch::queryWithoutWordsFindsNothing()
{
    const AppointmentSearch search({at(QDate(2024, 3, 7), QTime(9, 0), QStringLiteral("Dentista"))});
    QVERIFY(search.find(QString()).isEmpty());
    QVERIFY(search.find(QStringLiteral("   ")).isEmpty());
    QVERIFY(AppointmentSearch::words(QStringLiteral(" \t ")).isEmpty());
    QVERIFY(AppointmentSearch().find(QStringLiteral("dentista")).isEmpty());
}

void TestAppointmentSearch::foundInDateThenTimeOrder()
{
    // Rows out of order, as a hand edit may leave them; equal date and time keep their order.
    const AppointmentSearch search({at(QDate(2025, 1, 2), QTime(8, 0), QStringLiteral("riunione 5")),
                                    at(QDate(2024, 12, 31), QTime(18, 0), QStringLiteral("riunione 3")),
                                    at(QDate(2024, 12, 31), QTime(9, 0), QStringLiteral("riunione 1")),
                                    at(QDate(2024, 12, 31), QTime(9, 0), QStringLiteral("riunione 2")),
                                    at(QDate(2025, 1, 1), QTime(23, 59), QStringLiteral("riunione 4")),
                                    at(QDate(2025, 1, 1), QTime(10, 0), QStringLiteral("altro"))});
    QCOMPARE(texts(search.find(QStringLiteral("riunione"))),
             (QStringList{QStringLiteral("riunione 1"), QStringLiteral("riunione 2"), QStringLiteral("riunione 3"),
                          QStringLiteral("riunione 4"), QStringLiteral("riunione 5")}));
    QCOMPARE(search.size(), 6);
    // Positions count in that order too: "altro" stands between the third and the fourth.
    QCOMPARE(search.matching(QStringLiteral("riunione")), (QVector<int>{0, 1, 2, 4, 5}));
    QCOMPARE(search.appointments().at(3).text.text, QStringLiteral("altro"));
}

void TestAppointmentSearch::handEditedCells()
{
    Appointment textDate = at(QDate(2024, 1, 1), QTime(9, 0), QStringLiteral("riunione senza data"));
    textDate.date = CellValue::fromText(QStringLiteral("da decidere"));
    Appointment numberText = at(QDate(2024, 2, 1), QTime(9, 0), QString());
    numberText.text = CellValue::fromNumber(1.5);  // reads "1,5" in Italy
    Appointment emptyText = at(QDate(2024, 3, 1), QTime(9, 0), QString());
    emptyText.text = CellValue::empty();
    const AppointmentSearch search({textDate, numberText, emptyText,
                                    at(QDate(2024, 4, 1), QTime(9, 0), QStringLiteral("riunione"))});
    // A date that is no date sorts after the real ones, as the office sorts it.
    const Appointments found = search.find(QStringLiteral("riunione"));
    QCOMPARE(found.size(), 2);
    QCOMPARE(found[0].text.text, QStringLiteral("riunione"));
    QCOMPARE(found[1].date.text, QStringLiteral("da decidere"));
    QCOMPARE(search.find(QStringLiteral("1,5")).size(), 1);
    QCOMPARE(search.find(QStringLiteral("1,5")).first().row, numberText.row);
}

QTEST_GUILESS_MAIN(TestAppointmentSearch)
#include "tst_appointmentsearch.moc"
