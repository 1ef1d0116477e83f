// Cells of the first sheet: one at a time, in blocks, their formats, rows and sorting.

#include "calcworkbook_p.h"

#include "storeliterals.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangeMovement.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/TableSortField.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <com/sun/star/util/XSortable.hpp>


CellValue CalcWorkbook::cell(int row, int col) const
{
    CellValue v = plainCell(row, col);
    if (!v.isNumeric())
        return v;
    return d->call("lettura", [&] {
        sal_Int32 key = 0;
        Reference<beans::XPropertySet>(d->range(row, col, row, col), UNO_QUERY_THROW)->getPropertyValue("NumberFormat") >>= key;
        Reference<util::XNumberFormatsSupplier> supplier(d->document, UNO_QUERY_THROW);
        sal_Int16 type = 0;
        supplier->getNumberFormats()->getByKey(key)->getPropertyValue("Type") >>= type;
        if (type & util::NumberFormat::DATE)
            v.kind = CellValue::Date;
        else if (type & util::NumberFormat::TIME)
            v.kind = CellValue::Time;
        return v;
    });
}

CellValue CalcWorkbook::plainCell(int row, int col) const
{
    return d->call("lettura", [&] {
        Reference<table::XCell> c = d->firstSheet()->getCellByPosition(col - 1, row - 1);
        switch (c->getType()) {
        case table::CellContentType_EMPTY:
            return CellValue::empty();
        case table::CellContentType_TEXT:
            return CellValue::fromText(fromOU(Reference<text::XText>(c, UNO_QUERY_THROW)->getString()));
        default:
            return CellValue::fromNumber(c->getValue());
        }
    });
}

void CalcWorkbook::setCell(int row, int col, const CellValue &value)
{
    ++d->contentVersion;
    d->call("scrittura", [&] {
        Reference<table::XCell> c = d->firstSheet()->getCellByPosition(col - 1, row - 1);
        switch (value.kind) {
        case CellValue::Empty:
            c->setFormula(OUString());
            break;
        case CellValue::Text:
            Reference<text::XText>(c, UNO_QUERY_THROW)->setString(toOU(value.text));
            break;
        case CellValue::Date:
        case CellValue::Time: {
            const sal_Int32 key = d->formatKey(value.kind == CellValue::Date ? StoreLiterals::kDateFormat
                                                                             : StoreLiterals::kTimeFormat);
            Reference<beans::XPropertySet>(c, UNO_QUERY_THROW)->setPropertyValue("NumberFormat", uno::Any(key));
            c->setValue(value.number);
            break;
        }
        case CellValue::Number:
            c->setValue(value.number);
            break;
        }
    });
}

namespace {

// Rows asked of the office per call. The office's answer arrives whole, as a sequence of
// sequences of anys about as large again as the cells made of it: read in one call, 65,000 rows
// had both alive at once. In slices, only one slice's answer is; the calls cost nothing beside it.
constexpr int kRowsPerRead = 4096;

void appendCells(CellBlock &out, const Sequence<Sequence<uno::Any>> &rows)
{
    for (const Sequence<uno::Any> &row : rows) {
        CellRow cells;
        cells.reserve(row.getLength());
        for (const uno::Any &any : row) {
            double number;
            OUString text;
            if (any >>= number)
                cells << CellValue::fromNumber(number);
            else if ((any >>= text) && !text.isEmpty())
                cells << CellValue::fromText(fromOU(text));
            else
                cells << CellValue::empty();
        }
        out << cells;
    }
}

} // namespace

CellBlock CalcWorkbook::readBlock(int firstRow, int firstCol, int lastRow, int lastCol) const
{
    CellBlock out;
    if (lastRow < firstRow || lastCol < firstCol)
        return out;
    return d->call("lettura", [&] {
        out.reserve(lastRow - firstRow + 1);
        for (int from = firstRow; from <= lastRow; from += kRowsPerRead) {
            const int to = qMin(lastRow, from + kRowsPerRead - 1);
            Reference<sheet::XCellRangeData> data(d->range(from, firstCol, to, lastCol), UNO_QUERY_THROW);
            appendCells(out, data->getDataArray());
        }
        return out;
    });
}

void CalcWorkbook::writeBlock(int firstRow, int firstCol, const CellBlock &rows)
{
    if (rows.isEmpty() || rows.first().isEmpty())
        return;
    const int width = rows.first().size();
    ++d->contentVersion;
    d->call("scrittura", [&] {
        Sequence<Sequence<uno::Any>> data(rows.size());
        auto *out = data.getArray();
        for (int r = 0; r < rows.size(); ++r) {
            Sequence<uno::Any> row(width);
            auto *cells = row.getArray();
            for (int c = 0; c < width; ++c) {
                const CellValue &v = rows[r].value(c);
                if (v.isNumeric())
                    cells[c] <<= v.number;
                else
                    cells[c] <<= toOU(v.text);
            }
            out[r] = row;
        }
        Reference<sheet::XCellRangeData>(
            d->range(firstRow, firstCol, firstRow + rows.size() - 1, firstCol + width - 1), UNO_QUERY_THROW)
            ->setDataArray(data);
    });
}

void CalcWorkbook::setNumberFormat(int firstRow, int firstCol, int lastRow, int lastCol, const QString &code)
{
    d->call("formato", [&] {
        Reference<beans::XPropertySet>(d->range(firstRow, firstCol, lastRow, lastCol), UNO_QUERY_THROW)
            ->setPropertyValue("NumberFormat", uno::Any(d->formatKey(code)));
    });
}

