// Every kind of write planned from the rows before it, and carried out here as the diary does,
// without an office: refusals come before anything is written, and each undo gives the rows back.
#include "domain/rowwrites.h"

#include "store/sheetlayout.h"
#include "store/storeerror.h"

#include <QTest>

using SheetLayout::kFirstDataRow;

namespace {

CellRow row(double day, const QString &text)
{
    return {CellValue::fromNumber(day), CellValue::fromNumber(0.5), CellValue::fromText(text)};
}

// The diary's road in memory: the edit, the order, the undo history.
struct Rows
{
    CellBlock cells;
    UndoHistory undo;

    void carryOut(const RowWrite &write)
    {
        SheetRows::apply(cells, kFirstDataRow, write.edit);
        if (write.reorder)
            SheetRows::sortByDateAndTime(cells);
        if (write.takesBack)
            undo.dropLast();
        else if (write.undo)
            if (const std::optional<UndoStep> step = write.undo(cells))
                undo.push(*step);
    }
    void undoLast() { carryOut(RowWrites::undo(cells, undo.last())); }
};

bool refused(const std::function<void()> &plan)
{
    try {
        plan();
    } catch (const StoreError &e) {
        return e.number() == StoreError::OperationFailed;
    }
    return false;
}

} // namespace

class TestRowWrites : public QObject
{
    Q_OBJECT

private slots:
    void whatCannotBeWrittenIsRefusedBeforehand();
    void everyUserWriteIsTakenBackAndAnExchangeIsNot();
    void undoFindsTheAppointmentWhereLaterWritesMovedIt();
};

void TestRowWrites::whatCannotBeWrittenIsRefusedBeforehand()
{
    const CellBlock two{row(45000, QStringLiteral("a")), row(45001, QStringLiteral("b"))};
    const int empty = kFirstDataRow + 2;
    QVERIFY(refused([&] { RowWrites::change(two, empty, row(45002, QStringLiteral("c"))); }));
    QVERIFY(refused([&] { RowWrites::removal(two, kFirstDataRow - 1); }));
    QVERIFY(refused([&] { RowWrites::exchange(two, {kFirstDataRow, empty}, {}); }));
    const CellBlock full(SheetLayout::kLastRow - kFirstDataRow + 1, row(45000, QStringLiteral("x")));
    QVERIFY(refused([&] { RowWrites::appended(full, {row(45003, QStringLiteral("d"))}); }));
    // One leaving makes room for one joining.
    QVERIFY(!refused([&] { RowWrites::exchange(full, {kFirstDataRow}, {row(45003, QStringLiteral("d"))}); }));
    // An insertion gone from the rows cannot be taken back.
    const UndoStep inserted{UndoStep::Insertion, {}, {}, {}, {row(45009, QStringLiteral("z"))}};
    QVERIFY(refused([&] { RowWrites::undo(two, inserted); }));
}

void TestRowWrites::everyUserWriteIsTakenBackAndAnExchangeIsNot()
{
    Rows rows{{row(45000, QStringLiteral("a")), row(45002, QStringLiteral("c"))}, {}};
    const CellBlock start = rows.cells;
    rows.carryOut(RowWrites::insertion(rows.cells, kFirstDataRow + 2, row(45001, QStringLiteral("b"))));
    rows.carryOut(RowWrites::change(rows.cells, kFirstDataRow, row(45003, QStringLiteral("a2"))));
    rows.carryOut(RowWrites::removal(rows.cells, kFirstDataRow + 1));
    rows.carryOut(RowWrites::appended(rows.cells, {row(44999, QStringLiteral("0")), row(45004, QStringLiteral("e"))}));
    QCOMPARE(rows.undo.size(), 4);
    rows.carryOut(RowWrites::exchange(rows.cells, {kFirstDataRow}, {row(45005, QStringLiteral("server"))}));
    QCOMPARE(rows.undo.size(), 4);
    rows.carryOut(RowWrites::exchange(rows.cells, {int(kFirstDataRow + rows.cells.size() - 1)}, {}));
    while (!rows.undo.isEmpty())
        rows.undoLast();
    QCOMPARE(rows.cells, start);
    // A removal taken back with nothing moved since reopens its row rather than writing every one.
    Rows one{{row(45000, QStringLiteral("a")), row(45001, QStringLiteral("b"))}, {}};
    one.carryOut(RowWrites::removal(one.cells, kFirstDataRow));
    QCOMPARE(RowWrites::undo(one.cells, one.undo.last()).office, RowWrite::ReopenRow);
}

void TestRowWrites::undoFindsTheAppointmentWhereLaterWritesMovedIt()
{
    Rows rows{{row(45000, QStringLiteral("a")), row(45002, QStringLiteral("c"))}, {}};
    rows.carryOut(RowWrites::change(rows.cells, kFirstDataRow + 1, row(45003, QStringLiteral("c2"))));
    const UndoStep change = rows.undo.last();
    // Rows moved by a server's changes, which the user does not take back.
    rows.carryOut(RowWrites::exchange(rows.cells, {}, {row(44990, QStringLiteral("prima"))}));
    const RowWrite back = RowWrites::undo(rows.cells, change);
    QVERIFY(back.reorder);
    rows.carryOut(back);
    const CellBlock expected{row(44990, QStringLiteral("prima")), row(45000, QStringLiteral("a")),
                             row(45002, QStringLiteral("c"))};
    QCOMPARE(rows.cells, expected);
    QVERIFY(rows.undo.isEmpty());
}

QTEST_APPLESS_MAIN(TestRowWrites)
#include "tst_rowwrites.moc"
