#include "handover.h"

#include "domain/diary.h"
#include "services/prompter.h"
#include "services/storefailure.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"

namespace {
const QString kDatabase = QStringLiteral("il database ") + SheetLayout::kFileName;
const QString kStillOpen = QStringLiteral("Il programma resta aperto con tutti gli appuntamenti.");
}

QString HandOver::saveFailedMessage(const QString &reason)
{
    return QStringLiteral("Impossibile salvare %1: non viene aperto nel foglio di calcolo.\n").arg(kDatabase)
           + reason + QLatin1Char('\n') + kStillOpen;
}

QString HandOver::noDisplayMessage()
{
    return QStringLiteral("Impossibile mostrare %1 nel foglio di calcolo: il foglio di "
                          "calcolo è stato avviato senza schermo e non può essere mostrato.\n")
               .arg(kDatabase)
           + kStillOpen;
}

QString HandOver::showFailedMessage(const QString &reason)
{
    return QStringLiteral("Impossibile mostrare %1 nel foglio di calcolo.\n").arg(kDatabase) + reason
           + QLatin1Char('\n') + kStillOpen;
}

bool HandOver::run()
{
    // No prompt of the office can reach the user here: every question it asks while we
    // hold the workbook is refused by our own handler, so there is nothing to switch off.
    try {
        m_diary.save();
    } catch (const StoreError &e) {
        m_prompter.message(saveFailedMessage(e.description()));
        // An office that went away is replaced on the last save, so the diary goes on.
        m_storeFailure.recoverIfGone(e);
        return false;
    }
    if (!m_diary.canBeShown()) {
        m_prompter.message(noDisplayMessage());
        return false;
    }
    try {
        m_diary.handOver();
    } catch (const StoreError &e) {
        m_prompter.message(showFailedMessage(e.description()));
        return false;
    }
    return true;
}
