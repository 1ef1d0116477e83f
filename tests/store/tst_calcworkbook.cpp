#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"
#include "support/testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QThread>

#include <csignal>

// The spreadsheet engine on the real office.
class TestCalcWorkbook : public QObject
{
    Q_OBJECT

private slots:
    void valueKindsRoundTripThroughTheSavedFile();
    void bulkReadAndWrite();
    void bulkReadInSlicesMissesNoRow();
    void sortKeepsRowsTogetherAndSinksEmptyRows();
    void firstEmptyRowAndLastUsedRow();
    void wrongPasswordFailsWithoutHanging();
    void damagedFileFailsWithoutHanging();
    void officeEndsWithTheBook();
    void nothingReachesTheOfficeWhileItIsLentAndNoWaitIsEndless();
};

void TestCalcWorkbook::valueKindsRoundTripThroughTheSavedFile()
{
    TempWorkbook wb;
    {
        auto book = openForInspection(wb.path());
        book->setCell(5, 1, CellValue::fromDate(QDate(2009, 5, 25)));
        book->setCell(5, 2, CellValue::fromTime(QTime(9, 30)));
        book->setCell(5, 3, CellValue::fromText(QStringLiteral("Visita dall'oculista è già fissata")));
        book->save();
    }
    auto book = openForInspection(wb.path());
    const CellValue date = book->cell(5, 1);
    QCOMPARE(date.kind, CellValue::Date);
    QCOMPARE(date.toDate(), QDate(2009, 5, 25));
    const CellValue time = book->cell(5, 2);
    QCOMPARE(time.kind, CellValue::Time);
    QCOMPARE(time.toTime(), QTime(9, 30));
    const CellValue text = book->cell(5, 3);
    QCOMPARE(text.kind, CellValue::Text);
    QCOMPARE(text.text, QStringLiteral("Visita dall'oculista è già fissata"));
    QCOMPARE(book->cell(6, 1).kind, CellValue::Empty);
}

void TestCalcWorkbook::bulkReadAndWrite()
{
    TempWorkbook wb;
    auto book = openForInspection(wb.path());
    CellBlock rows;
    for (int i = 0; i < 1000; ++i)
        rows << CellRow{CellValue::fromDate(QDate(2010, 1, 1).addDays(i)), CellValue::fromTime(QTime(8, i % 60)),
                        CellValue::fromText(QStringLiteral("riga %1").arg(i))};
    book->writeBlock(5, 1, rows);
    const CellBlock back = book->readBlock(5, 1, 1005, 3);
    QCOMPARE(back.size(), 1001);
    QCOMPARE(back[999][0].toDate(), QDate(2010, 1, 1).addDays(999));
    QCOMPARE(back[999][1].toTime(), QTime(8, 999 % 60));
    QCOMPARE(back[999][2].text, QStringLiteral("riga 999"));
    QVERIFY(back[1000][0].isEmpty());
}

void TestCalcWorkbook::bulkReadInSlicesMissesNoRow()
{
    // More rows than one call asks for, from a row that is no slice's start.
    TempWorkbook wb;
    auto book = openForInspection(wb.path());
    CellBlock rows;
    for (int i = 0; i < 9000; ++i)
        rows << CellRow{CellValue::fromNumber(i), CellValue::empty(), CellValue::fromText(QString::number(i))};
    book->writeBlock(5, 1, rows);
    const CellBlock back = book->readBlock(7, 1, 9010, 3);
    QCOMPARE(back.size(), 9004);
    for (int i = 0; i < 8998; ++i)
        QVERIFY(back[i][0].number == i + 2 && back[i][1].isEmpty() && back[i][2].text == QString::number(i + 2));
    QVERIFY(back[8998][0].isEmpty() && back.last()[2].isEmpty());
}

void TestCalcWorkbook::sortKeepsRowsTogetherAndSinksEmptyRows()
{
    TempWorkbook wb;
    auto book = openForInspection(wb.path());
    book->writeBlock(5, 1, {{CellValue::fromDate(QDate(2009, 6, 2)), CellValue::fromTime(QTime(10, 0)), CellValue::fromText("c")},
                            {CellValue::fromDate(QDate(2009, 6, 1)), CellValue::fromTime(QTime(11, 0)), CellValue::fromText("b")},
                            {CellValue::empty(), CellValue::empty(), CellValue::empty()},
                            {CellValue::fromDate(QDate(2009, 6, 1)), CellValue::fromTime(QTime(9, 0)), CellValue::fromText("a")}});
    book->sortRows(5, SheetLayout::kLastRow, 3, {{1, true}, {2, true}});
    const CellBlock back = book->readBlock(5, 1, 8, 3);
    QCOMPARE(back[0][2].text, QStringLiteral("a"));
    QCOMPARE(back[0][1].toTime(), QTime(9, 0));
    QCOMPARE(back[1][2].text, QStringLiteral("b"));
    QCOMPARE(back[2][2].text, QStringLiteral("c"));
    QCOMPARE(back[2][0].toDate(), QDate(2009, 6, 2));
    QVERIFY(back[3][0].isEmpty());
}

