#include "shell/form1.h"
#include "services/storefailure.h"
#include "shell/startup.h"
#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/rescuecopy.h"
#include "store/storeerror.h"
#include "store/workbookencryption.h"
#include "store/workbookfile.h"
#include "support/biffreader.h"
#include "support/diarywalk.h"
#include "support/startparts.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <unistd.h>

// Opening the workbook at start and giving it back at the end, on the real office.
class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void missingWorkbookIsReportedWithItsPath();
    void workbookHeldByAnotherOfficeIsRefused();
    void secondDiaryOnTheSameWorkbookIsRefused();
    void staleLockDoesNotLockTheUserOut();
    void wrongPasswordEndsWithAnErrorReport();
    void cryptoApiWorkbookIsRefusedForWhatItIs();
    void workbookWithoutPasswordOpensAndGainsIt();
    void everyStartPreparesTheSheet();
    void exitSavesClosesAndQuits_data();
    void exitSavesClosesAndQuits();
    void exitWithAFailedSaveReportsAndStillQuits();
    void exitWithAFailedSaveLeavesARescueCopy();
    void rescueCopiesKeepApartAndOneThatFailsIsSaid();
    void unforeseenFailureEndsTheRunWithThePendingSaved();

private:
    // The user's data folder, where rescue copies go: never the real one.
    QTemporaryDir m_dataHome;
};

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A workbook copy in a folder of its own, which a case can move away from under the office.
QString movableFolder(const QTemporaryDir &parent)
{
    const QString folder = parent.filePath(QStringLiteral("diario"));
    const bool made = QDir().mkpath(folder)
                   && QFile::copy(QStringLiteral(VESPOLARI_SUPPLIED_WORKBOOK), SheetLayout::workbookPath(folder));
    return made ? folder : QString();
}

// The user's data folder set for one case, and put back after it.
struct DataHome
{
    QByteArray was = qgetenv("XDG_DATA_HOME");
    explicit DataHome(const QString &path) { qputenv("XDG_DATA_HOME", QFile::encodeName(path)); }
    ~DataHome() { qputenv("XDG_DATA_HOME", was); }
};

} // namespace

void TestStartup::initTestCase()
{
    QVERIFY(m_dataHome.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dataHome.path()));
}

void TestStartup::missingWorkbookIsReportedWithItsPath()
{
    QTemporaryDir empty;
    StartParts run;
    QVERIFY(!run.load(empty.path()));
    QCOMPARE(run.prompter.texts(), QStringList{QStringLiteral("Impossibile eseguire il programma\r\nIl file ") + empty.path()
                                           + QStringLiteral("/Vespolari.xls non è stato trovato.")});
    QCOMPARE(run.prompter.messages[0].icon, Prompter::Icon::None);
    QVERIFY(!run.book.isStarted());
}

void TestStartup::workbookHeldByAnotherOfficeIsRefused()
{
    TempWorkbook wb;
    auto other = openForInspection(wb.path());
    for (bool saved : {false, true}) {
        // Before its first save the other office holds only its lock file; after it, a file lock too.
        if (saved)
            other->save();
        StartParts run;
        QVERIFY(!run.load(wb.folder()));
        QCOMPARE(run.prompter.texts(),
                 QStringList{QStringLiteral("ERRORE: Risulta che il database Vespolari.xls è già aperto\n"
                                            " Occorre chiuderlo e  poi si potrà riaprire l'applicazione !")});
        QCOMPARE(run.prompter.messages[0].icon, Prompter::Icon::Stop);
        QVERIFY(!run.book.isStarted());
    }
}

void TestStartup::secondDiaryOnTheSameWorkbookIsRefused()
{
    TempWorkbook wb;
    RunningDiary first(wb.folder());
    StartParts run;
    QVERIFY(!run.load(wb.folder()));
    QCOMPARE(run.prompter.texts(), QStringList{alreadyOpenMessage()});
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
        StartParts run;
        try {
            run.load(wb.folder());
            QFAIL("the workbook opened with the wrong password");
        } catch (const StoreError &e) {
            QCOMPARE(e.number(), int(StoreError::CannotOpen));
            QVERIFY(e.description().contains(wb.path()));
        }
        pid = run.book.officePid();
        QVERIFY(processAlive(pid));
    }
    QVERIFY(!processAlive(pid));
}

