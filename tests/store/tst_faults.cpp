#include "shell/startup.h"
#include "services/storefailure.h"
#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"
#include "store/workbookfile.h"
#include "support/startparts.h"
#include "support/testsupport.h"
#include "store/rescuecopy.h"
#include "tasks/syncstate.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

// Whatever happens to the office, the disk or the file, no saved appointment is lost.
class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void killedOfficeIsNoticedAndReplaced();
    void officeKilledDuringSaveLeavesAGoodWorkbook();
    void saveKeepsTheLastGoodVersionAsBackup();
    void fullDiskFailsTheSaveAndKeepsTheWorkbook();
    void readOnlyFolderFailsTheSaveAndKeepsTheWorkbook();
    void damagedWorkbookIsReportedAndLeftAlone_data();
    void damagedWorkbookIsReportedAndLeftAlone();
    void damagedWorkbookPointsToItsBackup();
    void whatHoldsAppointmentsIsTheUsersAlone();
};

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QFileDevice::Permissions kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                                         | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

CellBlock rows(int n, const QString &text)
{
    CellBlock block;
    for (int i = 0; i < n; ++i)
        block << CellRow{CellValue::fromNumber(40000 + i), CellValue::fromNumber(0.375),
                         CellValue::fromText(QStringLiteral("%1 %2").arg(text).arg(i))};
    return block;
}

} // namespace

void TestFaults::killedOfficeIsNoticedAndReplaced()
{
    TempWorkbook wb;
    {
    RunningDiary diary(wb.folder());
    CalcWorkbook &book = diary.book();
    book.setCell(5, 3, CellValue::fromText(QStringLiteral("salvato")));
    book.save();
    book.setCell(6, 3, CellValue::fromText(QStringLiteral("non salvato")));
    const qint64 pid = book.officePid();
    ::kill(pid, SIGKILL);
    QTRY_VERIFY(!processAlive(pid));

    QElapsedTimer clock;
    clock.start();
    try {
        book.cell(5, 3);
        QFAIL("a dead office answered");
    } catch (const StoreError &e) {
        QVERIFY2(clock.elapsed() < 10000, "noticing the dead office took too long");
        QVERIFY(diary.storeFailure().recoverIfGone(e));
    }
    QCOMPARE(diary.prompter.messages.size(), 1);
    QVERIFY(diary.prompter.texts().first().contains(QStringLiteral("ultimo salvataggio")));
    QVERIFY(book.officeAlive());
    QVERIFY(book.officePid() != pid);
    QCOMPARE(book.cell(5, 3).text, QStringLiteral("salvato"));
    QVERIFY(book.cell(6, 3).isEmpty());
    QCOMPARE(book.cell(4, 1).text, QStringLiteral("Data"));
    book.setCell(6, 3, CellValue::fromText(QStringLiteral("dopo il riavvio")));
    book.save();
    }
    auto disk = openForInspection(wb.path());
    QCOMPARE(disk->cell(6, 3).text, QStringLiteral("dopo il riavvio"));
}

void TestFaults::officeKilledDuringSaveLeavesAGoodWorkbook()
{
    TempWorkbook wb;
    {
        auto book = openForInspection(wb.path());
        book->writeBlock(5, 1, rows(20000, QStringLiteral("vecchio")));
        book->save();
    }
    // Kill the office at several moments of a save of a large change.
    for (int delayMs : {20, 60, 120}) {
        auto book = openForInspection(wb.path());
        book->writeBlock(5, 1, rows(30000, QStringLiteral("nuovo")));
        const qint64 pid = book->officePid();
        QProcess killer;
        killer.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("sleep %1; kill -9 %2").arg(delayMs / 1000.0).arg(pid)});
        try {
            book->save();
        } catch (const StoreError &) {
        }
        killer.waitForFinished();
        book.reset();
        WorkbookFile::removeStaleLock(wb.path());
        auto disk = openForInspection(wb.path());
        const QString first = disk->cell(5, 3).text;
        QVERIFY2(first == QStringLiteral("vecchio 0") || first == QStringLiteral("nuovo 0"), qPrintable(first));
        const int expected = first.startsWith(QStringLiteral("vecchio")) ? 20004 : 30004;
        QCOMPARE(disk->lastUsedRow(), expected);
    }
}

