#include "print/printappointments.h"
#include "support/shareddiary.h"
#include "print/printrig.h"
#include "regional/regional.h"
#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "support/biffreader.h"
#include "support/testsupport.h"

#include <QTemporaryDir>
#include <QTest>

// The print job on the real office and the real CUPS scheduler, printing on the test queues.
class TestPrintAppointments : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void zoomTextFollowsTheLocale();
    void emptyListRefusesBeforeAnyPrompt();
    void printsOnTheChosenQueueOnly();
    void refusesAPrinterThatIsNotInstalled_data();
    void refusesAPrinterThatIsNotInstalled();
    void zoomAnswersLandOnThePage_data();
    void zoomAnswersLandOnThePage();
    void printAreaRunsToTheLastDatedRow();
    void pageSetupIsSavedWithTheWorkbook();
    void printsTheAppointmentsSheetAlone();
    void printAreaCoversThirtyTwoThousandRows();
    void cleanupTestCase();

private:
    // One office for the cases that need no workbook of their own; each starts with no rows.
    SharedDiary m_diary;
};

namespace {

// n appointments from row 5, dates shown as dates.
void storeAppointments(CalcWorkbook &book, int n, int firstRow = SheetLayout::kFirstDataRow)
{
    CellBlock rows;
    for (int i = 0; i < n; ++i)
        rows << CellRow{CellValue::fromDate(QDate(2009, 5, 25).addDays(i)), CellValue::fromTime(QTime(9, 30)),
                        CellValue::fromText(QStringLiteral("Appuntamento numero %1").arg(i + 1))};
    book.writeBlock(firstRow, 1, rows);
    book.setNumberFormat(firstRow, 1, firstRow + n - 1, 1, SheetLayout::kDateFormat);
}

bool sameSetup(const CalcWorkbook::PageSetup &a, const CalcWorkbook::PageSetup &b)
{
    return a.printArea == b.printArea && a.headerOn == b.headerOn && a.centerHeader == b.centerHeader
        && a.leftMargin == b.leftMargin && a.topMargin == b.topMargin && a.headerMargin == b.headerMargin
        && a.pagesWide == b.pagesWide && a.pagesTall == b.pagesTall && a.zoom == b.zoom
        && a.gridlines == b.gridlines && a.paper == b.paper;
}

} // namespace

void TestPrintAppointments::initTestCase()
{
    if (!PrintRig::rigIsUp())
        QFAIL("the test printers are missing: run through ctest, which adds them (tests/print/cups_rig.sh)");
    m_diary.start();
}

void TestPrintAppointments::init()
{
    m_diary.reset();
}

void TestPrintAppointments::cleanupTestCase()
{
    m_diary.stop();
}

void TestPrintAppointments::zoomTextFollowsTheLocale()
{
    const QLocale it(QLocale::Italian, QLocale::Italy);
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    QCOMPARE(PrintAppointments::parseZoom(QStringLiteral(" 80 "), it), std::optional<int>(80));
    QCOMPARE(PrintAppointments::parseZoom(QStringLiteral("80,5"), it), std::optional<int>(80));
    QCOMPARE(PrintAppointments::parseZoom(QStringLiteral("81,5"), it), std::optional<int>(82));
    QCOMPARE(PrintAppointments::parseZoom(QStringLiteral("80,6"), it), std::optional<int>(81));
    QCOMPARE(PrintAppointments::parseZoom(QStringLiteral("80.5"), en), std::optional<int>(80));
    QCOMPARE(PrintAppointments::parseZoom(QStringLiteral("-0,5"), it), std::optional<int>(0));
    QCOMPARE(PrintAppointments::parseZoom(QStringLiteral("2147483647"), it), std::optional<int>(2147483647));
    QCOMPARE(PrintAppointments::parseZoom(QStringLiteral("2147483648"), it), std::nullopt);
    QCOMPARE(PrintAppointments::parseZoom(QString(), it), std::nullopt);
    QCOMPARE(PrintAppointments::parseZoom(QStringLiteral("cento"), it), std::nullopt);
    QCOMPARE(PrintAppointments::hundredthsMm(0.21), 533);
    QCOMPARE(PrintAppointments::hundredthsMm(0.5), 1270);
}

