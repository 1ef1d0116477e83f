#include "support/shareddiary.h"
#include "support/browsefixture.h"
#include "support/diarywalk.h"
#include "domain/diary.h"
#include "print/periodhandlers.h"
#include "print/printappointments.h"
#include "print/printrig.h"
#include "print/stampap.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>

// "Stampa periodo" on the real office and a real PDF queue: only the period's appointments, under
// the header row, and the workbook's print settings left as "Stampa" leaves them.
class TestPrintPeriod : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { m_diary->prompter.clear(); }
    void aWeekPrintsAloneUnderTheHeader();
    void aWeekSavedAsPdf();
    void emptyAndBackwardPeriodsAreRefused();

private:
    ScriptedFiles m_files;
    QTemporaryDir m_dir;
    SharedDiary m_diary;
    QAction m_periodAction;
    std::unique_ptr<PeriodHandlers> m_handlers;
    PeriodWindow *m_window = nullptr;
    void click(const char *button) { m_window->findChild<QPushButton *>(QLatin1String(button))->click(); }
    void checkOnlyTheWeek(const QString &pdfText);
};

namespace {
const QDate kMonday(2026, 3, 9);
}

void TestPrintPeriod::initTestCase()
{
    if (!PrintRig::rigIsUp())
        QFAIL("the test printers are missing: run through ctest, which adds them (tests/print/cups_rig.sh)");
    CellBlock rows;
    for (int day = -14; day < 21; ++day)
        rows << DiaryWalk::row(kMonday.addDays(day), QTime(9, 0), QStringLiteral("Giorno%1fine").arg(day + 100));
    m_diary.start(rows);
    m_diary->book().setNumberFormat(5, 1, 5 + int(rows.size()) - 1, 1, SheetLayout::kDateFormat);
    m_handlers = std::make_unique<PeriodHandlers>(&m_periodAction, nullptr, m_diary->appointments(), m_diary->prompter,
                                                  m_diary->storeFailure(), m_files, nullptr);
    m_handlers->showPeriodWindow();
    m_window = m_handlers->periodWindow();
    m_window->setPeriod(Period::week(kMonday.addDays(3)));
}

void TestPrintPeriod::checkOnlyTheWeek(const QString &text)
{
    QVERIFY2(text.contains(QStringLiteral("Appuntamento")), qPrintable(text));
    for (int day = -14; day < 21; ++day)
        QCOMPARE(text.contains(QStringLiteral("Giorno%1fine").arg(day + 100)), day >= 0 && day < 7);
    // As "Stampa" leaves them: the whole list, no repeated row.
    const CalcWorkbook::PageSetup after = m_diary->book().pageSetup();
    QCOMPARE(after.printArea, m_diary->appointments().printRange());
    QCOMPARE(after.titleRow, 0);
}

void TestPrintPeriod::aWeekPrintsAloneUnderTheHeader()
{
    const QSet<QString> pdfsBefore = PrintRig::pdfFiles();
    click("Command4");
    StampaP *printer = m_handlers->printerWindow();
    QVERIFY(printer && printer->isVisible());
    ui(*printer).Combo1->setEditText(PrintRig::kQueues[1]);
    ui(*printer).Command1->click();
    QCOMPARE(m_diary->prompter.texts(), QStringList());
    QCOMPARE(m_diary->prompter.prompts, QStringList{PrintAppointments::kZoomPrompt});
    const QStringList made = PrintRig::newPdfs(pdfsBefore, 15000);
    QCOMPARE(made.size(), 1);
    // The header and the week's seven under it (35 for the whole list); the words are read in
    // the exported PDF.
    QCOMPARE(PrintRig::pdfPages(made[0]), 1);
    QCOMPARE(PrintRig::tableRows(made[0]), 1 + 7);
    QFile::remove(made[0]);
}

void TestPrintPeriod::aWeekSavedAsPdf()
{
    m_files.chosen = m_dir.filePath(QStringLiteral("settimana.pdf"));
    click("Command5");
    QVERIFY(m_files.suggested.endsWith(QStringLiteral("/Vespolari dal 09-03-2026 al 15-03-2026.pdf")));
    QCOMPARE(m_diary->prompter.texts(), QStringList{QStringLiteral("PDF salvato: %1").arg(m_files.chosen)});
    checkOnlyTheWeek(PrintRig::pdfText(m_files.chosen));
}

void TestPrintPeriod::emptyAndBackwardPeriodsAreRefused()
{
    const QSet<QString> pdfsBefore = PrintRig::pdfFiles();
    m_window->setPeriod(Period::day(kMonday.addYears(1)));
    click("Command4");
    click("Command5");
    QCOMPARE(m_diary->prompter.texts(), QStringList(2, QStringLiteral("Nessun appuntamento dal 09/03/2027 al 09/03/2027")));
    m_diary->prompter.clear();
    m_window->findChild<QDateEdit *>(QStringLiteral("Date2"))->setDate(kMonday);
    click("Command4");
    QVERIFY(m_diary->prompter.texts().value(0).startsWith(QStringLiteral("La data \"Al\" (09/03/2026) viene prima")));
    QTest::qWait(500);
    QCOMPARE(PrintRig::newPdfs(pdfsBefore, 100), QStringList());
}

QTEST_MAIN(TestPrintPeriod)
#include "tst_printperiod.moc"
