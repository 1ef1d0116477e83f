#pragma once

#include "appointment.h"
#include "backgroundsave.h"
#include "heldrows.h"
#include "rowwrites.h"
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
// the print job ask here; only the rows held, the writes and the sheet preparation know which row
// and column holds what. Store failures come through as StoreError.
//
// Its rooms: the rows held (HeldRows: what the workbook is meant to hold, read in bulk and kept
// current, outliving an office that went away), the background save (BackgroundSave), the writes
// and their undo (here, each kind planned by RowWrites), and the office's session (start work,
// recovery, hand-over, close, rescue copy: diarysession.cpp).
//
// Whoever writes, changed() says so once the rows held are current: the views, the busy days,
// the search and the reminders listen to it, not to the window that wrote.
//
// Every write goes one way (commit()): the save under way ends first; the write is planned from
// the rows before it, made in the open workbook and in the rows held, or, when it fails there,
// taken back whole; its undo step is kept; then the office puts the rows in order and saves them
// off the window's thread. A save that fails takes nothing back: the write stays in the open
// workbook for the next save, and whoever made it is told, on the window's thread, once the save
// is collected.
class Diary : public QObject
{
    Q_OBJECT

public:
    // Told on the window's thread how a write's save ended: nothing when it reached the disk.
    // Otherwise the write still stands, in the open workbook until the next save, or, when the
    // office went with it, in the rows held until the recovery writes it again.
    using SaveEnded = BackgroundSave::Ended;

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
    void waitForSave() { m_save.waitForSave(); }
    bool saving() const { return m_save.pending(); }

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
    // What the office still has to do to hold the rows in the order the rows held already have.
    struct Reorder
    {
        enum Kind { Nothing, MoveOne, Sort } kind = Nothing;
        int from = 0, to = 0;  // MoveOne: the sheet row it leaves and the one it ends in
    };
    // The one road of a write: planned from the rows before it, carried out in the open workbook
    // and the rows held, its undo step kept once it holds, then put in order and saved.
    void commit(const std::function<RowWrite(const CellBlock &before)> &plan, SaveEnded ended);
    void carryOut(const RowWrite &write);
    // Runs a write with a save of its own and waits for it: its failure comes through as StoreError.
    void waiting(const std::function<void(SaveEnded)> &start);
    // Starts the office's reordering and save on a thread of its own.
    void saveInBackground(Reorder reorder, SaveEnded ended);
    // The rows held put in the sort's order, and what the office has left to do for it; when
    // only the office could say the order, it sorts at once and the rows are read again.
    Reorder sortHeld();
    // The office sorts; the rows held follow by the same rule.
    void sortAndFollow();
    // The rows held, once the save under way has ended unless they are known meanwhile.
    const CellBlock &rows() const;

    CalcWorkbook &m_book;
    HeldRows m_held;
    UndoHistory m_undo;
    mutable BackgroundSave m_save;
};
