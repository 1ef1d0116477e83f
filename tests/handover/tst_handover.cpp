#include "shell/form1.h"
#include "shell/startup.h"
#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"
#include "store/workbookfile.h"
#include "support/browsefixture.h"
#include "support/officeclient.h"
#include "support/owndisplay.h"
#include "support/startparts.h"
#include "support/testsupport.h"
#include "tasks/handover.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QTest>

#include <csignal>

namespace {

const QVector<CellRow> kAppointments = {
    {CellValue::fromDate(QDate(2026, 3, 2)), CellValue::fromTime(QTime(9, 30)), CellValue::fromText("Dentista")},
    {CellValue::fromDate(QDate(2026, 3, 2)), CellValue::fromTime(QTime(15, 0)), CellValue::fromText("Riunione")},
    {CellValue::fromDate(QDate(2026, 4, 18)), CellValue::fromTime(QTime(8, 5)), CellValue::fromText("Treno")},
};

void writeAppointments(CalcWorkbook &book, int firstRow)
{
    for (int i = 0; i < kAppointments.size(); ++i)
        for (int c = 0; c < 3; ++c)
            book.setCell(firstRow + i, c + 1, kAppointments[i][c]);
}

void verifyAppointments(CalcWorkbook &book, int firstRow)
{
    for (int i = 0; i < kAppointments.size(); ++i) {
        QCOMPARE(book.cell(firstRow + i, 1).toDate(), kAppointments[i][0].toDate());
        QCOMPARE(book.cell(firstRow + i, 2).toTime(), kAppointments[i][1].toTime());
        QCOMPARE(book.cell(firstRow + i, 3).text, kAppointments[i][2].text);
    }
}

// A copy of a workbook that an office holds, to look at what is on disk without its lock.
QString copyAside(const QString &path, const QTemporaryDir &dir)
{
    const QString copy = dir.filePath(QStringLiteral("copia.xls"));
    QFile::remove(copy);
    QFile::copy(path, copy);
    return copy;
}

} // namespace

// "&Excel": the workbook goes to the user in a visible office and the program ends; where
// that cannot be done, the program says so and goes on with the workbook.
class TestHandOver : public QObject
{
    Q_OBJECT

private slots:
    void officeOutlivesTheProgramWithTheWorkbookShown();
    void withoutDisplayTheWorkbookStays();
    void failedSaveKeepsTheWorkbook();
    void typedDateAndTimeInTheHandedOverOfficeAreDateAndTime();
};

