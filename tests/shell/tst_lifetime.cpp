#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/workbookfile.h"
#include "support/owndisplay.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <unistd.h>

// The real program as a process: the office it starts never outlives it.
class TestLifetime : public QObject
{
    Q_OBJECT

private slots:
    void killedProgramLeavesNoOffice();
    void terminatedProgramSavesLikeTheCloseBox();
    void twoCopiesStartedTogetherRunOnce();
    void theTerminalsSignalsEndACommandInOrder_data();
    void theTerminalsSignalsEndACommandInOrder();

private:
    struct Started
    {
        std::unique_ptr<QProcess> program;
        qint64 office = 0;
        QString window;  // empty: the window never came up
    };
    Started startProgram(const TempWorkbook &wb);
    std::unique_ptr<OwnDisplay> m_display;
};

TestLifetime::Started TestLifetime::startProgram(const TempWorkbook &wb)
{
    Started s;
    const QString program = wb.folder() + QStringLiteral("/vespolari");
    QFile::copy(QStringLiteral(VESPOLARI_PROGRAM), program);
    s.program = std::make_unique<QProcess>();
    s.program->setProgram(program);
    s.program->setProcessChannelMode(QProcess::ForwardedChannels);
    // On an X server of its own, so that its window being up is something to see.
    if (!m_display)
        m_display = std::make_unique<OwnDisplay>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display->name());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    s.program->setProcessEnvironment(env);
    s.program->start();
    if (m_display->name().isEmpty() || !s.program->waitForStarted())
        return s;
    // Ready once its window is on screen: from then on a signal closes it as the close box does.
    s.window = m_display->visibleWindow(QStringLiteral("^Vespolari$"), 60000);
    s.office = childOffice(s.program->processId());
    return s;
}

void TestLifetime::killedProgramLeavesNoOffice()
{
    TempWorkbook wb;
    Started s = startProgram(wb);
    QVERIFY(!s.window.isEmpty());
    QVERIFY(s.office > 0);
    QVERIFY(processAlive(s.office));
    ::kill(s.program->processId(), SIGKILL);
    QVERIFY(s.program->waitForFinished(5000));
    QTRY_VERIFY_WITH_TIMEOUT(!processAlive(s.office), 5000);
}

void TestLifetime::terminatedProgramSavesLikeTheCloseBox()
{
    TempWorkbook wb;
    const QDateTime before = QFileInfo(wb.path()).lastModified();
    Started s = startProgram(wb);
    QVERIFY(!s.window.isEmpty());
    QVERIFY(s.office > 0);
    ::kill(s.program->processId(), SIGTERM);
    QVERIFY(s.program->waitForFinished(15000));
    QCOMPARE(s.program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(s.program->exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!processAlive(s.office), 5000);
    QVERIFY(QFileInfo(wb.path()).lastModified() > before);
    QVERIFY(!QFile::exists(WorkbookFile::officeLockPath(wb.path())));
    auto book = openForInspection(wb.path());
    QCOMPARE(book->cell(4, 1).text, QStringLiteral("Data"));
}

void TestLifetime::twoCopiesStartedTogetherRunOnce()
{
    TempWorkbook wb;
    const QString program = wb.folder() + QStringLiteral("/vespolari");
    QVERIFY(QFile::copy(QStringLiteral(VESPOLARI_PROGRAM), program));
    QProcess first, second;
    for (QProcess *p : {&first, &second}) {
        p->setProgram(program);
        p->setStandardErrorFile(QProcess::nullDevice());
    }
    first.start();
    second.start();
    QVERIFY(first.waitForStarted() && second.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(WorkbookFile::officeLockPath(wb.path())), 30000);
    QTest::qWait(1500);
    // The refused copy waits on its already-open message; only the other one started an office.
    const qint64 offices[] = {childOffice(first.processId()), childOffice(second.processId())};
    QCOMPARE(int(offices[0] > 0) + int(offices[1] > 0), 1);
    for (QProcess *p : {&first, &second}) {
        ::kill(pid_t(p->processId()), SIGKILL);
        p->waitForFinished(5000);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!processAlive(qMax(offices[0], offices[1])), 5000);
}

void TestLifetime::theTerminalsSignalsEndACommandInOrder_data()
{
    QTest::addColumn<int>("sig");
    QTest::addColumn<QString>("option");
    QTest::newRow("Ctrl+C on an import") << int(SIGINT) << "--importa-calendario";
    QTest::newRow("timeout") << int(SIGTERM) << "--esporta-calendario";
    QTest::newRow("terminal closed") << int(SIGHUP) << "--esporta-calendario";
}

void TestLifetime::theTerminalsSignalsEndACommandInOrder()
{
    QFETCH(int, sig);
    QFETCH(QString, option);
    TempWorkbook wb;
    const QString program = wb.folder() + QStringLiteral("/vespolari");
    QVERIFY(QFile::copy(QStringLiteral(VESPOLARI_PROGRAM), program));
    const QString ics = wb.folder() + QStringLiteral("/tutti.ics");
    const QString coming = wb.folder() + QStringLiteral("/nuovi.ics");
    QFile file(coming);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VEVENT\r\nUID:n\r\nDTSTART:20270105T090000\r\n"
               "SUMMARY:Nuovo\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    file.close();
    QFile workbook(wb.path());
    QVERIFY(workbook.open(QIODevice::ReadOnly));
    const QByteArray before = workbook.readAll();
    workbook.close();
    QProcess command;
    // A job of the terminal's: the signal goes to its whole process group.
    command.setChildProcessModifier([] { ::setpgid(0, 0); });
    command.start(program, {option, option.startsWith(QLatin1String("--importa")) ? coming : ics});
    QVERIFY(command.waitForStarted());
    qint64 office = 0;
    QTRY_VERIFY_WITH_TIMEOUT((office = childOffice(command.processId())) > 0, 30000);
    ::kill(-pid_t(command.processId()), sig);
    QVERIFY(command.waitForFinished(30000));
    QCOMPARE(command.exitStatus(), QProcess::NormalExit);
    QCOMPARE(command.exitCode(), 128 + sig);
    QTRY_VERIFY_WITH_TIMEOUT(!processAlive(office), 10000);
    QVERIFY(!QFile::exists(ics));
    QVERIFY(workbook.open(QIODevice::ReadOnly));
    QVERIFY(workbook.readAll() == before);
    workbook.close();
    // Nothing left behind: the next start is not refused as already open.
    command.setChildProcessModifier({});
    command.start(program, {QStringLiteral("--esporta-calendario"), ics});
    QVERIFY(command.waitForFinished(60000));
    QCOMPARE(command.exitCode(), 0);
    QVERIFY(QFile::exists(ics));
}

QTEST_GUILESS_MAIN(TestLifetime)
#include "tst_lifetime.moc"
