// The office's session: its start work, its end, the hand-over, the rescue copy, and the recovery
// after it went away.
#include "diary.h"

#include "sheetrows.h"

#include "store/calcworkbook.h"
#include "store/rescuecopy.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"
#include "store/storeliterals.h"

using namespace SheetLayout;

void Diary::save()
{
    waitForSave();
    if (!m_book.officeAlive())
        throw StoreError(StoreError::OfficeGone, StoreLiterals::kOfficeGone);
    m_book.save();
    if (m_held.known())
        m_held.saved(m_held.held(), m_undo.newest());
}

void Diary::saveAtExit()
{
    m_save.settle();
    // The run ends: what the saves collected would say is said by this save, or its failure.
    m_save.dropNews();
    if (!m_book.officeAlive()) {
        const Recovery recovery = recover();
        if (recovery.notSaved)
            throw *recovery.notSaved;
        if (!recovery.lost.isEmpty())
            throw StoreError(StoreError::CannotSave,
                             QStringLiteral("Il foglio di calcolo si è chiuso prima di salvare tutti gli appuntamenti"));
        if (!recovery.rewritten.isEmpty())
            return;
    }
    save();
}

Diary::Recovery Diary::recover()
{
    m_save.settle();
    const CellBlock meant = m_held.held();
    // Only rows that were current when the office went: anything written to it some other way
    // since they were read is not ours to write again.
    const bool held = m_held.diskRead() && m_held.untouched();
    Recovery recovery;
    m_held.forget();
    m_book.recover();
    PrepareSheet(m_book);
    const CellBlock reopened = m_held.read();
    m_held.reopened(reopened);
    const SheetRows::RowEdit edit = held ? SheetRows::difference(reopened, meant, kFirstDataRow) : SheetRows::RowEdit();
    if (!edit.isEmpty()) {
        const CellBlock missing = SheetRows::missingFrom(reopened, meant);
        try {
            m_held.writeRows(edit.firstRow, edit.after);
            m_held.adopt(meant);
            recovery.rewritten = SheetRows::appointments(missing, 0);
        } catch (const StoreError &) {
            // What the disk has is what there is; the steps beyond it no longer apply.
            m_held.restore(reopened);
            recovery.lost = SheetRows::appointments(missing, 0);
            m_held.lost(recovery.lost);
            m_undo.dropNewerThan(m_held.savedStep());
        }
    }
    emit changed();
    if (m_held.known() && m_held.held().constData() != m_held.onDisk().constData()) {
        try {
            m_book.save();
            m_held.saved(m_held.held(), m_undo.newest());
        } catch (const StoreError &e) {
            recovery.notSaved = e;
        }
    }
    return recovery;
}

bool Diary::officeAlive() const
{
    return m_book.officeAlive();
}

QString Diary::path() const
{
    return m_book.path();
}

bool Diary::canBeShown() const
{
    return m_book.canBeShown();
}

void Diary::finishStart()
{
    waitForSave();
    // Off the window's thread too. A failure leaves the work due, and the save that runs it
    // first says what is wrong.
    m_save.lend([this](BackgroundSave::Outcome &) { m_book.runDeferred(); }, false, m_undo.newest(), {});
}

void Diary::handOver()
{
    waitForSave();
    m_book.handOver();
}

void Diary::close()
{
    waitForSave();
    m_book.close();
}

void Diary::quitOffice()
{
    waitForSave();
    m_book.quit();
}

QString Diary::storeRescueCopy() const
{
    return RescueCopy::store(m_book, kPassword);
}

SheetPrinting &Diary::printing()
{
    waitForSave();
    return m_book;
}
