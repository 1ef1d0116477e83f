#include "periodhandlers.h"

#include "printappointments.h"

#include "domain/diary.h"
#include "regional/clock.h"
#include "regional/regional.h"
#include "services/filechooser.h"
#include "services/prompter.h"
#include "services/storefailure.h"
#include "store/storeerror.h"

#include <QAction>
#include <QDir>
#include <QStandardPaths>

PeriodHandlers::PeriodHandlers(QAction *periodAction, QWidget *window, Diary &diary, Prompter &prompter,
                               StoreFailure &storeFailure, FileChooser &files, QObject *parent)
    : QObject(parent), m_window(window), m_diary(diary), m_prompter(prompter), m_storeFailure(storeFailure),
      m_files(&files)
{
    setObjectName(QStringLiteral("periodHandlers"));
    connect(periodAction, &QAction::triggered, this, &PeriodHandlers::showPeriodWindow);
}

PeriodHandlers::~PeriodHandlers()
{
    delete m_printer.data();
    delete m_period.data();
}

void PeriodHandlers::dayListed(const QString &dateText)
{
    m_listed = Regional::parseDate(dateText);
}

void PeriodHandlers::showPeriodWindow()
{
    if (!m_period) {
        m_period = new PeriodWindow(m_window);
        connect(m_period, &PeriodWindow::printRequested, this, &PeriodHandlers::print);
        connect(m_period, &PeriodWindow::pdfRequested, this, &PeriodHandlers::savePdf);
    }
    m_period->setPeriod(Period::day(m_listed.isValid() ? m_listed : Clock::today()));
    m_period->show();
    m_period->raise();
    m_period->activateWindow();
}

QString PeriodHandlers::defaultPdfPath(const Period &period)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    return QDir(folder).filePath(QStringLiteral("Vespolari %1.pdf").arg(period.fileNamePart()));
}

bool PeriodHandlers::printable()
{
    const Period chosen = m_period->period();
    if (!chosen.isValid()) {
        m_prompter.message(QStringLiteral("La data \"Al\" (%1) viene prima della data \"Dal\" (%2): "
                                          "scegli un periodo che finisca dopo l'inizio.")
                               .arg(Regional::dateText(chosen.to), Regional::dateText(chosen.from)),
                           Prompter::Icon::Stop);
        return false;
    }
    try {
        if (chosen.rowsIn(m_diary.settled()))
            return true;
    } catch (const StoreError &e) {
        m_storeFailure.unforeseen(e);
        return false;
    }
    m_prompter.message(chosen.emptyMessage(), Prompter::Icon::Information);
    return false;
}

void PeriodHandlers::print()
{
    if (!printable())
        return;
    delete m_printer.data();
    m_printer = new StampaP(m_diary, m_prompter, m_storeFailure, m_period->period());
    m_printer->show();
    m_printer->raise();
    m_printer->activateWindow();
}

void PeriodHandlers::savePdf()
{
    if (!printable())
        return;
    const Period chosen = m_period->period();
    const QString path = m_files->fileToSave(QStringLiteral("Salva PDF"), defaultPdfPath(chosen),
                                             QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    PrintAppointments job(m_diary, m_prompter, m_storeFailure, chosen);
    if (job.savePdf(path))
        m_prompter.message(QStringLiteral("PDF salvato: %1").arg(QDir::toNativeSeparators(path)),
                           Prompter::Icon::Information);
}
