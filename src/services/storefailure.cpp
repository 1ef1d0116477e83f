#include "storefailure.h"

#include "errorreport.h"
#include "prompter.h"
#include "domain/appointmenttext.h"
#include "store/storeerror.h"

bool StoreFailure::officeGone(const StoreError &error) const
{
    return error.number() == StoreError::OfficeGone || !m_diary.officeAlive();
}

bool StoreFailure::recoverIfGone(const StoreError &error)
{
    if (!officeGone(error))
        return false;
    // One death, one recovery: whoever met it first has had the office replaced.
    if (m_diary.officeAlive())
        return true;
    m_prompter.message(QStringLiteral("Il foglio di calcolo si è chiuso in modo imprevisto.\n"
                                      "Viene riavviato con gli appuntamenti dell'ultimo salvataggio."),
                       Prompter::Icon::Information);
    try {
        tell(m_diary.recover());
    } catch (const StoreError &again) {
        reportError(m_prompter, again);
        QString text = QStringLiteral("Impossibile riavviare il foglio di calcolo.\nChiudere il programma e riaprirlo.");
        const Appointments unsaved = m_diary.unsaved();
        if (!unsaved.isEmpty())
            text += QStringLiteral("\nAppuntamenti non ancora salvati:\n") + named(unsaved);
        m_prompter.message(text, Prompter::Icon::Stop);
    }
    return true;
}

void StoreFailure::tell(const Diary::Recovery &recovery)
{
    if (!recovery.rewritten.isEmpty()) {
        m_prompter.message(recovery.notSaved ? notSavedText(Written::Appointments, *recovery.notSaved)
                                                   + QLatin1Char('\n') + named(recovery.rewritten)
                                             : QStringLiteral("Gli appuntamenti non ancora salvati sono stati scritti "
                                                              "di nuovo e salvati:\n")
                                                   + named(recovery.rewritten),
                           Prompter::Icon::Information);
    }
    if (!recovery.lost.isEmpty())
        m_prompter.message(QStringLiteral("Questi appuntamenti non erano ancora salvati e non è stato possibile "
                                          "scriverli di nuovo: vanno inseriti di nuovo.\n")
                               + named(recovery.lost),
                           Prompter::Icon::Stop);
}

void StoreFailure::saveFailed(const StoreError &error, Written what)
{
    if (recoverIfGone(error))
        return;
    m_prompter.message(notSavedText(what, error));
}

QString StoreFailure::notSavedText(Written what, const StoreError &error)
{
    switch (what) {
    case Written::Appointment:
        return QStringLiteral("Attenzione: l'appuntamento è nella cartella aperta ma non è ancora salvato su disco.\n"
                              "Verrà salvato al prossimo salvataggio.\n")
               + error.description();
    case Written::Appointments:
        return QStringLiteral("Attenzione: gli appuntamenti sono nella cartella aperta ma non sono ancora salvati su "
                              "disco.\nVerranno salvati al prossimo salvataggio.\n")
               + error.description();
    case Written::Change:
        break;
    }
    return QStringLiteral("Attenzione: la modifica è nella cartella aperta ma non è ancora salvata su disco.\n"
                          "Verrà salvata al prossimo salvataggio.\n")
           + error.description();
}

QString StoreFailure::named(const Appointments &appointments)
{
    AppointmentText text;
    QStringList lines;
    for (const Appointment &a : appointments)
        lines << text.listingLine(a);
    return lines.join(QLatin1Char('\n'));
}

void StoreFailure::unforeseen(const StoreError &error)
{
    if (recoverIfGone(error))
        return;
    reportError(m_prompter, error);
    emit runMustEnd();
}