void TestFaults::saveKeepsTheLastGoodVersionAsBackup()
{
    TempWorkbook wb;
    const QByteArray original = contents(wb.path());
    auto book = openForInspection(wb.path());
    book->setCell(5, 3, CellValue::fromText(QStringLiteral("primo")));
    book->save();
    QCOMPARE(contents(WorkbookFile::backupPath(wb.path())), original);
    const QByteArray firstSave = contents(wb.path());
    book->setCell(6, 3, CellValue::fromText(QStringLiteral("secondo")));
    book->save();
    QCOMPARE(contents(WorkbookFile::backupPath(wb.path())), firstSave);
    QVERIFY(WorkbookFile::backupPath(wb.path()).endsWith(QStringLiteral("/Vespolari-copia.xls")));
    // The backup is a workbook with the same password.
    auto backup = openForInspection(WorkbookFile::backupPath(wb.path()));
    QCOMPARE(backup->cell(5, 3).text, QStringLiteral("primo"));
}

void TestFaults::fullDiskFailsTheSaveAndKeepsTheWorkbook()
{
    if (::geteuid() != 0)
        QSKIP("mounting a small file system needs root");
    QTemporaryDir mountPoint;
    if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                    QStringLiteral("size=2m"), QStringLiteral("tmpfs"), mountPoint.path()})
        != 0)
        QSKIP("this machine does not allow a tmpfs mount");
    struct Unmount
    {
        QString path;
        ~Unmount() { QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), path}); }
    } unmount{mountPoint.path()};

    const QString path = SheetLayout::workbookPath(mountPoint.path());
    QVERIFY(QFile::copy(QStringLiteral(VESPOLARI_SUPPLIED_WORKBOOK), path));
    auto book = openForInspection(path);
    book->setCell(5, 3, CellValue::fromText(QStringLiteral("piccolo")));
    book->save();
    const QByteArray good = contents(path);
    // Far more than 2 MB of text: the save cannot fit.
    book->writeBlock(5, 1, rows(40000, QString(60, QLatin1Char('x'))));
    QVERIFY_THROWS_EXCEPTION(StoreError, book->save());
    QCOMPARE(contents(path), good);
    // What is in the open workbook is still there for the next save.
    QCOMPARE(book->cell(40004, 3).text, QString(60, QLatin1Char('x')) + QStringLiteral(" 39999"));
}

void TestFaults::readOnlyFolderFailsTheSaveAndKeepsTheWorkbook()
{
    TempWorkbook wb;
    auto book = openForInspection(wb.path());
    const QByteArray before = contents(wb.path());
    book->setCell(5, 3, CellValue::fromText(QStringLiteral("da salvare")));
    ::chmod(QFile::encodeName(wb.folder()).constData(), 0555);
    ::chmod(QFile::encodeName(wb.path()).constData(), 0444);
    if (::geteuid() == 0) {
        // Root writes through permission bits: make the folder immutable instead.
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), wb.folder()}) != 0) {
            ::chmod(QFile::encodeName(wb.folder()).constData(), 0755);
            QSKIP("cannot make a folder read-only for root here");
        }
    }
    bool failed = false;
    try {
        book->save();
    } catch (const StoreError &e) {
        failed = true;
        QCOMPARE(e.number(), int(StoreError::CannotSave));
    }
    if (::geteuid() == 0)
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), wb.folder()});
    ::chmod(QFile::encodeName(wb.folder()).constData(), 0755);
    ::chmod(QFile::encodeName(wb.path()).constData(), 0644);
    QVERIFY(failed);
    QCOMPARE(contents(wb.path()), before);
    // Retried once the folder is writable again, nothing typed is lost.
    try {
        book->save();
    } catch (const StoreError &e) {
        QFAIL(qPrintable(e.description()));
    }
    book.reset();
    auto disk = openForInspection(wb.path());
    QCOMPARE(disk->cell(5, 3).text, QStringLiteral("da salvare"));
}