void TestStartup::cryptoApiWorkbookIsRefusedForWhatItIs()
{
    TempWorkbook wb;
    QTemporaryDir made;
    const QString cryptoApi = made.filePath(QStringLiteral("cryptoapi.xls"));
    QVERIFY(Biff::writeCryptoApiCopy(wb.path(), SheetLayout::kPassword, cryptoApi));
    // A sound file: its password opens it outside the office, and a wrong one does not.
    QString why;
    QVERIFY2(!Biff::readWorkbook(cryptoApi, SheetLayout::kPassword, &why).isEmpty(), qPrintable(why));
    QVERIFY(Biff::readWorkbook(cryptoApi, QStringLiteral("altra"), &why).isEmpty());
    QCOMPARE(WorkbookEncryption::probe(cryptoApi), WorkbookEncryption::Kind::Rc4CryptoApi);
    QCOMPARE(WorkbookEncryption::probe(wb.path()), WorkbookEncryption::Kind::Rc4Standard);
    {
        // What the office makes of it with the right password: the reason for the check.
        auto office = std::make_unique<CalcWorkbook>();
        office->start();
        QVERIFY_THROWS_EXCEPTION(StoreError, office->open(cryptoApi, SheetLayout::kPassword));
    }

    QVERIFY(QFile::remove(wb.path()));
    QVERIFY(QFile::copy(cryptoApi, wb.path()));
    const QByteArray before = contents(wb.path());
    StartParts run;
    QVERIFY(!run.load(wb.folder()));
    QCOMPARE(run.prompter.texts(), QStringList{WorkbookEncryption::cannotOpenMessage(wb.path())});
    QCOMPARE(run.prompter.messages[0].icon, Prompter::Icon::Stop);
    QVERIFY(run.prompter.texts()[0].contains(QStringLiteral("97-2003")));
    QVERIFY(!run.book.isStarted());
    QVERIFY(run.book.officePid() <= 0);
    QCOMPARE(contents(wb.path()), before);
    QVERIFY(!QFile::exists(WorkbookFile::officeLockPath(wb.path())));
}

void TestStartup::workbookWithoutPasswordOpensAndGainsIt()
{
    TempWorkbook wb;
    {
        auto book = openForInspection(wb.path());
        book->saveAs(wb.path(), QString());
    }
    QCOMPARE(WorkbookEncryption::probe(wb.path()), WorkbookEncryption::Kind::None);
    {
        RunningDiary diary(wb.folder());
        QVERIFY(diary.prompter.messages.isEmpty());
        diary.book().save();
    }
    QCOMPARE(WorkbookEncryption::probe(wb.path()), WorkbookEncryption::Kind::Rc4Standard);
    QString why;
    QVERIFY2(!Biff::readWorkbook(wb.path(), SheetLayout::kPassword, &why).isEmpty(), qPrintable(why));
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
    const QString folder = movableFolder(parent);
    QVERIFY(!folder.isEmpty());
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

void TestStartup::exitWithAFailedSaveLeavesARescueCopy()
{
    // A data folder of this case's own, so that only its copy is there.
    QTemporaryDir dataHome;
    const DataHome own(dataHome.path());
    QTemporaryDir parent;
    const QString folder = movableFolder(parent);
    QVERIFY(!folder.isEmpty());
    const QString workbook = SheetLayout::workbookPath(folder);
    RunningDiary diary(folder);
    const qint64 pid = diary.book().officePid();
    const auto insert = [&](const QString &date, const QString &text) {
        ui(diary.form()).Text1->setText(date);
        ui(diary.form()).Text2->setText(QStringLiteral("9.30"));
        ui(diary.form()).Text3->setText(text);
        ui(diary.form()).Command1->click();
    };
    // The folder moves away under the office, and a file takes its name so that the office
    // cannot make it again: every save of the run fails, at exit too.
    QVERIFY(QDir().rename(folder, folder + QStringLiteral("-spostato")));
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    insert(QStringLiteral("25/05/2009"), QStringLiteral("Primo"));
    insert(QStringLiteral("27/05/2009"), QStringLiteral("Mai salvato"));
    QVERIFY2(diary.prompter.texts().filter(QStringLiteral("non è ancora salvato su disco")).size() == 2,
             qPrintable(diary.prompter.texts().join(QLatin1Char('|'))));
    // The last one's save is still under way when "Esci" is clicked: its news never comes, and
    // the rescue copy and the message take it all the same.
    diary.prompter.whileRead = nullptr;
    insert(QStringLiteral("26/05/2009"), QStringLiteral("Neanche questo"));
    diary.prompter.clear();

    diary.form().show();
    QTest::mouseClick(ui(diary.form()).Command3, Qt::LeftButton);
    QVERIFY(diary.form().hasEnded());
    QVERIFY(!processAlive(pid));
    QCOMPARE(diary.prompter.messages.size(), 1);
    const QString message = diary.prompter.texts().first();
    QVERIFY2(message.startsWith(QStringLiteral("Errore di run-time '")), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("Appuntamenti non salvati su")) && message.contains(QStringLiteral("Primo"))
                 && message.contains(QStringLiteral("Neanche questo")),
             qPrintable(message));

    const QStringList copies = QDir(RescueCopy::folder()).entryList({QStringLiteral("*.xls")}, QDir::Files);
    QCOMPARE(copies.size(), 1);
    QVERIFY2(QRegularExpression(QStringLiteral("^Vespolari-salvataggio-\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.xls$"))
                 .match(copies[0]).hasMatch(),
             qPrintable(copies[0]));
    const QString copy = QDir(RescueCopy::folder()).filePath(copies[0]);
    QVERIFY(copy.startsWith(dataHome.path() + QStringLiteral("/vespolari/")));
    // Where it is and where it goes back.
    QVERIFY2(message.contains(copy) && message.contains(workbook), qPrintable(message));

    QCOMPARE(WorkbookEncryption::probe(copy), WorkbookEncryption::Kind::Rc4Standard);
    auto rescued = openForInspection(copy);
    const CellBlock rows = rescued->readBlock(5, 1, 8, 3);
    QCOMPARE(rows[0][2].text, QStringLiteral("Primo"));
    QCOMPARE(rows[1][2].text, QStringLiteral("Neanche questo"));
    QCOMPARE(rows[2][2].text, QStringLiteral("Mai salvato"));
    QCOMPARE(rows[2][0].toDate(), QDate(2009, 5, 27));
    QVERIFY(rows[3][0].isEmpty());
}

