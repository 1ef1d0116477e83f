#include "sheetrows.h"

#include <QMultiHash>

#include <algorithm>

namespace SheetRows {

namespace {

constexpr int kColumns = 3;

CellRow emptyRow()
{
    return CellRow(kColumns, CellValue::empty());
}

bool isEmptyRow(const CellRow &row)
{
    for (const CellValue &cell : row) {
        if (!cell.isEmpty())
            return false;
    }
    return true;
}

CellRow padded(const CellBlock &rows, int index)
{
    CellRow row = index >= 0 && index < rows.size() ? rows[index] : emptyRow();
    while (row.size() < kColumns)
        row << CellValue::empty();
    return row;
}

} // namespace

Appointments appointments(const CellBlock &rows, int firstRow)
{
    Appointments found;
    found.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        const CellRow &cells = rows[i];
        const CellValue date = cells.value(0);
        if (date.isEmpty())
            continue;
        found.append({firstRow + i, date, cells.value(1), cells.value(2)});
    }
    return found;
}

CellRow rowAt(const CellBlock &rows, int firstRow, int row)
{
    return padded(rows, row - firstRow);
}

RowEdit removal(const CellBlock &rows, int firstRow, int row)
{
    RowEdit edit;
    const int from = row - firstRow;
    if (from < 0 || from >= rows.size())
        return edit;
    edit.firstRow = row;
    for (int i = from; i < rows.size(); ++i)
        edit.before << padded(rows, i);
    for (int i = from + 1; i < rows.size(); ++i)
        edit.after << padded(rows, i);
    edit.after << emptyRow();
    return edit;
}

namespace {

// Rows to be taken one for one, each at most once. They are looked up by their date cell first,
// so that matching hundreds against thousands costs one pass over each.
class RowBag
{
public:
    explicit RowBag(const CellBlock &rows) : m_rows(rows), m_taken(rows.size(), false)
    {
        for (int i = 0; i < rows.size(); ++i)
            m_index.insert(key(rows[i]), i);
    }

    // Takes one row like this, if one is left.
    bool take(const CellRow &row)
    {
        const QString k = key(row);
        for (auto it = m_index.constFind(k); it != m_index.cend() && it.key() == k; ++it) {
            if (!m_taken[it.value()] && sameCells(row, m_rows[it.value()]))
                return m_taken[it.value()] = true;
        }
        return false;
    }

private:
    static QString key(const CellRow &row)
    {
        const CellValue date = row.value(0);
        return date.isNumeric() ? QString::number(date.number, 'g', 17) : date.text;
    }

    const CellBlock &m_rows;
    QVector<bool> m_taken;
    QMultiHash<QString, int> m_index;
};

} // namespace

RowEdit withoutRows(const CellBlock &rows, int firstRow, const CellBlock &gone)
{
    RowBag wanted(gone);
    CellBlock kept;
    kept.reserve(rows.size());
    for (const CellRow &row : rows) {
        if (!wanted.take(row))
            kept << row;
    }
    return difference(rows, kept, firstRow);
}

RowEdit difference(const CellBlock &before, const CellBlock &after, int firstRow)
{
    const int size = qMax(before.size(), after.size());
    int first = 0;
    while (first < size && sameCells(padded(before, first), padded(after, first)))
        ++first;
    RowEdit edit;
    if (first == size)
        return edit;
    int last = size - 1;
    while (last > first && sameCells(padded(before, last), padded(after, last)))
        --last;
    edit.firstRow = firstRow + first;
    for (int i = first; i <= last; ++i) {
        edit.before << padded(before, i);
        edit.after << padded(after, i);
    }
    return edit;
}

RowEdit reversed(const RowEdit &edit)
{
    return {edit.firstRow, edit.after, edit.before};
}

bool holdsResultOf(const CellBlock &rows, int firstRow, const RowEdit &edit)
{
    for (int i = 0; i < edit.after.size(); ++i) {
        if (!sameCells(padded(rows, edit.firstRow - firstRow + i), edit.after[i]))
            return false;
    }
    return true;
}

void apply(CellBlock &rows, int firstRow, const RowEdit &edit)
{
    const int from = edit.firstRow - firstRow;
    for (int i = 0; from >= 0 && i < edit.after.size(); ++i) {
        while (rows.size() <= from + i)
            rows << emptyRow();
        rows[from + i] = edit.after[i];
    }
    while (!rows.isEmpty() && isEmptyRow(rows.last()))
        rows.removeLast();
}

bool sortByDateAndTime(CellBlock &rows)
{
    bool decided = true;
    const auto compare = [&decided](const CellValue &a, const CellValue &b) {
        if (a.kind == CellValue::Text && b.kind == CellValue::Text && !a.isEmpty() && !b.isEmpty() && a.text != b.text)
            decided = false;
        return compareInStoredOrder(a, b);
    };
    std::stable_sort(rows.begin(), rows.end(), [&compare](const CellRow &a, const CellRow &b) {
        const int byDate = compare(a.value(0), b.value(0));
        return byDate != 0 ? byDate < 0 : compare(a.value(1), b.value(1)) < 0;
    });
    apply(rows, 0, {});
    return decided;
}

std::optional<Move> movedRow(const RowEdit &edit)
{
    const int n = int(edit.before.size());
    if (n < 2 || edit.after.size() != n)
        return std::nullopt;
    const auto shifted = [&](int afterFrom, int beforeFrom) {
        for (int i = 0; i < n - 1; ++i) {
            if (!sameCells(edit.after[afterFrom + i], edit.before[beforeFrom + i]))
                return false;
        }
        return true;
    };
    const int last = edit.firstRow + n - 1;
    if (sameCells(edit.after.first(), edit.before.last()) && shifted(1, 0))
        return Move{last, edit.firstRow};
    if (sameCells(edit.after.last(), edit.before.first()) && shifted(0, 1))
        return Move{edit.firstRow, last};
    return std::nullopt;
}

CellBlock missingFrom(const CellBlock &have, const CellBlock &meant)
{
    RowBag held(have);
    CellBlock missing;
    for (const CellRow &row : meant) {
        if (!row.value(0).isEmpty() && !held.take(row))
            missing << row;
    }
    return missing;
}

bool sameCells(const CellRow &a, const CellRow &b)
{
    const int size = qMax(a.size(), b.size());
    for (int i = 0; i < size; ++i) {
        if (!(a.value(i) == b.value(i)))
            return false;
    }
    return true;
}

} // namespace SheetRows
