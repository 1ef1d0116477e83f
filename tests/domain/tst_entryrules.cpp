#include "domain/entryrules.h"

#include <QLocale>
#include <QTest>

using namespace EntryRules;

// The checks of a typed appointment as pure rules: what comes back, without a window or an office.
class TestEntryRules : public QObject
{
    Q_OBJECT

private slots:
    void acceptedEntryCarriesWhatWasTyped();
    void firstFailingCheckWins_data();
    void firstFailingCheckWins();
    void textLimitIsACellsLimit();
    void textsACellCannotHoldAreRefused_data();
    void textsACellCannotHoldAreRefused();
};

void TestEntryRules::acceptedEntryCarriesWhatWasTyped()
{
    const auto checked = check(QStringLiteral("1/3/1900"), QStringLiteral("9.05"), QStringLiteral("  due  spazi "));
    const Entry *entry = std::get_if<Entry>(&checked);
    QVERIFY(entry);
    QCOMPARE(entry->date, QDate(1900, 3, 1));
    QCOMPARE(entry->time, QTime(9, 5));
    QCOMPARE(entry->text, QStringLiteral("  due  spazi "));
}

void TestEntryRules::firstFailingCheckWins_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("startOfMessage");
    QTest::addColumn<int>("field");
    const int date = int(Field::Date), time = int(Field::Time), none = int(Field::None), text = int(Field::Text);
    // Each row breaks every check after the one expected, so the order shows.
    QTest::newRow("no point before all") << "" << "930" << "" << "Orario non corretto" << time;
    QTest::newRow("length before the date") << "" << "9.3" << "" << "Orario scritto errato" << time;
    QTest::newRow("date before the text") << "" << "9.30" << "" << "Devi scegliere la data" << none;
    QTest::newRow("empty text says nothing") << "31/02/2009" << "99.99" << "" << "" << none;
    QTest::newRow("text before time's value") << "31/02/2009" << "99.99" << QString(QChar(7)) << "Il testo" << text;
    QTest::newRow("time's value before date") << "31/02/2009" << "99.99" << "x" << "Orario inesistente" << time;
    QTest::newRow("nonexistent date") << "31/02/2009" << "9.30" << "x" << "Data inesistente" << date;
    QTest::newRow("date no other reader agrees on") << "28/02/1900" << "9.30" << "x" << "Data non accettata" << date;
}

void TestEntryRules::firstFailingCheckWins()
{
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, text);
    QFETCH(QString, startOfMessage);
    QFETCH(int, field);
    const auto checked = check(date, time, text);
    const Refusal *refusal = std::get_if<Refusal>(&checked);
    QVERIFY(refusal);
    QCOMPARE(refusal->message.isEmpty(), startOfMessage.isEmpty());
    QVERIFY2(refusal->message.isEmpty() || refusal->message.startsWith(startOfMessage), qPrintable(refusal->message));
    QCOMPARE(int(refusal->field), field);
}

void TestEntryRules::textLimitIsACellsLimit()
{
    QVERIFY(!checkText(QString(kCellLimit, QLatin1Char('a'))));
    const std::optional<Refusal> tooLong = checkText(QString(kCellLimit + 1, QLatin1Char('a')));
    QVERIFY(tooLong);
    QCOMPARE(tooLong->field, Field::Text);
    QVERIFY(tooLong->message.contains(QString::number(kCellLimit + 1)));
    QVERIFY(tooLong->message.contains(QString::number(kCellLimit)));
}

void TestEntryRules::textsACellCannotHoldAreRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("refused");
    QTest::newRow("accents and euro") << QStringLiteral("perché 10 €") << false;
    QTest::newRow("emoji, a whole pair") << QStringLiteral("festa 🎉") << false;
    QTest::newRow("tab") << QStringLiteral("a\tb") << true;
    QTest::newRow("line feed") << QStringLiteral("a\nb") << true;
    QTest::newRow("noncharacter") << QString(QChar(0xFFFF)) << true;
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << true;
}

void TestEntryRules::textsACellCannotHoldAreRefused()
{
    QFETCH(QString, text);
    QFETCH(bool, refused);
    QCOMPARE(bool(checkText(text)), refused);
}

QTEST_GUILESS_MAIN(TestEntryRules)
#include "tst_entryrules.moc"
