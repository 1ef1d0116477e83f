#include "shell/startup.h"
#include "store/workbookfile.h"
#include "support/testsupport.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTest>

// The calendar options of the real program, without a window: refusals on standard error in
// Italian with an exit code other than 0, and nothing written.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void helpListsTheOptions();
    void wrongArgumentsAreRefused_data();
    void wrongArgumentsAreRefused();
    void aFileThatIsNotICalendarIsRefused();
    void anOpenWorkbookIsRefused();
    void aMissingWorkbookIsRefused();

private:
    struct Run
    {
        int code;
        QString out;
        QString err;
    };
    Run run(const QStringList &arguments);
    QByteArray workbookHash() const;
    TempWorkbook m_workbook;
    QString m_program;
};

void TestCommandLine::initTestCase()
{
    m_program = m_workbook.folder() + QStringLiteral("/vespolari");
    QVERIFY(QFile::copy(QStringLiteral(VESPOLARI_PROGRAM), m_program));
}

TestCommandLine::Run TestCommandLine::run(const QStringList &arguments)
{
    QProcess p;
    // No display at all: the options must not need one.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(m_program, arguments);
    if (!p.waitForFinished(120000))
        return {-1, {}, {}};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

QByteArray TestCommandLine::workbookHash() const
{
    QFile f(m_workbook.path());
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1);
}

void TestCommandLine::helpListsTheOptions()
{
    const Run r = run({QStringLiteral("--help")});
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.contains(QStringLiteral("--esporta-calendario FILE.ics")));
    QVERIFY(r.out.contains(QStringLiteral("--importa-calendario FILE.ics")));
}

void TestCommandLine::wrongArgumentsAreRefused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown") << QStringList{"--esporta-calendario=a.ics", "--stampa"} << "Opzione sconosciuta: --stampa";
    QTest::newRow("no file") << QStringList{"--importa-calendario"} << "Opzione senza il nome del file.";
    QTest::newRow("both") << QStringList{"--esporta-calendario", "a.ics", "--importa-calendario", "b.ics"}
                          << "Una sola opzione per volta.";
    QTest::newRow("unreadable") << QStringList{"--importa-calendario", "/non/esiste.ics"}
                                << "Impossibile leggere il file /non/esiste.ics.";
}

void TestCommandLine::wrongArgumentsAreRefused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const QByteArray before = workbookHash();
    const Run r = run(arguments);
    QVERIFY(r.code > 0);
    QCOMPARE(r.out, QString());
    QVERIFY2(r.err.startsWith(message), qPrintable(r.err));
    QCOMPARE(workbookHash(), before);
}

void TestCommandLine::aFileThatIsNotICalendarIsRefused()
{
    const QByteArray before = workbookHash();
    const QString notes = m_workbook.folder() + QStringLiteral("/note.ics");
    QFile f(notes);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("Dentista martedì alle 9\n");
    f.close();
    const Run r = run({QStringLiteral("--importa-calendario"), notes});
    QCOMPARE(r.code, 2);
    QCOMPARE(r.err, QStringLiteral("Il file %1 non è stato importato.\nIl file non contiene un calendario iCalendar.\n").arg(notes));
    QCOMPARE(workbookHash(), before);
}

void TestCommandLine::anOpenWorkbookIsRefused()
{
    InstanceLock held;
    QVERIFY(held.acquire(m_workbook.path()));
    const QString out = m_workbook.folder() + QStringLiteral("/fuori.ics");
    const Run r = run({QStringLiteral("--esporta-calendario"), out});
    QVERIFY(r.code > 0);
    QCOMPARE(r.err.trimmed(), alreadyOpenMessage());
    QVERIFY(!QFile::exists(out));
}

void TestCommandLine::aMissingWorkbookIsRefused()
{
    TempWorkbook other;
    QString program = other.folder() + QStringLiteral("/vespolari");
    QVERIFY(QFile::copy(QStringLiteral(VESPOLARI_PROGRAM), program));
    QVERIFY(QFile::remove(other.path()));
    std::swap(m_program, program);
    const Run r = run({QStringLiteral("--esporta-calendario"), other.folder() + QStringLiteral("/x.ics")});
    std::swap(m_program, program);
    QVERIFY(r.code > 0);
    QCOMPARE(r.err.trimmed(), QString(notFoundMessage(other.path())).remove(QLatin1Char('\r')));
}

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
