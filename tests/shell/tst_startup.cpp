#include "shell/form1.h"
#include "shell/startup.h"
#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"
#include "store/workbookfile.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include <unistd.h>

// Opening the workbook at start and giving it back at the end, on the real office.
class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void missingWorkbookIsReportedWithItsPath();
    void workbookHeldByAnotherOfficeIsRefused();
    void secondDiaryOnTheSameWorkbookIsRefused();
    void staleLockDoesNotLockTheUserOut();
    void wrongPasswordEndsWithAnErrorReport();
    void everyStartPreparesTheSheet();
    void exitSavesClosesAndQuits_data();
    void exitSavesClosesAndQuits();
    void exitWithAFailedSaveReportsAndStillQuits();
};

void TestStartup::missingWorkbookIsReportedWithItsPath()
{
    QTemporaryDir empty;
    CalcWorkbook book;
    InstanceLock lock;
    RecordingPrompter prompter;
    QVERIFY(!LoadWorkbook(empty.path(), book, lock, prompter));
    QCOMPARE(prompter.texts(), QStringList{QStringLiteral("Impossibile eseguire il programma\r\nIl file ") + empty.path()
                                           + QStringLiteral("/Vespolari.xls non è stato trovato.")});
    QCOMPARE(prompter.messages[0].icon, Prompter::Icon::None);
    QVERIFY(!book.isStarted());
}

void TestStartup::workbookHeldByAnotherOfficeIsRefused()
{
    TempWorkbook wb;
    auto other = openForInspection(wb.path());
    for (bool saved : {false, true}) {
        // Before its first save the other office holds only its lock file; after it, a file lock too.
        if (saved)
            other->save();
        CalcWorkbook book;
        InstanceLock lock;
        RecordingPrompter prompter;
        QVERIFY(!LoadWorkbook(wb.folder(), book, lock, prompter));
        QCOMPARE(prompter.texts(),
                 QStringList{QStringLiteral("ERRORE: Risulta che il database Vespolari.xls è già aperto\n"
                                            " Occorre chiuderlo e  poi si potrà riaprire l'applicazione !")});
        QCOMPARE(prompter.messages[0].icon, Prompter::Icon::Stop);
        QVERIFY(!book.isStarted());
    }
}

void TestStartup::secondDiaryOnTheSameWorkbookIsRefused()
{
    TempWorkbook wb;
    RunningDiary first(wb.folder());
    CalcWorkbook book;
    InstanceLock lock;
    RecordingPrompter prompter;
    QVERIFY(!LoadWorkbook(wb.folder(), book, lock, prompter));
    QCOMPARE(prompter.texts(), QStringList{alreadyOpenMessage()});
    // Only the lock is consulted, not the office: two copies racing cannot both pass it.
    InstanceLock again;
    QVERIFY(!again.acquire(wb.path()));
}

void TestStartup::staleLockDoesNotLockTheUserOut()
{
    TempWorkbook wb;
    QFile stale(WorkbookFile::officeLockPath(wb.path()));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    stale.write(QByteArray(",utente,") + host + ",07.12.2026 10:00,file:///tmp/vespolari-profilo-morto;");
    stale.close();
    RunningDiary diary(wb.folder());
    QVERIFY(diary.prompter.messages.isEmpty());
    QVERIFY(diary.book().isStarted());
}

void TestStartup::wrongPasswordEndsWithAnErrorReport()
{
    TempWorkbook wb;
    {
        auto book = openForInspection(wb.path());
        book->saveAs(wb.path(), QStringLiteral("altra"));
    }
    qint64 pid = 0;
    {
        CalcWorkbook book;
        InstanceLock lock;
        RecordingPrompter prompter;
        try {
            LoadWorkbook(wb.folder(), book, lock, prompter);
            QFAIL("the workbook opened with the wrong password");
        } catch (const StoreError &e) {
            QCOMPARE(e.number(), int(StoreError::CannotOpen));
            QVERIFY(e.description().contains(wb.path()));
        }
        pid = book.officePid();
        QVERIFY(processAlive(pid));
    }
    QVERIFY(!processAlive(pid));
}

