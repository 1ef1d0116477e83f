#pragma once

#include "appointment.h"
#include "undohistory.h"

#include <QObject>
#include <QRect>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class CalcWorkbook;
class SheetPrinting;
class StoreError;

// The appointments of the open workbook and the rules about them. Every view, the insertion and
// the print job ask here; only this class and the sheet preparation know which row and column
// holds what. Store failures come through as StoreError.
//
// Adding one appointment is, in this order: EntryRules::check, freeRow(), write(), then the sort
// and the save. Each step can fail on its own, and the window says which one did.
//
// The stored rows are read from the office in one bulk read and then kept here, up to date after
// every write, sort, change, deletion and undo made through this class, so the views answer from
// memory. Anything written to the workbook some other way is noticed, and read again in bulk.
//
// Whoever writes, changed() says so once the rows held are current: the views, the busy days,
// the search and the reminders listen to it, not to the window that wrote.
//
// The window's writes are stored at once and saved off the window's thread, so that a save of a
// large workbook never holds the window: the office sorts and saves while the user goes on, and
// the views answer from the rows held. Whatever needs the office next waits for that save first.
// A save that fails is handed, on the window's thread, to whoever started it.
class Diary : public QObject
{
    Q_OBJECT

public:
    // Told on the window's thread when a save begun in the background ended: how it failed, or
    // nothing when it succeeded.
    using SaveEnded = std::function<void(const std::optional<StoreError> &failure)>;

    explicit Diary(CalcWorkbook &book, QObject *parent = nullptr);
    // Waits for a save still under way.
    ~Diary() override;

    // Reads the stored rows again, in one bulk read (at start-up).
    void reload();

    // Whether any appointment is stored: the first data row's date cell holds something.
    bool hasAny() const;
    // Every row from the first data row to the last used one whose date cell holds something.
    // Rows left empty among them by hand edits are skipped, so they never hide the rows below.
    Appointments stored() const;
    // The stored appointment in that sheet row; nothing when its date cell is empty.
    std::optional<Appointment> at(int row) const;
    // The appointments of one day, in the sheet's order.
    Appointments ofDay(const QDate &day) const;

    // The first row whose date cell is empty; 0 when the sheet is full.
    int freeRow() const;
    // Date, time and text into the row in one call. If that fails, the row is emptied again, so
    // no half appointment stays behind.
    void write(int row, const Appointment &appointment);
    // By date, then by time; equal ones keep their order, empty rows sink below.
    void sortByDate();
    void save();
    // The insertion's sort and save, in the background. When that save fails the appointment stays
    // in the open workbook, unless the office went with it.
    void sortAndSave(SaveEnded ended);

    // Waits for the save under way, if any, and tells whoever started it; every call that needs
    // the office does so first.
    void waitForSave();
    bool saving() const { return bool(m_pending); }

    // How many appointments fit below the last stored row.
    int freeRows() const;
    // The appointments below the last stored row in one write, then one sort and one save; one
    // undo takes them all back. More than freeRows() are refused with StoreError::OperationFailed,
    // naming how many rows are free, before anything is written. A failed write or sort is taken back; a failed save leaves
    // them in the open workbook, as an insertion's does, and the StoreError comes through.
    void insertAll(const Appointments &appointments);

    // Changes from elsewhere (a calendar server): the rows `going` leave, `coming` join, in one
    // write, one sort and one save. Not the user's to take back: the undo history stays as it is.
    // Refused as insertAll() is when they do not fit, or when a row holds no appointment.
    void exchange(const QVector<int> &going, const Appointments &coming);

    // The range that prints: the header row down to the last row with a date cell, so that an
    // empty row left by a hand edit does not cut the list short.
    QRect printRange() const;  // x = column, y = row, both from 1

    // After the office went away: a new office on the workbook as last saved, prepared again.
    void recover();

    // The session with the office, for the window's start and end and the hand-over.
    bool officeAlive() const;
    // The workbook file open, empty when none is.
    QString path() const;
    bool canBeShown() const;
    // Work the first frame does not need, begun in the background once the window is up.
    void finishStart();
    void handOver();
    void close();
    void quitOffice();
    // The open workbook stored to the user's data folder; its path, or empty when that failed too.
    QString storeRescueCopy() const;
    // What the print job needs of the engine.
    SheetPrinting &printing();