void TestHandOver::officeOutlivesTheProgramWithTheWorkbookShown()
{
    OwnDisplay display;
    if (display.name().isEmpty())
        QFAIL("no X server could be started for the test");

    // The program's folder is its executable's folder: a copy runs beside a workbook copy.
    TempWorkbook wb;
    QVERIFY(QFile::copy(QStringLiteral(VESPOLARI_PROGRAM), wb.folder() + QStringLiteral("/vespolari")));
    QFile::setPermissions(wb.folder() + QStringLiteral("/vespolari"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    {
        auto book = openForInspection(wb.path());
        writeAppointments(*book, SheetLayout::kFirstDataRow);
        // Start-up rewrites the header: finding it on disk again shows the hand-over saved.
        book->setCell(SheetLayout::kHeaderRow, 1, CellValue::fromText(QStringLiteral("vecchia")));
        book->save();
    }

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display.name());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    // Settings that name no language: the user still gets an Italian office.
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("LC_MESSAGES"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(QDir::tempPath());
    program.start(wb.folder() + QStringLiteral("/vespolari"), {});
    QVERIFY(program.waitForStarted(10000));
    KillAtEnd office;
    EndProgram endProgram{program};

    const QString diaryWindow = display.visibleWindow(QStringLiteral("^Vespolari$"), 60000);
    QVERIFY2(!diaryWindow.isEmpty(), program.readAllStandardError().constData());
    office.pid = childNamed(program.processId(), "soffice.bin");
    QVERIFY(office.pid > 0);
    QVERIFY(display.visibleWindow(QStringLiteral("Vespolari\\.xls"), 0).isEmpty());

    int rc = -1;
    display.run(QStringLiteral("xdotool"),
                {QStringLiteral("windowfocus"), QStringLiteral("--sync"), diaryWindow, QStringLiteral("key"),
                 QStringLiteral("alt+e")},
                &rc);
    QCOMPARE(rc, 0);

    QVERIFY2(program.waitForFinished(30000), "the program did not end after the hand-over");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(processAlive(office.pid));
    const QString officeWindow = display.visibleWindow(QStringLiteral("Vespolari\\.xls"), 20000);
    QVERIFY(!officeWindow.isEmpty());
    QCOMPARE(display.run(QStringLiteral("xdotool"), {QStringLiteral("getwindowpid"), officeWindow}).toLongLong(),
             office.pid);
    QVERIFY(display.visibleWindow(QStringLiteral("^Vespolari$"), 0).isEmpty());
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(office.pid));
    QVERIFY(cmdline.open(QIODevice::ReadOnly));
    QVERIFY(cmdline.readAll().split('\0').contains("--language=it"));

    // On disk: the run's save, every appointment, and still the password.
    QTemporaryDir aside;
    const QString copy = copyAside(wb.path(), aside);
    {
        CalcWorkbook withoutPassword;
        withoutPassword.start();
        QVERIFY_THROWS_EXCEPTION(StoreError, withoutPassword.open(copy, QString()));
    }
    {
        auto book = openForInspection(copy);
        QCOMPARE(book->cell(SheetLayout::kHeaderRow, 1).text, QStringLiteral("Data"));
        verifyAppointments(*book, SheetLayout::kFirstDataRow);
    }

    // The user's office holds the workbook: a new start is refused.
    {
        StartParts run;
        QVERIFY(!run.load(wb.folder()));
        QCOMPARE(run.prompter.texts(), QStringList{alreadyOpenMessage()});
        QVERIFY(!run.book.isStarted());
    }

    // Once the user quits the office, the diary starts again on the workbook.
    display.run(QStringLiteral("xdotool"),
                {QStringLiteral("windowfocus"), QStringLiteral("--sync"), officeWindow, QStringLiteral("key"),
                 QStringLiteral("ctrl+q")},
                &rc);
    QVERIFY(waitForEnd(office.pid, 20000));
    {
        RunningDiary diary(wb.folder());
        QVERIFY(diary.prompter.messages.isEmpty());
        verifyAppointments(diary.book(), SheetLayout::kFirstDataRow);
    }
}

void TestHandOver::withoutDisplayTheWorkbookStays()
{
    // The tests run without a display, so the diary's office is headless and cannot be shown.
    TempWorkbook wb;
    RunningDiary diary(wb.folder());
    CalcWorkbook &book = diary.book();
    QVERIFY(!book.canBeShown());
    writeAppointments(book, SheetLayout::kFirstDataRow);

    ui(diary.form()).Mexcel->trigger();

    QCOMPARE(diary.prompter.texts(), QStringList{HandOver::noDisplayMessage()});
    QVERIFY(!diary.form().hasEnded());
    QVERIFY(processAlive(book.officePid()));
    // The save on the way has kept the appointments on disk.
    QTemporaryDir aside;
    {
        auto onDisk = openForInspection(copyAside(wb.path(), aside));
        verifyAppointments(*onDisk, SheetLayout::kFirstDataRow);
    }
    // The workbook is still ours to use.
    verifyAppointments(book, SheetLayout::kFirstDataRow);
    book.setCell(8, 3, CellValue::fromText(QStringLiteral("dopo")));
    book.save();
    auto onDisk = openForInspection(copyAside(wb.path(), aside));
    QCOMPARE(onDisk->cell(8, 3).text, QStringLiteral("dopo"));
}

void TestHandOver::failedSaveKeepsTheWorkbook()
{
    TempWorkbook wb;
    RunningDiary diary(wb.folder());
    CalcWorkbook &book = diary.book();
    writeAppointments(book, SheetLayout::kFirstDataRow);
    // The folder vanishes under the running office: the save cannot land.
    const QString moved = wb.folder() + QStringLiteral(".altrove");
    QVERIFY(QDir().rename(wb.folder(), moved));
    struct MoveBack
    {
        QString from, to;
        ~MoveBack() { QDir().rename(from, to); }
    } moveBack{moved, wb.folder()};

    ui(diary.form()).Mexcel->trigger();

    QCOMPARE(diary.prompter.messages.size(), 1);
    QVERIFY2(diary.prompter.texts().first().startsWith(
                 QStringLiteral("Impossibile salvare il database Vespolari.xls")),
             qPrintable(diary.prompter.texts().first()));
    QVERIFY(diary.prompter.texts().first().endsWith(
        QStringLiteral("Il programma resta aperto con tutti gli appuntamenti.")));
    QVERIFY(!diary.form().hasEnded());
    verifyAppointments(book, SheetLayout::kFirstDataRow);

    QVERIFY(QDir().rename(moved, wb.folder()));
    book.save();
    QTemporaryDir aside;
    auto onDisk = openForInspection(copyAside(wb.path(), aside));
    verifyAppointments(*onDisk, SheetLayout::kFirstDataRow);
}

void TestHandOver::typedDateAndTimeInTheHandedOverOfficeAreDateAndTime()
{
    OwnDisplay display;
    if (display.name().isEmpty())
        QFAIL("no X server could be started for the test");
    TempWorkbook wb;
    const QString program = wb.folder() + QStringLiteral("/vespolari");
    QVERIFY(QFile::copy(QStringLiteral(VESPOLARI_PROGRAM), program));
    QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QProcess diary;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display.name());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    // The diary speaks Italian here for want of any setting; its office must read Italian too.
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    diary.setProcessEnvironment(env);
    diary.start(program, {});
    QVERIFY(diary.waitForStarted(10000));
    KillAtEnd office;
    const QString window = display.visibleWindow(QStringLiteral("^Vespolari$"), 60000);
    QVERIFY(!window.isEmpty());
    office.pid = childNamed(diary.processId(), "soffice.bin");
    QVERIFY(office.pid > 0);
    display.run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window,
                                            QStringLiteral("key"), QStringLiteral("alt+e")});
    QVERIFY(diary.waitForFinished(30000));
    QVERIFY(!display.visibleWindow(QStringLiteral("Vespolari\\.xls"), 20000).isEmpty());

    {
        OfficeClient user(office.pid);
        QVERIFY2(user.isConnected(), qPrintable(user.failure()));
        QVERIFY(user.type(SheetLayout::kFirstDataRow, 1, QStringLiteral("26/05/2009")));
        QVERIFY(user.type(SheetLayout::kFirstDataRow, 2, QStringLiteral("10:00")));
        QVERIFY(user.type(SheetLayout::kFirstDataRow, 3, QStringLiteral("Scritto nel foglio")));
        QVERIFY(user.save());
        user.terminate();
    }
    QVERIFY(waitForEnd(office.pid, 20000));

    RunningDiary next(wb.folder());
    const CellValue date = next.book().cell(SheetLayout::kFirstDataRow, 1);
    const CellValue time = next.book().cell(SheetLayout::kFirstDataRow, 2);
    QCOMPARE(int(date.kind), int(CellValue::Date));
    QCOMPARE(date.toDate(), QDate(2009, 5, 26));
    QCOMPARE(int(time.kind), int(CellValue::Time));
    QCOMPARE(time.toTime(), QTime(10, 0));
    // And the diary lists it on its day.
    BrowseFixture::clickDay(next.form(), QDate(2009, 5, 26));
    QCOMPARE(BrowseFixture::lines(ui(next.form()).List2), QStringList{QStringLiteral("Scritto nel foglio")});
}

QTEST_MAIN(TestHandOver)
#include "tst_handover.moc"
