#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"
#include "support/testsupport.h"

#include <QFile>
#include <QTest>

// The empty workbook that ships: an encrypted 97-2003 workbook with the layout and no appointment.
class TestSuppliedWorkbook : public QObject
{
    Q_OBJECT

private slots:
    void isAnOle2Workbook();
    void opensOnlyWithItsPassword();
    void hasTheLayoutAndNoRows();
};

void TestSuppliedWorkbook::isAnOle2Workbook()
{
    QFile file(QStringLiteral(VESPOLARI_SUPPLIED_WORKBOOK));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(8);
    QCOMPARE(head, QByteArray::fromHex("d0cf11e0a1b11ae1"));
    // The BIFF8 workbook stream is named "Workbook" in the compound file's directory.
    const QByteArray all = file.readAll();
    QVERIFY(all.contains(QByteArray("W\0o\0r\0k\0b\0o\0o\0k\0", 16)));
}

void TestSuppliedWorkbook::opensOnlyWithItsPassword()
{
    TempWorkbook wb;
    CalcWorkbook book;
    book.start();
    QVERIFY_THROWS_EXCEPTION(StoreError, book.open(wb.path(), QString()));
    book.open(wb.path(), QStringLiteral("Tirn4716"));
}

void TestSuppliedWorkbook::hasTheLayoutAndNoRows()
{
    TempWorkbook wb;
    auto book = openForInspection(wb.path());
    const CellRow header = book->readBlock(4, 1, 4, 3).first();
    QCOMPARE(header[0].text, QStringLiteral("Data"));
    QCOMPARE(header[1].text, QStringLiteral("Ora"));
    QCOMPARE(header[2].text, QStringLiteral("Appuntamento"));
    QVERIFY(book->cell(5, 1).isEmpty());
    QCOMPARE(book->lastUsedRow(), 4);
    QCOMPARE(book->numberFormat(5, 2).toUpper(), QStringLiteral("H:MM;@"));
    QVERIFY(book->isRowHidden(1) && book->isRowHidden(3));
    // The file keeps widths in its own units: allow for their rounding.
    QVERIFY2(book->columnWidth(1) >= 2500, qPrintable(QString::number(book->columnWidth(1))));
    QVERIFY2(book->columnWidth(2) >= 1600, qPrintable(QString::number(book->columnWidth(2))));
    QVERIFY2(book->columnWidth(3) >= 5900, qPrintable(QString::number(book->columnWidth(3))));
}

QTEST_GUILESS_MAIN(TestSuppliedWorkbook)
#include "tst_suppliedworkbook.moc"