QString CalcWorkbook::numberFormat(int row, int col) const
{
    return d->call("formato", [&] {
        sal_Int32 key = 0;
        Reference<beans::XPropertySet>(d->range(row, col, row, col), UNO_QUERY_THROW)
                ->getPropertyValue("NumberFormat") >>= key;
        Reference<util::XNumberFormatsSupplier> supplier(d->document, UNO_QUERY_THROW);
        OUString code;
        supplier->getNumberFormats()->getByKey(key)->getPropertyValue("FormatString") >>= code;
        return fromOU(code);
    });
}

void CalcWorkbook::setRowsHidden(int firstRow, int lastRow, bool hidden)
{
    d->call("righe", [&] {
        Reference<table::XColumnRowRange> rr(d->range(firstRow, 1, lastRow, 1), UNO_QUERY_THROW);
        Reference<beans::XPropertySet>(rr->getRows(), UNO_QUERY_THROW)
            ->setPropertyValue("IsVisible", uno::Any(!hidden));
    });
}

bool CalcWorkbook::isRowHidden(int row) const
{
    return d->call("righe", [&] {
        Reference<table::XColumnRowRange> rr(d->range(row, 1, row, 1), UNO_QUERY_THROW);
        bool visible = true;
        Reference<beans::XPropertySet>(rr->getRows(), UNO_QUERY_THROW)->getPropertyValue("IsVisible") >>= visible;
        return !visible;
    });
}

int CalcWorkbook::lastUsedRow() const
{
    return d->call("area usata", [&] {
        Reference<sheet::XSpreadsheet> sheet = d->firstSheet();
        Reference<sheet::XSheetCellCursor> cursor = sheet->createCursor();
        Reference<sheet::XUsedAreaCursor> used(cursor, UNO_QUERY_THROW);
        used->gotoStartOfUsedArea(false);
        used->gotoEndOfUsedArea(true);
        const table::CellRangeAddress a = addressOf(cursor);
        if (a.EndRow == 0 && a.EndColumn == 0 && sheet->getCellByPosition(0, 0)->getType() == table::CellContentType_EMPTY)
            return 0;
        return a.EndRow + 1;
    });
}

int CalcWorkbook::firstEmptyRow(int col, int fromRow, int toRow) const
{
    const int last = qMin(toRow, lastUsedRow() + 1);
    if (last < fromRow)
        return fromRow <= toRow ? fromRow : 0;
    const CellBlock block = readBlock(fromRow, col, last, col);
    for (int i = 0; i < block.size(); ++i) {
        if (block[i].value(0).isEmpty())
            return fromRow + i;
    }
    return 0;
}

void CalcWorkbook::moveRow(int from, int to, int lastCol)
{
    if (from == to)
        return;
    ++d->contentVersion;
    d->call("spostamento", [&] {
        Reference<sheet::XCellRangeMovement> sheet(d->firstSheet(), UNO_QUERY_THROW);
        const auto row = [&](int r) { return table::CellRangeAddress(0, 0, r - 1, lastCol - 1, r - 1); };
        // A gap opened where the row goes, the row moved into it, and its old place closed.
        const int gap = to < from ? to : to + 1;
        const int moved = to < from ? from + 1 : from;
        sheet->insertCells(row(gap), sheet::CellInsertMode_DOWN);
        sheet->moveRange(table::CellAddress(0, 0, gap - 1), row(moved));
        sheet->removeRange(row(moved), sheet::CellDeleteMode_UP);
    });
}

void CalcWorkbook::removeRow(int row, int lastCol)
{
    ++d->contentVersion;
    d->call("eliminazione", [&] {
        Reference<sheet::XCellRangeMovement>(d->firstSheet(), UNO_QUERY_THROW)
            ->removeRange(table::CellRangeAddress(0, 0, row - 1, lastCol - 1, row - 1), sheet::CellDeleteMode_UP);
    });
}

void CalcWorkbook::insertEmptyRow(int row, int lastCol)
{
    ++d->contentVersion;
    d->call("inserimento", [&] {
        Reference<sheet::XCellRangeMovement>(d->firstSheet(), UNO_QUERY_THROW)
            ->insertCells(table::CellRangeAddress(0, 0, row - 1, lastCol - 1, row - 1), sheet::CellInsertMode_DOWN);
    });
}

void CalcWorkbook::sortRows(int firstRow, int lastRow, int lastCol, const QVector<SortKey> &keys)
{
    ++d->contentVersion;
    d->call("ordinamento", [&] {
        Reference<util::XSortable> sortable(d->range(firstRow, 1, lastRow, lastCol), UNO_QUERY_THROW);
        Sequence<table::TableSortField> fields(keys.size());
        for (int i = 0; i < keys.size(); ++i) {
            fields[i].Field = keys[i].column - 1;
            fields[i].IsAscending = keys[i].ascending;
            fields[i].IsCaseSensitive = false;
            fields[i].FieldType = table::TableSortFieldType_AUTOMATIC;
        }
        Sequence<beans::PropertyValue> desc(3);
        desc[0] = prop("SortFields", uno::Any(fields));
        desc[1] = prop("ContainsHeader", uno::Any(false));
        desc[2] = prop("IsSortColumns", uno::Any(false));
        sortable->sort(desc);
    });
}
