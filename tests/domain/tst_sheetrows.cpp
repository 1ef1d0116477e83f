// The rules over the rows the diary keeps in memory, and its undo history: no office.
#include "domain/sheetrows.h"
#include "domain/undohistory.h"

#include <QTest>

using namespace SheetRows;

namespace {

CellRow row(double day, double time, const QString &text)
{
    return {CellValue::fromNumber(day), CellValue::fromNumber(time), CellValue::fromText(text)};
}

CellRow text(const QString &a, const QString &c = {})
{
    return {CellValue::fromText(a), CellValue::empty(), CellValue::fromText(c)};
}

const CellRow kEmpty{CellValue::empty(), CellValue::empty(), CellValue::empty()};

} // namespace

class TestSheetRows : public QObject
{
    Q_OBJECT

private slots:
    void appointmentsSkipGapsAndKeepTheirRows();
    void removalClosesTheGapAndEmptiesTheLastRow();
    void removalOfTheLastRowAndOutsideTheBlock();
    void removalKeepsHandEditedRowsInPlaceRelativeToEachOther();
    void withoutRowsTakesOneLikeEachWhereverTheSortPutIt();
    void differenceIsTheSmallestBlock();
    void differenceOfAMoveBySort();
    void aSortThatMovesOneRowIsThatMove();
    void applyingAndReversingRestoresExactly();
    void holdsResultOfNoticesLaterChanges();
    void numbersOfAnyKindCompareAlike();
    void historyKeepsTheNewestSteps();
    void missingFromCountsEachRowAsOftenAsItLacksIt();
    void sortIsStableAndSaysWhenTextsDecide();
};

void TestSheetRows::appointmentsSkipGapsAndKeepTheirRows()
{
    // A gap with a text left in C, and a date cell holding text: both as hand edits leave them.
    const CellBlock rows{row(45000, 0.5, QStringLiteral("a")), text(QString(), QStringLiteral("orfano")),
                         text(QStringLiteral("domani"), QStringLiteral("b"))};
    const Appointments found = appointments(rows, 5);
    QCOMPARE(found.size(), 2);
    QCOMPARE(found[0].row, 5);
    QCOMPARE(found[1].row, 7);
    QCOMPARE(found[1].date.text, QStringLiteral("domani"));
    QCOMPARE(rowAt(rows, 5, 6).value(2).text, QStringLiteral("orfano"));
    QVERIFY(sameCells(rowAt(rows, 5, 99), kEmpty));
}

void TestSheetRows::removalClosesTheGapAndEmptiesTheLastRow()
{
    const CellBlock rows{row(1, 0, QStringLiteral("a")), row(2, 0, QStringLiteral("b")),
                         row(3, 0, QStringLiteral("c")), row(4, 0, QStringLiteral("d"))};
    const RowEdit edit = removal(rows, 5, 6);
    QCOMPARE(edit.firstRow, 6);
    QCOMPARE(edit.before.size(), 3);
    QCOMPARE(edit.after.size(), 3);  // one write over the same rows
    QVERIFY(sameCells(edit.after[0], rows[2]));
    QVERIFY(sameCells(edit.after[1], rows[3]));
    QVERIFY(sameCells(edit.after[2], kEmpty));
    CellBlock left = rows;
    apply(left, 5, edit);
    QCOMPARE(appointments(left, 5).size(), 3);
    QCOMPARE(left.size(), 3);  // the emptied last row is not kept
    QCOMPARE(appointments(left, 5)[1].text.text, QStringLiteral("c"));
    QCOMPARE(appointments(left, 5)[1].row, 6);
}

void TestSheetRows::removalOfTheLastRowAndOutsideTheBlock()
{
    const CellBlock rows{row(1, 0, QStringLiteral("a")), row(2, 0, QStringLiteral("b"))};
    const RowEdit last = removal(rows, 5, 6);
    QCOMPARE(last.firstRow, 6);
    QCOMPARE(last.after.size(), 1);
    QVERIFY(sameCells(last.after[0], kEmpty));
    QVERIFY(removal(rows, 5, 7).isEmpty());
    QVERIFY(removal(rows, 5, 4).isEmpty());
    QVERIFY(removal({}, 5, 5).isEmpty());
}

void TestSheetRows::removalKeepsHandEditedRowsInPlaceRelativeToEachOther()
{
    // What the user did not choose moves up with its row, text in C included.
    const CellBlock rows{row(1, 0, QStringLiteral("scelto")), text(QString(), QStringLiteral("orfano")),
                         text(QStringLiteral("domani"), QStringLiteral("b"))};
    const RowEdit edit = removal(rows, 5, 5);
    QVERIFY(sameCells(edit.after[0], rows[1]));
    QVERIFY(sameCells(edit.after[1], rows[2]));
    QVERIFY(sameCells(edit.after[2], kEmpty));
}