void TestStartup::everyStartPreparesTheSheet()
{
    TempWorkbook wb;
    {
        auto book = openForInspection(wb.path());
        book->writeBlock(4, 1, {{CellValue::fromText("x"), CellValue::empty(), CellValue::fromText("y")}});
        book->setRowsHidden(1, 3, false);
        book->setNumberFormat(5, 2, 100, 2, QStringLiteral("0.00"));
        book->select(10, 3, 12, 3);
        book->save();
    }
    RunningDiary diary(wb.folder());
    CalcWorkbook &book = diary.book();
    const CellRow header = book.readBlock(4, 1, 4, 3).first();
    QCOMPARE(header[0].text, QStringLiteral("Data"));
    QCOMPARE(header[1].text, QStringLiteral("Ora"));
    QCOMPARE(header[2].text, QStringLiteral("Appuntamento"));
    for (int row : {1, 2, 3})
        QVERIFY(book.isRowHidden(row));
    QVERIFY(!book.isRowHidden(4));
    QCOMPARE(book.numberFormat(5, 2).toUpper(), QStringLiteral("H:MM;@"));
    QCOMPARE(book.numberFormat(65536, 2).toUpper(), QStringLiteral("H:MM;@"));
    QCOMPARE(book.activeSheetIndex(), 0);
    QCOMPARE(book.selection(), QRect(QPoint(1, 5), QPoint(1, 5)));
    // Dates and times typed later must not show as ###.
    QVERIFY(book.columnWidth(1) >= 2600);
}

void TestStartup::exitSavesClosesAndQuits_data()
{
    QTest::addColumn<bool>("byCloseBox");
    QTest::newRow("Esci") << false;
    QTest::newRow("close box") << true;
}

void TestStartup::exitSavesClosesAndQuits()
{
    QFETCH(bool, byCloseBox);
    TempWorkbook wb;
    const QByteArray before = [&] { QFile f(wb.path()); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    qint64 pid = 0;
    {
        RunningDiary diary(wb.folder());
        pid = diary.book().officePid();
        diary.book().setCell(5, 3, CellValue::fromText(QStringLiteral("scritto prima dell'uscita")));
        diary.form().show();
        if (byCloseBox)
            diary.form().close();
        else
            QTest::mouseClick(ui(diary.form()).Command3, Qt::LeftButton);
        QVERIFY(diary.form().hasEnded());
        QVERIFY(diary.prompter.messages.isEmpty());
        QVERIFY(!processAlive(pid));
    }
    QVERIFY(!QFile::exists(WorkbookFile::officeLockPath(wb.path())));
    const QByteArray after = [&] { QFile f(wb.path()); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    QVERIFY(after != before);
    auto book = openForInspection(wb.path());
    QCOMPARE(book->cell(5, 3).text, QStringLiteral("scritto prima dell'uscita"));
    CalcWorkbook withoutPassword;
    withoutPassword.start();
    QVERIFY_THROWS_EXCEPTION(StoreError, withoutPassword.open(wb.path(), QString()));
}

void TestStartup::exitWithAFailedSaveReportsAndStillQuits()
{
    QTemporaryDir parent;
    const QString folder = parent.filePath(QStringLiteral("diario"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::copy(QStringLiteral(VESPOLARI_SUPPLIED_WORKBOOK), SheetLayout::workbookPath(folder)));
    RunningDiary diary(folder);
    const qint64 pid = diary.book().officePid();
    // The folder moves away under the office: its save has nowhere to go.
    QVERIFY(QDir().rename(folder, folder + QStringLiteral("-spostato")));
    diary.form().show();
    QTest::mouseClick(ui(diary.form()).Command3, Qt::LeftButton);
    QVERIFY(diary.form().hasEnded());
    QCOMPARE(diary.prompter.messages.size(), 1);
    QVERIFY2(diary.prompter.texts().first().startsWith(QStringLiteral("Errore di run-time '")),
             qPrintable(diary.prompter.texts().first()));
    QVERIFY(!processAlive(pid));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
