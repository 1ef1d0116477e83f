#pragma once

#include "appointment.h"
#include "undohistory.h"

#include "store/storeerror.h"

#include <QObject>
#include <QRect>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class CalcWorkbook;
class SheetPrinting;

// The appointments of the open workbook and the rules about them. Every view, the insertion and
// the print job ask here; only this class and the sheet preparation know which row and column
// holds what. Store failures come through as StoreError.
//
// The stored rows are read from the office in one bulk read and then kept here, up to date after
// every write made through this class, so the views answer from memory. Anything written to the
// workbook some other way is noticed, and read again in bulk. The rows held are what the workbook
// is meant to hold: every write that went through stands in them, saved or not, and when the
// office goes away they outlive it, and the recovery writes again what its last save lacked.
//
// Whoever writes, changed() says so once the rows held are current: the views, the busy days,
// the search and the reminders listen to it, not to the window that wrote.
//
// Every write of the window's goes one way (commit()): the save under way ends first; the write
// is made in the open workbook and in the rows held, or, when it fails there, taken back whole;
// then the office puts the rows in order and saves them off the window's thread, so that the save
// of a large workbook never holds the window. The office is lent to that thread alone: nothing
// else reaches it until the save is collected. A save that fails takes nothing back: the write
// stays in the open workbook for the next save, and whoever made it is told, on the window's
// thread, once the save is collected.
class Diary : public QObject
{
    Q_OBJECT

public:
    // Told on the window's thread how a write's save ended: nothing when it reached the disk.
    // Otherwise the write still stands, in the open workbook until the next save, or, when the
    // office went with it, in the rows held until the recovery writes it again.
    using SaveEnded = std::function<void(const std::optional<StoreError> &failure)>;

    // What a recovery did with the appointments its workbook, reopened from disk, lacked.
    struct Recovery
    {
        Appointments rewritten;              // written into it again
        std::optional<StoreError> notSaved;  // and why saving them failed, if it did
        Appointments lost;                   // could not be written again
    };

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
    // The same, once the save under way has ended: what output reads (print, files, a server).
    Appointments settled();
    // As the workbook on disk holds them: what the start read, or the last save wrote.
    Appointments saved() const;
    // Held but not on disk: written since the last save that succeeded, or not written again
    // after the office went away.
    Appointments unsaved() const;
    bool hasUnsavedWrites() const;
    // The stored appointment in that sheet row; nothing when its date cell is empty.
    std::optional<Appointment> at(int row) const;
    // The appointments of one day, in the sheet's order.
    Appointments ofDay(const QDate &day) const;

    // The first row whose date cell is empty; 0 when the sheet is full.
    int freeRow() const;
    // A typed appointment into that free row; then in order, and saved in the background. When
    // the office went away before the save could begin, the appointment goes with it: refused
    // with StoreError::OfficeGone, for the user to insert again.
    void insert(int row, const Appointment &appointment, SaveEnded ended);
    // Date, time and text into the row in one call, nothing more. If that fails, the row is
    // emptied again, so no half appointment stays behind.
    void write(int row, const Appointment &appointment);
    // By date, then by time; equal ones keep their order, empty rows sink below.
    void sortByDate();
    // The open workbook to disk, now; throws when the office is gone.
    void save();
    // What the run leaves on disk at its end: the save under way ends; when the office went away,
    // a new one writes again what its last save lacked; then saved. Nobody is told on the way.
    void saveAtExit();

    // Waits for the save under way, if any, and tells whoever started it; every call that needs
    // the office does so first, and the office is lent to no one else meanwhile.
    void waitForSave();
    bool saving() const { return bool(m_pending); }

    // How many appointments fit below the last stored row.
    int freeRows() const;
    // The appointments below the last stored row in one write, then in order and saved; one undo
    // takes them all back. More than freeRows() are refused with StoreError::OperationFailed,
    // naming how many rows are free, before anything is written. Without `ended` the call waits,
    // and a failed save comes through as StoreError, the appointments staying in the open workbook.
    void insertAll(const Appointments &appointments, SaveEnded ended);
    void insertAll(const Appointments &appointments);

    // Changes from elsewhere (a calendar server): the rows `going` leave, `coming` join, in one
    // write, then in order and saved. Not the user's to take back: the undo history stays as it
    // is. Refused as insertAll() is when they do not fit, or when a row holds no appointment.
    void exchange(const QVector<int> &going, const Appointments &coming, SaveEnded ended);
    void exchange(const QVector<int> &going, const Appointments &coming);

    // The range that prints: the header row down to the last row with a date cell, so that an
    // empty row left by a hand edit does not cut the list short.
    QRect printRange() const;  // x = column, y = row, both from 1

    // After the office went away: a new office on the workbook as last saved, prepared again, and
    // what that lacks of the rows held written into it again and saved. Throws when no office
    // starts.
    Recovery recover();

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

