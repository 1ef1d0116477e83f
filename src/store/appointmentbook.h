#pragma once

#include "cellvalue.h"

#include <QRect>
#include <QString>
#include <memory>

class OfficeProcess;

// The spreadsheet application together with the one workbook it holds for us.
// Rows and columns count from 1, as on the sheet; every cell operation acts on the first sheet.
// Every failure throws StoreError.
class AppointmentBook
{
public:
    struct SortKey
    {
        int column;  // 1 = A
        bool ascending = true;
    };

    AppointmentBook();
    // Closes the workbook without saving and ends the office, unless it was handed over.
    ~AppointmentBook();
    AppointmentBook(const AppointmentBook &) = delete;
    AppointmentBook &operator=(const AppointmentBook &) = delete;

    // Starts a hidden office of our own and connects to it.
    void start();
    bool isStarted() const;
    qint64 officePid() const;
    // False when the office could only start without a display: it can never be shown.
    bool canBeShown() const;

    // Opens the workbook with its open password. No question of the office ever reaches the
    // user: a wrong password, a lock or a damaged file fail with StoreError::CannotOpen.
    void open(const QString &path, const QString &password);
    // A new, empty workbook (for building the supplied one).
    void createNew();
    void saveAs(const QString &path, const QString &password);
    void save();
    void close();
    // Asks the office to quit and waits for it to end.
    void quit();
    // Shows the office with the workbook and lets it live on after this program.
    void handOver();

    CellValue cell(int row, int col) const;
    void setCell(int row, int col, const CellValue &value);
    // One call for the whole block, whatever its size. Numbers come back as Number.
    CellBlock readBlock(int firstRow, int firstCol, int lastRow, int lastCol) const;
    void writeBlock(int firstRow, int firstCol, const CellBlock &rows);
    // Number format codes use the English keywords (h, mm, DD, YYYY).
    void setNumberFormat(int firstRow, int firstCol, int lastRow, int lastCol, const QString &code);
    QString numberFormat(int row, int col) const;
    void setRowsHidden(int firstRow, int lastRow, bool hidden);
    bool isRowHidden(int row) const;
    // The last row of the first sheet holding content (0 when none does).
    int lastUsedRow() const;
    // The first empty cell of a column from a row down, read in one bulk call; 0 if none.
    int firstEmptyRow(int col, int fromRow, int toRow) const;
    void sortRows(int firstRow, int lastRow, int lastCol, const QVector<SortKey> &keys);

    void activateFirstSheet();
    int activeSheetIndex() const;  // 0 = first
    void select(int firstRow, int firstCol, int lastRow, int lastCol);
    QRect selection() const;  // x = column, y = row, both from 1
    // Fits every worksheet's used columns to their contents; a column of the first sheet never
    // gets narrower than minWidths[i] (1/100 mm) for column i + 1.
    void fitColumns(const QVector<int> &minWidths = {});
    int columnWidth(int col) const;
    int sheetCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
