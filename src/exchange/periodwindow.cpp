#include "periodwindow.h"

#include "domain/diary.h"
#include "print/printappointments.h"
#include "print/stampap.h"
#include "regional/regional.h"
#include "services/filechooser.h"
#include "services/prompter.h"
#include "services/storefailure.h"
#include "store/storeerror.h"
#include "regional/clock.h"

#include <QDateEdit>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

const QString PeriodWindow::kCaption = QStringLiteral("Stampa periodo");

PeriodWindow::PeriodWindow(Diary &diary, Prompter &prompter, StoreFailure &storeFailure, FileChooser &files,
                           QWidget *parent)
    : QWidget(parent, Qt::Window), m_diary(diary), m_prompter(prompter), m_storeFailure(storeFailure), m_files(files)
{
    setObjectName(QStringLiteral("StampaPeriodo"));
    setWindowTitle(kCaption);
    setAccessibleName(kCaption);
    buildControls();
    setPeriod(Period::day(Clock::today()));
}

PeriodWindow::~PeriodWindow()
{
    delete m_printer.data();
}

void PeriodWindow::buildControls()
{
    const auto dateEdit = [this](const QString &name) {
        auto *edit = new QDateEdit(this);
        edit->setObjectName(name);
        edit->setAccessibleName(name);
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        edit->setDateRange(QDate(1753, 1, 1), QDate(9999, 12, 31));
        return edit;
    };
    const auto button = [this](const QString &text, const QString &name) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(true);
        return b;
    };
    fromEdit = dateEdit(QStringLiteral("Dal"));
    toEdit = dateEdit(QStringLiteral("Al"));
    auto *dates = new QFormLayout;
    dates->addRow(QStringLiteral("&Dal"), fromEdit);
    dates->addRow(QStringLiteral("&Al"), toEdit);

    QPushButton *today = button(QStringLiteral("Oggi"), QStringLiteral("Oggi"));
    QPushButton *week = button(QStringLiteral("Questa settimana"), QStringLiteral("QuestaSettimana"));
    QPushButton *month = button(QStringLiteral("Questo mese"), QStringLiteral("QuestoMese"));
    auto *quick = new QHBoxLayout;
    for (QPushButton *b : {today, week, month})
        quick->addWidget(b);
    QPushButton *printButton = button(QStringLiteral("Stampa..."), QStringLiteral("Stampa"));
    QPushButton *pdfButton = button(QStringLiteral("Salva PDF..."), QStringLiteral("SalvaPDF"));
    auto *jobs = new QHBoxLayout;
    jobs->addStretch(1);
    jobs->addWidget(printButton);
    jobs->addWidget(pdfButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(dates);
    layout->addLayout(quick);
    layout->addLayout(jobs);

    connect(today, &QPushButton::clicked, this, [this] { setPeriod(Period::day(Clock::today())); });
    connect(week, &QPushButton::clicked, this, [this] { setPeriod(Period::week(Clock::today())); });
    connect(month, &QPushButton::clicked, this, [this] { setPeriod(Period::month(Clock::today())); });
    connect(printButton, &QPushButton::clicked, this, &PeriodWindow::print);
    connect(pdfButton, &QPushButton::clicked, this, &PeriodWindow::savePdf);
}

void PeriodWindow::setPeriod(const Period &period)
{
    fromEdit->setDate(period.from);
    toEdit->setDate(period.to);
}

Period PeriodWindow::period() const
{
    return {fromEdit->date(), toEdit->date()};
}

QString PeriodWindow::defaultPdfPath(const Period &period)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    return QDir(folder).filePath(QStringLiteral("Vespolari %1.pdf").arg(period.fileNamePart()));
}

bool PeriodWindow::printable()
{
    const Period chosen = period();
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

void PeriodWindow::print()
{
    if (!printable())
        return;
    delete m_printer.data();
    m_printer = new StampaP(m_diary, m_prompter, m_storeFailure, period());
    m_printer->show();
    m_printer->raise();
    m_printer->activateWindow();
}

void PeriodWindow::savePdf()
{
    if (!printable())
        return;
    const QString path = m_files.fileToSave(QStringLiteral("Salva PDF"), defaultPdfPath(period()),
                                            QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    PrintAppointments job(m_diary, m_prompter, m_storeFailure, period());
    if (job.savePdf(path))
        m_prompter.message(QStringLiteral("PDF salvato: %1").arg(QDir::toNativeSeparators(path)),
                           Prompter::Icon::Information);
}
