#include "extras/handover.h"
#include "shell/form1.h"
#include "shell/startup.h"
#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"
#include "store/workbookfile.h"
#include "support/testsupport.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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

// An X server of the test's own, on a display nobody uses.
class OwnDisplay
{
public:
    OwnDisplay()
    {
        for (int n = 71; n < 200 && m_name.isEmpty(); ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n))
                || QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                continue;
            m_server.start(QStringLiteral("Xvfb"), {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"),
                                                   QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                                                   QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                                   // A reset when the last client leaves would refuse the next one.
                                                   QStringLiteral("-noreset")});
            if (!m_server.waitForStarted(5000))
                return;
            QElapsedTimer clock;
            clock.start();
            while (m_server.state() == QProcess::Running && clock.elapsed() < 10000
                   && !QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                QTest::qWait(50);
            if (m_server.state() == QProcess::Running && QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                m_name = QStringLiteral(":%1").arg(n);
            else
                m_server.waitForFinished(2000);  // someone took that display first
        }
    }
    ~OwnDisplay()
    {
        m_server.terminate();
        if (!m_server.waitForFinished(5000))
            m_server.kill();
        m_server.waitForFinished(2000);
    }
    QString name() const { return m_name; }

    // Runs an X client on this display; its standard output, trimmed.
    QString run(const QString &program, const QStringList &args, int *exitCode = nullptr) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_name);
        p.setProcessEnvironment(env);
        p.start(program, args);
        p.waitForFinished(20000);
        if (exitCode)
            *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }
    // The first visible window whose name matches the pattern, waiting up to msecs.
    QString visibleWindow(const QString &pattern, int msecs) const
    {
        QElapsedTimer clock;
        clock.start();
        do {
            const QString ids = run(QStringLiteral("xdotool"),
                                    {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                     QStringLiteral("--name"), pattern});
            if (!ids.isEmpty())
                return ids.split(QLatin1Char('\n')).first();
            QTest::qWait(100);
        } while (clock.elapsed() < msecs);
        return {};
    }

private:
    QProcess m_server;
    QString m_name;
};

qint64 childNamed(qint64 parent, const QByteArray &name)
{
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &pid : pids) {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        QByteArray comm, ppid;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("Name:"))
                comm = line.mid(5).trimmed();
            else if (line.startsWith("PPid:"))
                ppid = line.mid(5).trimmed();
        }
        if (comm == name && ppid.toLongLong() == parent)
            return pid.toLongLong();
    }
    return 0;
}

bool waitForEnd(qint64 pid, int msecs)
{
    QElapsedTimer clock;
    clock.start();
    while (processAlive(pid) && clock.elapsed() < msecs)
        QTest::qWait(50);
    return !processAlive(pid);
}

// Whatever the outcome, an office the test caused does not outlive it.
struct KillAtEnd
{
    qint64 pid = 0;
    ~KillAtEnd()
    {
        if (pid > 0 && processAlive(pid))
            ::kill(pid_t(pid), SIGKILL);
    }
};

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
    struct EndProgram
    {
        QProcess &p;
        ~EndProgram()
        {
            p.kill();
            p.waitForFinished(5000);
        }
    } endProgram{program};

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
        CalcWorkbook book;
        InstanceLock lock;
        RecordingPrompter prompter;
        QVERIFY(!loadWorkbook(wb.folder(), book, lock, prompter));
        QCOMPARE(prompter.texts(), QStringList{alreadyOpenMessage()});
        QVERIFY(!book.isStarted());
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

QTEST_MAIN(TestHandOver)
#include "tst_handover.moc"