void TestStartup::rescueCopiesKeepApartAndOneThatFailsIsSaid()
{
    QTemporaryDir parent;
    const QString folder = movableFolder(parent);
    QVERIFY(!folder.isEmpty());
    RunningDiary diary(folder);
    // Two copies within the same second: the second gets a name of its own.
    const QDateTime when(QDate(2026, 12, 7), QTime(10, 0));
    const QString first = RescueCopy::store(diary.book(), SheetLayout::kPassword, when);
    QVERIFY2(first.endsWith(QStringLiteral("/Vespolari-salvataggio-2026-12-07_10-00-00.xls")), qPrintable(first));
    const QString second = first.chopped(4) + QStringLiteral("-2.xls");
    QCOMPARE(RescueCopy::store(diary.book(), SheetLayout::kPassword, when), second);
    QVERIFY(QFile::exists(first) && QFile::exists(second));
    // At exit neither the save nor the copy finds a place: the report says what is lost.
    const QString notAFolder = parent.filePath(QStringLiteral("un-file"));
    QVERIFY(QFile(notAFolder).open(QIODevice::WriteOnly));
    const DataHome nowhere(notAFolder);
    QVERIFY(QDir().rename(folder, folder + QStringLiteral("-spostato")));
    QFile blocker(folder);  // the office cannot make the folder again
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    diary.form().show();
    QTest::mouseClick(ui(diary.form()).Command3, Qt::LeftButton);
    QVERIFY(diary.form().hasEnded());
    QCOMPARE(diary.prompter.messages.size(), 1);
    QVERIFY2(diary.prompter.texts()[0].contains(QStringLiteral("Non è stato possibile salvare neanche una copia")),
             qPrintable(diary.prompter.texts()[0]));
}

void TestStartup::unforeseenFailureEndsTheRunWithThePendingSaved()
{
    QTemporaryDir parent;
    const QString folder = movableFolder(parent);
    QVERIFY(!folder.isEmpty());
    RunningDiary diary(folder);
    // A save that fails leaves the appointment pending in the open workbook...
    QVERIFY(QDir().rename(folder, folder + QStringLiteral("-spostato")));
    DiaryWalk::insert(diary.form(), QStringLiteral("25/05/2009"), QStringLiteral("9.30"), QStringLiteral("In sospeso"));
    QCOMPARE(diary.prompter.texts().filter(QStringLiteral("Verrà salvato al prossimo salvataggio")).size(), 1);
    QVERIFY(QDir().rename(folder + QStringLiteral("-spostato"), folder));
    diary.prompter.clear();
    // ...and a failure no window foresaw ends the run through the shutdown, which saves it.
    diary.form().show();
    diary.form().storeFailure().unforeseen(StoreError(StoreError::OperationFailed, QStringLiteral("Guasto")));
    QTRY_VERIFY(diary.form().hasEnded());
    QCOMPARE(diary.prompter.messages.size(), 1);
    auto book = openForInspection(SheetLayout::workbookPath(folder));
    QCOMPARE(book->cell(5, 3).text, QStringLiteral("In sospeso"));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