    // Changing and deleting a stored appointment, and taking that back. Each is written, sorted
    // where needed, and saved; when any step fails, what was written is put back, so the open
    // workbook is as it was, and the StoreError comes through. A row without an appointment is
    // refused with StoreError::OperationFailed before anything is written.
    //
    // Given `ended`, the write comes through here and the sort and save go on in the background:
    // when they fail, the write is put back before `ended` is told. Without it, the call waits.
    //
    // The appointment in that row gets these values; then by date and time, and saved.
    void replace(int row, const Appointment &appointment, SaveEnded ended);
    void replace(int row, const Appointment &appointment);
    // The row goes, and the rows below move up one, in one write; then saved.
    void remove(int row, SaveEnded ended);
    void remove(int row);
    // Whether there is a change, deletion or series of this run to take back.
    bool canUndo() const { return !m_undo.isEmpty(); }
    // The date cell of the appointment the next undo puts back (empty when there is none).
    CellValue undoDate() const { return m_undo.isEmpty() ? CellValue() : m_undo.last().old.value(0); }
    // Takes back the last change or deletion not yet taken back: the rows hold what they held
    // before it, or, when an insertion moved them since, the appointment is as it was.
    void undo(SaveEnded ended);
    void undo();

    // How many appointments the sheet can hold.
    static int capacity();

signals:
    // The stored appointments changed: a write, a sort, a change, a deletion, an undo, a bulk
    // insertion, a recovery, or a failed one of these put back.
    void changed();

private:
    struct PendingSave;
    struct SaveOutcome;

    void writeOne(int row, const Appointment &appointment);
    void replaceOne(int row, const Appointment &appointment, SaveEnded ended);
    void removeOne(int row, SaveEnded ended);
    void undoLast(SaveEnded ended);
    // What the office still has to do to hold the rows in the order the rows held already have.
    struct Reorder
    {
        enum Kind { Nothing, MoveOne, Sort } kind = Nothing;
        int from = 0, to = 0;  // MoveOne: the sheet row it leaves and the one it ends in
    };
    // Starts the office's reordering and save on a thread of its own. A failure runs takeBack,
    // if given, before `ended` hears of it; without takeBack a failed sort is no failure.
    void saveInBackground(Reorder reorder, std::function<void()> takeBack, SaveEnded ended);
    // Office work on a thread of its own, collected by waitForSave().
    void inBackground(std::function<void(SaveOutcome &)> work, std::function<void()> takeBack, SaveEnded ended);
    // Runs a background write and waits for it: its failure comes through as StoreError.
    template <typename Start>
    void waiting(Start start);
    // The rows held put in the sort's order, and what the office has left to do for it; when
    // only the office could say the order, it sorts at once and the rows are read again.
    Reorder sortHeld();
    // Runs a write and says changed() after it, whether it succeeded or was put back.
    template <typename Write>
    void announcing(Write write);
    int lastDatedRow() const;
    // The sheet row of the first of these rows without a date, or the one below them all.
    static int firstUndated(const CellBlock &rows);
    // The copy of the rows, read again if something else wrote to the workbook.
    const CellBlock &rows() const;
    // The copy now matches the workbook, which holds these rows.
    void adopt(const CellBlock &rows) const;
    void requireAppointment(int row) const;
    // Refuses a bulk write of `needed` rows where only `free` are left, before anything is written.
    static void requireRoom(int free, int needed);
    // Date, time and text into the row in one write, the date with its format.
    void writeRow(int row, const CellRow &cells);
    // The office sorts; the rows held follow by the same rule.
    void sortAndFollow();
    // An undo's rows written back: a deleted row reopened in one call where the sheet allows.
    void putBack(const SheetRows::RowEdit &back, const UndoStep &step);
    // After a failed step: the workbook's rows made those again, if the office is still there.
    void restore(const CellBlock &rows);

    CalcWorkbook &m_book;
    mutable CellBlock m_rows;
    mutable Appointments m_stored;
    mutable quint64 m_version = 0;
    mutable bool m_known = false;
    UndoHistory m_undo;
    std::unique_ptr<PendingSave> m_pending;
    quint64 m_saves = 0;
};
