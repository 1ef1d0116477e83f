#pragma once

#include "cellvalue.h"
#include "sheetprinting.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>

class OfficeProcess;

// The spreadsheet application together with the one workbook it holds for us.
// Rows and columns count from 1, as on the sheet; every cell operation acts on the first sheet.
// Every failure throws StoreError.
class CalcWorkbook : public SheetPrinting
{
public:
    struct SortKey
    {
        int column;  // 1 = A
        bool ascending = true;
    };

    CalcWorkbook();
    // Closes the workbook without saving and ends the office, unless it was handed over.
    ~CalcWorkbook();
    CalcWorkbook(const CalcWorkbook &) = delete;
    CalcWorkbook &operator=(const CalcWorkbook &) = delete;

    // Starts a hidden office of our own and connects to it. On failure no office is left running.
    void start();
    // Called every few milliseconds while start() waits for the office; what it throws ends the
    // start, with no office left running.
    void setWhileStarting(std::function<void()> tick);
    // This office is never handed over: the kernel ends it with the program, guard or no guard.
    // Call before start(), from the thread that will outlive the office.
    void tieOfficeToProgram();
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
    // Writes the open workbook to another file, leaving the open one where it is.
    void storeCopy(const QString &path, const QString &password) const;
    void save();
    // The workbook file opened, empty before.
    QString path() const;
    void close();
    // Asks the office to quit and waits for it to end.
    void quit();
    // Shows the office with the workbook and lets it live on after this program.
    void handOver();
    // False once the office process has ended.
    bool officeAlive();
    // Ends the office at once, whatever it is doing: one that stopped answering is taken for gone.
    void abandonOffice();
    // After the office went away: a new office, and the workbook reopened from its last save.
    void recover();

    // Office work on a thread of its own while the caller goes on: the sort and save of a large
    // workbook. Until finishBackground() collects it nothing else reaches the office: a call from
    // any other thread first runs the collector (the owner's, which calls finishBackground()), or
    // collects the work itself. Work still out is collected first.
    void startBackground(std::function<void()> work);
    // Waits for that work, at most the patience: an office that has not answered by then is taken
    // for gone and ended, which ends the work too. The work's failure comes through as StoreError.
    void finishBackground();
    bool inBackground() const;
    void setCollector(std::function<void()> collect);
    void setPatience(int msecs);

    // Counts the writes to cells, sorts and workbook loads made through this object, so that a
    // copy of the cells kept elsewhere can tell whether it is still current.
    quint64 contentVersion() const;

    CellValue cell(int row, int col) const;
    // One cell with the fewest calls and without its format (dates and times read as Number).
    // Reading rows this way one by one is what bulk reads replace; kept for measuring them.
    CellValue plainCell(int row, int col) const;
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
    // Row `from` (columns 1 to lastCol) taken out and put so that it ends in row `to`, the rows
    // between moving by one, formats with them: what a sort does when only that row is out of
    // place, without comparing the rows. The sheet's last row must be free.
    void moveRow(int from, int to, int lastCol);
    // Columns 1 to lastCol of the row taken out, the rows below moving up one: a deletion in
    // one call, however many rows follow.
    void removeRow(int row, int lastCol);
    // An empty row opened there, the rows below moving down one; the sheet's last row must be free.
    void insertEmptyRow(int row, int lastCol);

    void activateFirstSheet() override;
    int activeSheetIndex() const;  // 0 = first
    void select(int firstRow, int firstCol, int lastRow, int lastCol);
    QRect selection() const;  // x = column, y = row, both from 1
    // Fits every worksheet's used columns to their contents; a column of the first sheet never
    // gets narrower than minWidths[i] (1/100 mm) for column i + 1.
    void fitColumns(const QVector<int> &minWidths = {});
    // Work that only matters once the workbook leaves us: it runs once, before the next save,
    // hand-over, print or PDF export, or when runDeferred() is called. A recovery arms it again.
    void deferUntilOutput(std::function<void()> step);
    void runDeferred();
    bool hasDeferred() const;
    int columnWidth(int col) const;
    int sheetCount() const;
    // A new last sheet with these rows from A1, as a user may add one while the workbook is his.
    void addSheet(const QString &name, const CellBlock &rows);

    // Printing (see SheetPrinting)
    PageSetup pageSetup() const override;
    void setPrintArea(int firstRow, int firstCol, int lastRow, int lastCol) override;
    void setTitleRow(int row) override;
    void setCenterHeader(const QString &text) override;
    void setMargins(const Margins &margins) override;
    void setFitToPages(int wide, int tall) override;
    void setPrintGridlines(bool on) override;
    void setLandscape(bool landscape) override;
    void setPaperSize(const QSize &hundredthsMm) override;
    void setZoom(int percent) override;
    void printOut(const QString &printerName, int copies) override;
    void exportPdf(const QString &path) const override;

private:
    void runDeferredBeforeOutput();
    // Another thread wants the office while work lent out is not collected.
    void reclaim();

    struct Impl;
    // The engine's state, reached only by whoever holds the office now: every call goes through
    // here, so none can forget to wait for the work lent out.
    class Held
    {
    public:
        explicit Held(CalcWorkbook &book);
        ~Held();
        Impl *operator->() const;
        // Without waiting: for what the background work never touches (the process, the path).
        Impl *bare() const { return m_impl.get(); }

    private:
        CalcWorkbook &m_book;
        std::unique_ptr<Impl> m_impl;
    };
    Held d;
};