void TestCalcWorkbook::firstEmptyRowAndLastUsedRow()
{
    TempWorkbook wb;
    auto book = openForInspection(wb.path());
    QCOMPARE(book->lastUsedRow(), 4);
    QCOMPARE(book->firstEmptyRow(1, 5, SheetLayout::kLastRow), 5);
    CellBlock rows(5, CellRow{CellValue::fromDate(QDate(2009, 1, 1))});
    book->writeBlock(5, 1, rows);
    QCOMPARE(book->lastUsedRow(), 9);
    QCOMPARE(book->firstEmptyRow(1, 5, SheetLayout::kLastRow), 10);
    book->setCell(SheetLayout::kLastRow, 1, CellValue::fromText("x"));
    QCOMPARE(book->lastUsedRow(), SheetLayout::kLastRow);
    QCOMPARE(book->firstEmptyRow(1, 5, SheetLayout::kLastRow), 10);
}

void TestCalcWorkbook::wrongPasswordFailsWithoutHanging()
{
    TempWorkbook wb;
    CalcWorkbook book;
    book.start();
    try {
        book.open(wb.path(), QStringLiteral("sbagliata"));
        QFAIL("opened with a wrong password");
    } catch (const StoreError &e) {
        QCOMPARE(e.number(), int(StoreError::CannotOpen));
        QVERIFY2(e.description().contains(QStringLiteral("password")), qPrintable(e.description()));
    }
    // Without the password the file does not open either: it is encrypted.
    QVERIFY_THROWS_EXCEPTION(StoreError, book.open(wb.path(), QString()));
}

void TestCalcWorkbook::damagedFileFailsWithoutHanging()
{
    TempWorkbook wb;
    QFile file(wb.path());
    QVERIFY(file.resize(1000));
    const QByteArray before = [&] { file.open(QIODevice::ReadOnly); return file.readAll(); }();
    file.close();
    CalcWorkbook book;
    book.start();
    QVERIFY_THROWS_EXCEPTION(StoreError, book.open(wb.path(), SheetLayout::kPassword));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

void TestCalcWorkbook::officeEndsWithTheBook()
{
    qint64 pid = 0;
    {
        TempWorkbook wb;
        auto book = openForInspection(wb.path());
        pid = book->officePid();
        QVERIFY(processAlive(pid));
    }
    QVERIFY(!processAlive(pid));
}

void TestCalcWorkbook::nothingReachesTheOfficeWhileItIsLentAndNoWaitIsEndless()
{
    TempWorkbook wb;
    auto book = openForInspection(wb.path());
    // A call from here while the work is out waits for it, even one that never asked to.
    book->startBackground([&book] {
        QThread::msleep(300);
        book->setCell(5, 3, CellValue::fromText(QStringLiteral("dal lavoro")));
    });
    QCOMPARE(book->cell(5, 3).text, QStringLiteral("dal lavoro"));
    QVERIFY(!book->inBackground());
    // An office that stops answering is taken for gone once the patience runs out.
    book->setPatience(1000);
    const qint64 office = book->officePid();
    book->startBackground([&book, office] {
        ::kill(pid_t(office), SIGSTOP);
        book->save();
    });
    QElapsedTimer clock;
    clock.start();
    try {
        book->finishBackground();
        QFAIL("a stopped office saved");
    } catch (const StoreError &e) {
        QCOMPARE(e.number(), int(StoreError::OfficeGone));
    }
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    QTRY_VERIFY(!processAlive(office));
    // And a call of the window's own into an office that stopped answering comes back too.
    TempWorkbook other;
    auto again = openForInspection(other.path());
    again->setPatience(1000);
    ::kill(pid_t(again->officePid()), SIGSTOP);
    clock.restart();
    QVERIFY_THROWS_EXCEPTION(StoreError, again->cell(5, 3));
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!again->officeAlive());
}

QTEST_GUILESS_MAIN(TestCalcWorkbook)
#include "tst_calcworkbook.moc"