void TestFaults::damagedWorkbookIsReportedAndLeftAlone_data()
{
    QTest::addColumn<QByteArray>("damage");
    QTest::newRow("zero bytes") << QByteArray("empty");
    QTest::newRow("truncated") << QByteArray("truncate");
    QTest::newRow("not a workbook") << QByteArray("text");
    QTest::newRow("another password") << QByteArray("password");
}

void TestFaults::damagedWorkbookIsReportedAndLeftAlone()
{
    QFETCH(QByteArray, damage);
    TempWorkbook wb;
    if (damage == "password") {
        auto book = openForInspection(wb.path());
        book->saveAs(wb.path(), QStringLiteral("diversa"));
    } else {
        QFile f(wb.path());
        QVERIFY(f.open(QIODevice::ReadWrite));
        if (damage == "empty")
            f.resize(0);
        else if (damage == "truncate")
            f.resize(2048);
        else {
            f.resize(0);
            f.write("Data;Ora;Appuntamento\n25/05/2009;9:30;prova\n");
        }
    }
    const QByteArray before = contents(wb.path());
    qint64 pid = 0;
    {
        StartParts run;
        QElapsedTimer clock;
        clock.start();
        try {
            run.load(wb.folder());
            QFAIL("a damaged workbook opened");
        } catch (const StoreError &e) {
            QCOMPARE(e.number(), int(StoreError::CannotOpen));
            QVERIFY2(e.description().contains(wb.path()), qPrintable(e.description()));
        }
        QVERIFY(clock.elapsed() < 30000);
        pid = run.book.officePid();
    }
    QVERIFY(!processAlive(pid));
    QCOMPARE(contents(wb.path()), before);
}

void TestFaults::damagedWorkbookPointsToItsBackup()
{
    TempWorkbook wb;
    {
        auto book = openForInspection(wb.path());
        book->setCell(5, 3, CellValue::fromText(QStringLiteral("salvato")));
        book->save();
        book->save();  // the backup now holds the row too
    }
    QFile f(wb.path());
    QVERIFY(f.open(QIODevice::ReadWrite));
    f.resize(0);
    f.close();
    StartParts run;
    try {
        run.load(wb.folder());
        QFAIL("an empty workbook opened");
    } catch (const StoreError &e) {
        QVERIFY2(e.description().contains(WorkbookFile::backupPath(wb.path())), qPrintable(e.description()));
    }
    // Restoring as the message says gives the saved appointment back.
    QVERIFY(QFile::remove(wb.path()));
    QVERIFY(QFile::copy(WorkbookFile::backupPath(wb.path()), wb.path()));
    auto restored = openForInspection(wb.path());
    QCOMPARE(restored->cell(5, 3).text, QStringLiteral("salvato"));
}

void TestFaults::whatHoldsAppointmentsIsTheUsersAlone()
{
    // Whatever the umask, as an earlier version's folder readable by everyone would be.
    const mode_t umask = ::umask(022);
    QTemporaryDir dataHome;
    const QByteArray before = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
    QVERIFY(QDir().mkpath(dataHome.filePath(QStringLiteral("vespolari"))));
    TempWorkbook wb;
    auto book = openForInspection(wb.path());
    book->save();
    const QString copy = RescueCopy::store(*book, SheetLayout::kPassword);
    const QString state = SyncState::fileFor(wb.path());
    QVERIFY(SyncState::save(state, QStringLiteral("https://esempio/cal/"), {}));
    for (const QString &path : {wb.path(), WorkbookFile::backupPath(wb.path()), copy, state, RescueCopy::folder()})
        QVERIFY2(QFileInfo(path).exists() && !(QFileInfo(path).permissions() & kOthers), qPrintable(path));
    qputenv("XDG_DATA_HOME", before);
    ::umask(umask);
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
