#include "insertion.h"

#include "datelimits.h"
#include "entryfields.h"
#include "sortbydate.h"

#include "shell/form1.h"
#include "shell/prompter.h"
#include "shell/regional.h"
#include "shell/storefailure.h"
#include "store/appointmentbook.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>

using namespace SheetLayout;

namespace {

const QString kUsage = QStringLiteral("Usare la forma: 09.30");

} // namespace

void Insertion::run()
{
    Entry entry;
    if (!check(entry))
        return;
    if (store(entry) == 0)
        return;
    // Confirmed only once it is saved, or at least in the open workbook: never for a lost one,
    // whose text stays in the fields for the next click.
    QString saveTrouble;
    if (!sortAndSave(saveTrouble))
        return;
    m_form.prompter().message(QStringLiteral("Inserimento avvenuto"));
    EntryFields::clearEntryArea(m_form);
    if (!saveTrouble.isEmpty())
        m_form.prompter().message(
            QStringLiteral("Attenzione: l'appuntamento è nella cartella aperta ma non è ancora salvato su disco.\n"
                           "Verrà salvato al prossimo salvataggio.\n")
            + saveTrouble);
}

bool Insertion::check(Entry &entry)
{
    const QString timeText = m_form.Text2->text();
    const QString dateText = m_form.Text1->text();
    if (!timeText.contains(QLatin1Char('.'))) {
        refuse(QStringLiteral("Orario non corretto. Scritto senza il punto"), m_form.Text2);
        return false;
    }
    if (timeText.size() < 4 || timeText.size() > 5) {
        refuse(QStringLiteral("Orario scritto errato.\n") + kUsage, m_form.Text2);
        return false;
    }
    if (dateText.isEmpty()) {
        m_form.prompter().message(QStringLiteral("Devi scegliere la data"));
        return false;
    }
    entry.text = m_form.Text3->text();
    if (entry.text.isEmpty())
        return false;
    if (!checkText(entry.text))
        return false;
    // A value that does not convert would leave a row with an empty cell, or an invisible one.
    entry.time = Regional::parseTime(timeText);
    if (!entry.time.isValid()) {
        refuse(QStringLiteral("Orario inesistente: %1\n").arg(timeText) + kUsage, m_form.Text2);
        return false;
    }
    entry.date = Regional::parseDate(dateText);
    if (!entry.date.isValid()) {
        refuse(QStringLiteral("Data inesistente: %1\nUsare la forma: %2")
                   .arg(dateText, Regional::dateText(QDate(2009, 5, 25))),
               m_form.Text1);
        return false;
    }
    if (!DateLimits::isAccepted(entry.date)) {
        refuse(DateLimits::tooEarlyMessage(dateText), m_form.Text1);
        return false;
    }
    return true;
}

int Insertion::store(const Entry &entry)
{
    int row = 0;
    try {
        m_form.book().activateFirstSheet();
        row = m_form.book().firstEmptyRow(kDateColumn, kFirstDataRow, kLastRow);
    } catch (const StoreError &e) {
        m_form.prompter().message(QStringLiteral("Appuntamento non inserito: impossibile trovare una riga libera.\n")
                                  + e.description());
        recoverIfGone(e);
        return 0;
    }
    if (row == 0) {
        m_form.prompter().message(QStringLiteral("Appuntamento non inserito: il foglio è pieno.\n"
                                                 "Non c'è posto per altri appuntamenti (al massimo %1).")
                                      .arg(kLastRow - kFirstDataRow + 1));
        return 0;
    }
    try {
        // The format first, then the three values in one call: a failure cannot leave half a row.
        m_form.book().setNumberFormat(row, kDateColumn, row, kDateColumn, kDateFormat);
        m_form.book().writeBlock(row, kDateColumn,
                                 {{CellValue::fromDate(entry.date), CellValue::fromTime(entry.time),
                                   CellValue::fromText(entry.text)}});
    } catch (const StoreError &e) {
        try {
            for (int col = kDateColumn; col <= kTextColumn; ++col)
                m_form.book().setCell(row, col, CellValue::empty());
        } catch (const StoreError &) {
            // The office refuses everything: nothing more can be written, nor half of it.
        }
        m_form.prompter().message(QStringLiteral("Appuntamento non inserito: scrittura non riuscita.\n")
                                  + e.description());
        recoverIfGone(e);
        return 0;
    }
    return row;
}

bool Insertion::sortAndSave(QString &saveTrouble)
{
    try {
        SortByDate(m_form.book());
    } catch (const StoreError &) {
        // An unsorted but complete block is still readable; the save matters more.
    }
    try {
        m_form.book().save();
    } catch (const StoreError &e) {
        if (!m_form.book().officeAlive()) {
            // The open workbook went with the office: the appointment is lost, not pending.
            m_form.prompter().message(QStringLiteral("Appuntamento non salvato.\n") + e.description());
            recoverIfGone(e);
            return false;
        }
        saveTrouble = e.description();
    }
    return true;
}

bool Insertion::checkText(const QString &text)
{
    // What one cell of a 97-2003 workbook holds.
    constexpr int kCellLimit = 32767;
    if (text.size() > kCellLimit) {
        refuse(QStringLiteral("Testo troppo lungo: %1 caratteri.\nUn appuntamento ne può avere al massimo %2.")
                   .arg(text.size())
                   .arg(kCellLimit),
               m_form.Text3);
        return false;
    }
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c.isNonCharacter()
            || (c.isSurrogate() && !QStringView(text).isValidUtf16())) {
            refuse(QStringLiteral("Il testo contiene caratteri di controllo che non si possono memorizzare.\n"
                                  "Riscrivere il testo senza di essi."),
                   m_form.Text3);
            return false;
        }
    }
    return true;
}

void Insertion::recoverIfGone(const StoreError &error)
{
    // A new office on the last saved workbook lets the user simply insert again.
    if (OfficeIsGone(m_form.book(), error))
        HandleStoreFailure(m_form.book(), m_form.prompter(), error);
}

void Insertion::refuse(const QString &message, QLineEdit *field)
{
    m_form.prompter().message(message);
    field->setFocus();
    field->setSelection(0, field->text().size());
}