void TestPrintAppointments::emptyListRefusesBeforeAnyPrompt()
{
    RunningDiary &diary = *m_diary;
    const CalcWorkbook::PageSetup before = diary.book().pageSetup();
    const QStringList jobsBefore = PrintRig::jobs();
    diary.prompter.answers = {QStringLiteral("110")};
    PrintAppointments(diary.appointments(), diary.prompter, diary.storeFailure()).run(PrintRig::kQueues[2]);
    QCOMPARE(diary.prompter.prompts, QStringList());
    QCOMPARE(diary.prompter.messages.size(), 1);
    QCOMPARE(diary.prompter.messages[0].text, PrintAppointments::kEmptyListMessage);
    QCOMPARE(diary.prompter.messages[0].icon, Prompter::Icon::Information);
    QVERIFY(sameSetup(diary.book().pageSetup(), before));
    QTest::qWait(500);
    QCOMPARE(PrintRig::jobs(), jobsBefore);
}

void TestPrintAppointments::printsOnTheChosenQueueOnly()
{
    RunningDiary &diary = *m_diary;
    storeAppointments(diary.book(), 3);
    const QSet<QString> pdfsBefore = PrintRig::pdfFiles();
    const QStringList jobsBefore = PrintRig::jobs();
    // Not the default queue: the office must not fall back on it.
    const QString chosen = PrintRig::kQueues[2];
    diary.prompter.answers = {QStringLiteral("110")};
    PrintAppointments(diary.appointments(), diary.prompter, diary.storeFailure()).run(chosen);
    QCOMPARE(diary.prompter.texts(), QStringList());
    QCOMPARE(diary.prompter.prompts, QStringList{PrintAppointments::kZoomPrompt});

    const QStringList made = PrintRig::newPdfs(pdfsBefore, 15000);
    QCOMPARE(made.size(), 1);
    QVERIFY(QFileInfo(made[0]).size() > 0);
    QFile::remove(made[0]);
    const QStringList jobsAfter = PrintRig::jobs();
    QCOMPARE(PrintRig::jobsOn(jobsAfter, chosen).size(), PrintRig::jobsOn(jobsBefore, chosen).size() + 1);
    QCOMPARE(jobsAfter.size(), jobsBefore.size() + 1);
}

void TestPrintAppointments::refusesAPrinterThatIsNotInstalled_data()
{
    QTest::addColumn<QString>("printer");
    QTest::addColumn<QString>("message");
    QTest::newRow("prompt") << PrintAppointments::kNoPrinterChosen << QStringLiteral("Nessuna stampante scelta");
    QTest::newRow("unknown") << QStringLiteral("Stampante_Inesistente") << QStringLiteral("Stampante_Inesistente");
    QTest::newRow("empty") << QString() << QStringLiteral("Nessuna stampante scelta");
}

void TestPrintAppointments::refusesAPrinterThatIsNotInstalled()
{
    QFETCH(QString, printer);
    QFETCH(QString, message);
    RunningDiary &diary = *m_diary;
    storeAppointments(diary.book(), 2);
    const QSet<QString> pdfsBefore = PrintRig::pdfFiles();
    const QStringList jobsBefore = PrintRig::jobs();
    diary.prompter.answers = {QStringLiteral("100")};
    PrintAppointments(diary.appointments(), diary.prompter, diary.storeFailure()).run(printer);
    QCOMPARE(diary.prompter.messages.size(), 1);
    QVERIFY2(diary.prompter.messages[0].text.contains(message), qPrintable(diary.prompter.messages[0].text));
    QVERIFY(diary.prompter.messages[0].text.contains(QStringLiteral("non è stata eseguita")));
    // Nothing anywhere, the default queue included.
    QCOMPARE(PrintRig::newPdfs(pdfsBefore, 1500), QStringList());
    QCOMPARE(PrintRig::jobs(), jobsBefore);
    // The page setup is still made, as for any run.
    QCOMPARE(diary.book().pageSetup().zoom, 100);
}