void TestSheetRows::withoutRowsTakesOneLikeEachWhereverTheSortPutIt()
{
    // A batch scattered by the sort, one of its rows twice among those already there.
    const CellBlock rows{row(1, 0, QStringLiteral("nuovo")), row(2, 0, QStringLiteral("c'era")),
                         row(3, 0, QStringLiteral("doppio")), row(3, 0, QStringLiteral("doppio")),
                         text(QStringLiteral("domani"), QStringLiteral("a mano"))};
    const CellBlock gone{row(3, 0, QStringLiteral("doppio")), row(1, 0, QStringLiteral("nuovo"))};
    CellBlock left = rows;
    apply(left, 5, withoutRows(rows, 5, gone));
    QCOMPARE(left.size(), 3);
    QVERIFY(sameCells(left[0], rows[1]));
    QVERIFY(sameCells(left[1], rows[3]));  // the second alike stays
    QVERIFY(sameCells(left[2], rows[4]));
    QVERIFY(withoutRows(rows, 5, {row(9, 0, QStringLiteral("mai"))}).isEmpty());
}

void TestSheetRows::differenceIsTheSmallestBlock()
{
    const CellBlock before{row(1, 0, QStringLiteral("a")), row(2, 0, QStringLiteral("b")),
                           row(3, 0, QStringLiteral("c"))};
    CellBlock after = before;
    after[1] = row(2, 0.25, QStringLiteral("b"));
    const RowEdit edit = difference(before, after, 5);
    QCOMPARE(edit.firstRow, 6);
    QCOMPARE(edit.before.size(), 1);
    QVERIFY(sameCells(edit.before[0], before[1]));
    QVERIFY(sameCells(edit.after[0], after[1]));
    QVERIFY(difference(before, before, 5).isEmpty());
    // A block that grew or shrank counts the missing rows as empty.
    const RowEdit shorter = difference(before, CellBlock{before[0]}, 5);
    QCOMPARE(shorter.firstRow, 6);
    QCOMPARE(shorter.after.size(), 2);
    QVERIFY(sameCells(shorter.after[1], kEmpty));
}

void TestSheetRows::differenceOfAMoveBySort()
{
    // The first row changed to a later date and the sort moved it to the end: every row between
    // moved up one.
    const CellBlock before{row(1, 0, QStringLiteral("a")), row(2, 0, QStringLiteral("b")),
                           row(3, 0, QStringLiteral("c")), row(9, 0, QStringLiteral("z"))};
    const CellBlock after{row(2, 0, QStringLiteral("b")), row(3, 0, QStringLiteral("c")),
                          row(5, 0, QStringLiteral("a")), row(9, 0, QStringLiteral("z"))};
    const RowEdit edit = difference(before, after, 5);
    QCOMPARE(edit.firstRow, 5);
    QCOMPARE(edit.after.size(), 3);
}

void TestSheetRows::aSortThatMovesOneRowIsThatMove()
{
    const CellRow a = row(45000, 0.3, QStringLiteral("a")), b = row(45001, 0.3, QStringLiteral("b")),
                  c = row(45002, 0.3, QStringLiteral("c")), d = row(45003, 0.3, QStringLiteral("d"));
    // Written last, sorted to the top: it leaves row 8 and ends in row 5.
    std::optional<Move> up = movedRow(difference({b, c, d, a}, {a, b, c, d}, 5));
    QVERIFY(up);
    QCOMPARE(up->from, 8);
    QCOMPARE(up->to, 5);
    // Changed to a later day: from row 6 down to row 8.
    std::optional<Move> down = movedRow(difference({a, d, b, c}, {a, b, c, d}, 5));
    QVERIFY(down);
    QCOMPARE(down->from, 6);
    QCOMPARE(down->to, 8);
    // Two rows swapped is a move too; three in a new order, or a changed row, are not.
    QVERIFY(movedRow(difference({b, a}, {a, b}, 5)));
    QVERIFY(!movedRow(difference({c, a, b, d}, {a, c, d, b}, 5)));
    QVERIFY(!movedRow(difference({a, b}, {a, c}, 5)));
    QVERIFY(!movedRow(difference({a, b}, {a, b}, 5)));
}

void TestSheetRows::applyingAndReversingRestoresExactly()
{
    const CellBlock before{row(1, 0, QStringLiteral("a")), text(QString(), QStringLiteral("orfano")),
                           row(2, 0, QStringLiteral("b"))};
    const RowEdit edit = removal(before, 5, 5);
    CellBlock rows = before;
    apply(rows, 5, edit);
    QVERIFY(holdsResultOf(rows, 5, edit));
    apply(rows, 5, reversed(edit));
    QCOMPARE(rows.size(), before.size());
    for (int i = 0; i < rows.size(); ++i)
        QVERIFY(sameCells(rows[i], before[i]));
}

