#include "storefailure.h"

#include "errorreport.h"
#include "prompter.h"
#include "domain/diary.h"
#include "store/storeerror.h"

bool StoreFailure::officeGone(const StoreError &error) const
{
    return error.number() == StoreError::OfficeGone || !m_diary.officeAlive();
}

bool StoreFailure::recoverIfGone(const StoreError &error)
{
    if (!officeGone(error))
        return false;
    m_prompter.message(QStringLiteral("Il foglio di calcolo si è chiuso in modo imprevisto.\n"
                                      "Viene riavviato con gli appuntamenti dell'ultimo salvataggio."),
                       Prompter::Icon::Information);
    try {
        m_diary.recover();
    } catch (const StoreError &again) {
        reportError(m_prompter, again);
        m_prompter.message(QStringLiteral("Impossibile riavviare il foglio di calcolo.\n"
                                          "Chiudere il programma e riaprirlo."),
                           Prompter::Icon::Stop);
    }
    return true;
}

void StoreFailure::unforeseen(const StoreError &error)
{
    if (recoverIfGone(error))
        return;
    reportError(m_prompter, error);
    emit runMustEnd();
}