void TestPrintAppointments::zoomAnswersLandOnThePage_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<int>("zoom");  // 0: the fit to one page governs
    QTest::newRow("default 110") << std::optional<QString>(QStringLiteral("110")) << 110;
    QTest::newRow("80 with blanks") << std::optional<QString>(QStringLiteral(" 80 ")) << 80;
    QTest::newRow("150 beyond the advice") << std::optional<QString>(QStringLiteral("150")) << 150;
    QTest::newRow("cancel") << std::optional<QString>() << 0;
    QTest::newRow("no number") << std::optional<QString>(QStringLiteral("tanto")) << 0;
    QTest::newRow("beyond the office") << std::optional<QString>(QStringLiteral("500")) << 0;
}

void TestPrintAppointments::zoomAnswersLandOnThePage()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(int, zoom);
    RunningDiary &diary = *m_diary;
    storeAppointments(diary.book(), 4);
    const QSet<QString> pdfsBefore = PrintRig::pdfFiles();
    diary.prompter.answers = {answer};
    PrintAppointments(diary.appointments(), diary.prompter, diary.storeFailure()).run(PrintRig::kQueues[0]);
    QCOMPARE(diary.prompter.texts(), QStringList());
    const CalcWorkbook::PageSetup s = diary.book().pageSetup();
    if (zoom) {
        QCOMPARE(s.zoom, zoom);
        QCOMPARE(s.pagesWide, 0);
        QCOMPARE(s.pagesTall, 0);
    } else {
        QCOMPARE(s.pagesWide, 1);
        QCOMPARE(s.pagesTall, 1);
    }
    // Whatever the zoom, the list is printed.
    const QStringList made = PrintRig::newPdfs(pdfsBefore, 15000);
    QCOMPARE(made.size(), 1);
    QFile::remove(made[0]);
}

void TestPrintAppointments::printAreaRunsToTheLastDatedRow()
{
    RunningDiary &diary = *m_diary;
    storeAppointments(diary.book(), 1);
    diary.prompter.answers = {QStringLiteral("110")};
    const QSet<QString> pdfsBefore = PrintRig::pdfFiles();
    PrintAppointments(diary.appointments(), diary.prompter, diary.storeFailure()).run(PrintRig::kQueues[1]);
    QCOMPARE(diary.book().pageSetup().printArea, QRect(QPoint(1, 4), QPoint(3, 5)));

    // A hand edit emptied row 7: rows 8 and 9 still belong to the list.
    storeAppointments(diary.book(), 2, 8);
    storeAppointments(diary.book(), 1, 6);
    diary.book().setCell(9, 3, CellValue::fromText(QStringLiteral("senza data")));
    diary.book().setCell(12, 3, CellValue::fromText(QStringLiteral("nota senza data")));
    diary.prompter.answers = {QStringLiteral("110")};
    PrintAppointments(diary.appointments(), diary.prompter, diary.storeFailure()).run(PrintRig::kQueues[1]);
    QCOMPARE(diary.book().pageSetup().printArea, QRect(QPoint(1, 4), QPoint(3, 9)));
    QCOMPARE(diary.prompter.texts(), QStringList());
    const QStringList made = PrintRig::newPdfs(pdfsBefore, 15000, 2);
    for (const QString &f : made)
        QFile::remove(f);
    QCOMPARE(made.size(), 2);
}