void TestSheetRows::holdsResultOfNoticesLaterChanges()
{
    const CellBlock before{row(1, 0, QStringLiteral("a")), row(2, 0, QStringLiteral("b"))};
    const RowEdit edit = removal(before, 5, 5);
    CellBlock rows = before;
    apply(rows, 5, edit);
    // An insertion after the deletion lands in the row the deletion emptied.
    rows << row(3, 0, QStringLiteral("nuovo"));
    QVERIFY(!holdsResultOf(rows, 5, edit));
}

void TestSheetRows::numbersOfAnyKindCompareAlike()
{
    // What the diary writes (a date) and what a bulk read gives back (a number) are the same cell.
    const CellRow typed{CellValue::fromDate(QDate(2024, 3, 7)), CellValue::fromTime(QTime(9, 30)),
                        CellValue::fromText(QStringLiteral("x"))};
    const CellRow read{CellValue::fromNumber(typed[0].number), CellValue::fromNumber(typed[1].number),
                       CellValue::fromText(QStringLiteral("x"))};
    QVERIFY(sameCells(typed, read));
    QVERIFY(!sameCells(typed, text(QStringLiteral("x"))));
    QVERIFY(sameCells(CellRow{CellValue::fromText(QString())}, kEmpty));
}

void TestSheetRows::historyKeepsTheNewestSteps()
{
    UndoHistory history;
    QVERIFY(history.isEmpty());
    for (int i = 0; i < UndoHistory::kDepth + 5; ++i)
        history.push({UndoStep::Removal, {}, row(i, 0, QString::number(i)), {}});
    QCOMPARE(history.size(), UndoHistory::kDepth);
    QCOMPARE(history.last().old.value(2).text, QString::number(UndoHistory::kDepth + 4));
    history.dropLast();
    QCOMPARE(history.last().old.value(2).text, QString::number(UndoHistory::kDepth + 3));
    int dropped = 1;
    while (!history.isEmpty()) {
        history.dropLast();
        ++dropped;
    }
    QCOMPARE(dropped, UndoHistory::kDepth);
}

void TestSheetRows::missingFromCountsEachRowAsOftenAsItLacksIt()
{
    // What a reopened workbook lacks of the rows held: nothing when the save reached the disk
    // after all, one of two alike when only one did, never a row without a date.
    const CellBlock held = {row(45000, 0.375, QStringLiteral("a")), row(45000, 0.375, QStringLiteral("a")),
                            row(45001, 0.5, QStringLiteral("b")), text(QString(), QStringLiteral("nota"))};
    QVERIFY(missingFrom(held, held).isEmpty());
    const CellBlock missing = missingFrom({row(45001, 0.5, QStringLiteral("b")), row(45000, 0.375, QStringLiteral("a"))},
                                          held);
    QCOMPARE(missing.size(), 1);
    QVERIFY(sameCells(missing.first(), row(45000, 0.375, QStringLiteral("a"))));
    // Each step keeps its own id, so a step dropped meanwhile is never mistaken for the next one.
    UndoHistory history;
    history.push({UndoStep::Change, {}, row(1, 0, QStringLiteral("c1")), {}});
    const quint64 first = history.newest();
    history.push({UndoStep::Change, {}, row(2, 0, QStringLiteral("c2")), {}});
    history.dropLast();
    history.push({UndoStep::Change, {}, row(3, 0, QStringLiteral("c3")), {}});
    QVERIFY(history.newest() != first + 1);
    history.dropNewerThan(first);
    QCOMPARE(history.newest(), first);
}

QTEST_APPLESS_MAIN(TestSheetRows)
#include "tst_sheetrows.moc"

void TestSheetRows::sortIsStableAndSaysWhenTextsDecide()
{
    CellBlock rows{kEmpty, row(2, 0.5, QStringLiteral("a")), text(QStringLiteral("lunedì"), QStringLiteral("b")),
                   row(1, 0.5, QStringLiteral("c")), row(2, 0.5, QStringLiteral("d")),
                   {CellValue::fromNumber(1), CellValue::empty(), CellValue::fromText(QStringLiteral("e"))}};
    QVERIFY(sortByDateAndTime(rows));
    QString order;
    for (const CellRow &r : rows)
        order += r.value(2).text;
    QCOMPARE(order, QStringLiteral("ceadb"));  // the empty row sank and was dropped
    rows << text(QStringLiteral("Martedì"));
    QVERIFY(!sortByDateAndTime(rows));
}