    // Changing and deleting a stored appointment, and taking that back. A row without an
    // appointment is refused with StoreError::OperationFailed before anything is written; a write
    // that fails is taken back whole. Given `ended`, the sort and save go on in the background;
    // without it, the call waits and a failed save comes through as StoreError.
    //
    // The appointment in that row gets these values; then by date and time, and saved.
    void replace(int row, const Appointment &appointment, SaveEnded ended);
    void replace(int row, const Appointment &appointment);
    // The row goes, and the rows below move up one, in one write; then saved.
    void remove(int row, SaveEnded ended);
    void remove(int row);
    // Whether there is an insertion, change, deletion, series or import of this run to take back.
    bool canUndo() const { return !m_undo.isEmpty(); }
    // The step the next undo takes back (0 when there is none), and the date cell of the
    // appointment it puts back or, for one insertion, takes away (empty for a batch).
    quint64 nextUndo() const { return m_undo.newest(); }
    CellValue undoDate() const;
    // Takes back that step, if it is still the last one not taken back: the rows hold what they
    // held before it, or, when other rows moved them since, the appointment is as it was. Any
    // other step is refused with StoreError::OperationFailed, nothing taken back.
    void undo(quint64 step, SaveEnded ended);
    void undo();

    // How many appointments the sheet can hold.
    static int capacity();

signals:
    // The stored appointments changed: a write, a sort, a change, a deletion, an undo, a bulk
    // insertion, a recovery, or a failed one of these taken back.
    void changed();

private:
    struct PendingSave;
    struct SaveOutcome;

    // What the office still has to do to hold the rows in the order the rows held already have.
    struct Reorder
    {
        enum Kind { Nothing, MoveOne, Sort } kind = Nothing;
        int from = 0, to = 0;  // MoveOne: the sheet row it leaves and the one it ends in
    };
    // The one road of a write: `write` changes the open workbook and the rows held (from the rows
    // before it) and says whether they must be put in order; `record` keeps the undo history once
    // the write holds; then the save in the background.
    void commit(const std::function<bool(const CellBlock &before)> &write, const std::function<void()> &record,
                SaveEnded ended);
    // Runs a write with a save of its own and waits for it: its failure comes through as StoreError.
    void waiting(const std::function<void(SaveEnded)> &start);
    // Office work on a thread of its own, collected by settle(); `saves`: it writes the disk.
    void lend(const std::function<void(SaveOutcome &)> &work, bool saves, SaveEnded ended);
    // Starts the office's reordering and save on a thread of its own.
    void saveInBackground(Reorder reorder, SaveEnded ended);
    // Collects the save under way: the rows held and the disk's follow its outcome, and the news
    // for whoever started it waits to be told.
    void settle();
    // Tells whoever started the saves collected how they ended.
    void tellNews();
    // The rows held put in the sort's order, and what the office has left to do for it; when
    // only the office could say the order, it sorts at once and the rows are read again.
    Reorder sortHeld();
    int lastDatedRow() const;
    // The sheet row of the first of these rows without a date, or the one below them all.
    static int firstUndated(const CellBlock &rows);
    // The copy of the rows, read again if something else wrote to the workbook.
    const CellBlock &rows() const;
    CellBlock readRows() const;
    // The copy now matches the workbook, which holds these rows.
    void adopt(const CellBlock &rows) const;
    // These are the rows meant, the office's workbook aside (it went away).
    void mean(const CellBlock &rows) const;
    void requireAppointment(int row) const;
    // Refuses a bulk write of `needed` rows where only `free` are left, before anything is written.
    static void requireRoom(int free, int needed);
    // Rows written in one call from that row on, their dates with the date format.
    void writeRows(int firstRow, const CellBlock &cells);
    // Date, time and text into the row in one write; the rows held follow.
    void writeRow(int row, const CellRow &cells);
    // The office sorts; the rows held follow by the same rule.
    void sortAndFollow();
    // An undo's write; whether the rows must be put in order after it.
    bool undoLast(const UndoStep &step, const CellBlock &before);
    // An undo's rows written back: a deleted row reopened in one call where the sheet allows.
    void putBack(const SheetRows::RowEdit &back, const UndoStep &step);
    // After a failed write: the workbook's rows made those again, if the office is still there.
    void restore(const CellBlock &rows);

    CalcWorkbook &m_book;
    mutable CellBlock m_rows;
    mutable Appointments m_stored;
    mutable quint64 m_version = 0;
    // The open workbook holds m_rows (as of m_version).
    mutable bool m_known = false;
    // The disk: what the start read or the last save wrote, and the newest undo step in it.
    mutable CellBlock m_onDisk;
    mutable bool m_diskRead = false;
    quint64 m_savedStep = 0;
    // Held once, and not written again after the office went away: only the user can.
    Appointments m_lost;
    UndoHistory m_undo;
    std::unique_ptr<PendingSave> m_pending;
    // Whoever started the saves collected, each to be told how the save ended.
    QVector<std::function<void()>> m_news;
    bool m_newsPosted = false;
    quint64 m_saves = 0;
};