void TestPrintAppointments::pageSetupIsSavedWithTheWorkbook()
{
    TempWorkbook wb;
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("foglio.pdf"));
    QDateTime started, ended;
    {
        RunningDiary diary(wb.folder());
        storeAppointments(diary.book(), 3);
        diary.prompter.answers = {QStringLiteral("110")};
        const QSet<QString> pdfsBefore = PrintRig::pdfFiles();
        started = QDateTime::currentDateTime();
        PrintAppointments(diary.appointments(), diary.prompter, diary.storeFailure()).run(PrintRig::kQueues[0]);
        ended = QDateTime::currentDateTime();
        QCOMPARE(diary.prompter.texts(), QStringList());
        diary.book().exportPdf(pdf);
        diary.book().save();
        for (const QString &f : PrintRig::newPdfs(pdfsBefore, 15000))
            QFile::remove(f);
    }
    auto book = openForInspection(wb.path());
    const CalcWorkbook::PageSetup s = book->pageSetup();
    QCOMPARE(s.printArea, QRect(QPoint(1, 4), QPoint(3, 7)));
    QVERIFY(s.headerOn);
    const QString prefix = QStringLiteral("Stampa Elenco Vespolari     ------ del     ");
    QVERIFY2(s.centerHeader.startsWith(prefix), qPrintable(s.centerHeader));
    const QString when = s.centerHeader.mid(prefix.size());
    // Stamped at some second of the run, however long the run took.
    bool duringTheRun = false;
    for (QDateTime second = started.addMSecs(-started.time().msec()); second <= ended && !duringTheRun;
         second = second.addSecs(1))
        duringTheRun = when == Regional::generalDateText(second);
    QVERIFY2(duringTheRun, qPrintable(when));
    // Margins survive the file's inches within the office's conversion (a fifth of a millimetre).
    auto near = [](int actual, int expected) { return qAbs(actual - expected) <= 20; };
    QVERIFY2(near(s.leftMargin, 533), qPrintable(QString::number(s.leftMargin)));
    QVERIFY2(near(s.rightMargin, 533), qPrintable(QString::number(s.rightMargin)));
    QVERIFY2(near(s.topMargin, 1270), qPrintable(QString::number(s.topMargin)));
    QVERIFY2(near(s.headerMargin, 533), qPrintable(QString::number(s.headerMargin)));
    QVERIFY2(near(s.bottomMargin, 533), qPrintable(QString::number(s.bottomMargin)));
    QVERIFY2(near(s.footerMargin, 533), qPrintable(QString::number(s.footerMargin)));
    QCOMPARE(s.zoom, 110);
    QVERIFY(s.gridlines);
    QVERIFY(!s.landscape);
    QVERIFY2(qAbs(s.paper.width() - 21000) <= 10 && qAbs(s.paper.height() - 29700) <= 10,
             qPrintable(QStringLiteral("%1x%2").arg(s.paper.width()).arg(s.paper.height())));

    const QString text = PrintRig::pdfText(pdf);
    QVERIFY2(text.contains(QStringLiteral("Stampa Elenco Vespolari")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("------ del")));
    QVERIFY(text.contains(Regional::dateText(started.date())));
    QVERIFY(text.contains(QStringLiteral("Appuntamento")));
    for (int i = 1; i <= 3; ++i)
        QVERIFY(text.contains(QStringLiteral("Appuntamento numero %1").arg(i)));
    QVERIFY(text.contains(QStringLiteral("25/05/2009")));
    QVERIFY(text.contains(QStringLiteral("27/05/2009")));
}

void TestPrintAppointments::printsTheAppointmentsSheetAlone()
{
    TempWorkbook wb;
    {
        // A sheet of the user's own, added while the workbook was handed over.
        auto book = openForInspection(wb.path());
        book->addSheet(QStringLiteral("Note"), {{CellValue::fromText(QStringLiteral("Promemoria privato"))},
                                                {CellValue::fromText(QStringLiteral("Seconda nota"))}});
        book->save();
    }
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("foglio.pdf"));
    {
        RunningDiary diary(wb.folder());
        QCOMPARE(diary.book().sheetCount(), 2);
        storeAppointments(diary.book(), 3);
        diary.prompter.answers = {QStringLiteral("110")};
        const QSet<QString> pdfsBefore = PrintRig::pdfFiles();
        PrintAppointments(diary.appointments(), diary.prompter, diary.storeFailure()).run(PrintRig::kQueues[2]);
        QCOMPARE(diary.prompter.texts(), QStringList());
        const QStringList made = PrintRig::newPdfs(pdfsBefore, 15000);
        QCOMPARE(made.size(), 1);
        const int printed = PrintRig::pdfPages(made[0]);
        QFile::remove(made[0]);
        QCOMPARE(printed, 1);
        diary.book().exportPdf(pdf);
        diary.book().save();
    }
    QCOMPARE(PrintRig::pdfPages(pdf), 1);
    const QString text = PrintRig::pdfText(pdf);
    QVERIFY2(!text.contains(QStringLiteral("Promemoria")) && !text.contains(QStringLiteral("Seconda nota")),
             qPrintable(text));
    // Nothing in the footer either: the header line, the header row and the appointments.
    QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString &line : lines)
        line = line.simplified();
    lines.removeAll(QString());
    QCOMPARE(lines.size(), 5);
    QVERIFY2(lines[0].startsWith(QStringLiteral("Stampa Elenco Vespolari")), qPrintable(lines[0]));
    QCOMPARE(lines[1], QStringLiteral("Data Ora Appuntamento"));
    for (int i = 1; i <= 3; ++i)
        QVERIFY2(lines[1 + i].endsWith(QStringLiteral("Appuntamento numero %1").arg(i)), qPrintable(lines[1 + i]));

    // The user's sheet is still there, and the saved page setup of the list, read outside the
    // office, carries our footer margin and no footer text.
    QCOMPARE(openForInspection(wb.path())->sheetCount(), 2);
    QString why;
    const QVector<Biff::Record> records = Biff::readWorkbook(wb.path(), SheetLayout::kPassword, &why);
    QVERIFY2(!records.isEmpty(), qPrintable(why));
    double footerMargin = -1, bottomMargin = -1;
    QByteArray footer;
    for (const Biff::Record &r : Biff::firstSheet(records)) {
        if (r.type == 0x00A1)  // SETUP: numHdr, numFtr in inches
            footerMargin = Biff::littleEndianDouble(r.data, 24);
        else if (r.type == 0x0029)  // BOTTOMMARGIN
            bottomMargin = Biff::littleEndianDouble(r.data, 0);
        else if (r.type == 0x0015)  // FOOTER
            footer = r.data;
    }
    QVERIFY2(qAbs(footerMargin - 0.21) < 0.001, qPrintable(QString::number(footerMargin)));
    QVERIFY2(qAbs(bottomMargin - 0.21) < 0.01, qPrintable(QString::number(bottomMargin)));
    // An empty footer string: its length (first two bytes) is nought, if there is one at all.
    QVERIFY2(footer.size() < 2 || (footer[0] == 0 && footer[1] == 0), footer.toHex().constData());
}

void TestPrintAppointments::printAreaCoversThirtyTwoThousandRows()
{
    RunningDiary &diary = *m_diary;
    storeAppointments(diary.book(), 32000);
    // Up to the print-out call: the run on a refused printer stops right there. Its time at this
    // size is the benchmark's.
    diary.prompter.answers = {QStringLiteral("110")};
    PrintAppointments(diary.appointments(), diary.prompter, diary.storeFailure()).run(QStringLiteral("Stampante_Inesistente"));
    QCOMPARE(diary.book().pageSetup().printArea, QRect(QPoint(1, 4), QPoint(3, 32004)));
}

QTEST_MAIN(TestPrintAppointments)
#include "tst_printappointments.moc"
