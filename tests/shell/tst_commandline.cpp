#include "shell/startup.h"
#include "store/workbookfile.h"
#include "support/testsupport.h"
#include "tasks/calendarfiles.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>
#include <tuple>

// The calendar options of the real program, with no display at all: refusals on standard error
// in Italian with an exit code other than 0, and nothing written.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void helpListsTheOptions();
    void refusals_data();
    void refusals();

private:
    QProcess *run(const QStringList &arguments);
    QByteArray workbookHash() const;
    TempWorkbook m_workbook;
    QProcess m_process;
};

QProcess *TestCommandLine::run(const QStringList &arguments)
{
    const QString program = m_workbook.folder() + QStringLiteral("/vespolari");
    if (!QFile::exists(program))
        QFile::copy(QStringLiteral(VESPOLARI_PROGRAM), program);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    m_process.setProcessEnvironment(env);
    m_process.start(program, arguments);
    m_process.waitForFinished(120000);
    return &m_process;
}

QByteArray TestCommandLine::workbookHash() const
{
    QFile f(m_workbook.path());
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1) : QByteArray();
}

void TestCommandLine::helpListsTheOptions()
{
    const QString out = QString::fromLocal8Bit(run({QStringLiteral("--help")})->readAllStandardOutput());
    QCOMPARE(m_process.exitCode(), 0);
    QVERIFY(out.contains(QStringLiteral("--esporta-calendario FILE.ics")));
    QVERIFY(out.contains(QStringLiteral("--importa-calendario FILE.ics")));
}

void TestCommandLine::refusals_data()
{
    const QString notes = m_workbook.folder() + QStringLiteral("/note.ics");
    QFile f(notes);
    f.open(QIODevice::WriteOnly);
    f.write("Dentista martedì alle 9\n");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("alreadyOpen");
    QTest::newRow("unknown") << QStringList{"--esporta-calendario=a.ics", "--stampa"} << "Opzione sconosciuta: --stampa" << false;
    QTest::newRow("no file") << QStringList{"--importa-calendario"} << "Opzione senza il nome del file." << false;
    QTest::newRow("both") << QStringList{"--esporta-calendario", "a.ics", "--importa-calendario", "b.ics"}
                          << "Una sola opzione per volta." << false;
    QTest::newRow("unreadable") << QStringList{"--importa-calendario", "/non/esiste.ics"}
                                << "Impossibile leggere il file /non/esiste.ics: " << false;
    // Neither a pipe nor a device is waited on or read without end; a file past the limit is
    // refused before a byte of it is read.
    const QString pipe = m_workbook.folder() + QStringLiteral("/tubo.ics");
    ::mkfifo(QFile::encodeName(pipe).constData(), 0600);
    const QString big = m_workbook.folder() + QStringLiteral("/grande.ics");
    QFile huge(big);
    huge.open(QIODevice::WriteOnly);
    huge.resize(CalendarFiles::kMaxFileBytes + 1);
    for (const auto &[name, file, why] : {std::tuple{"pipe", pipe, "non è un file normale."},
                                          std::tuple{"device", QStringLiteral("/dev/zero"), "non è un file normale."},
                                          std::tuple{"folder", m_workbook.folder(), "è una cartella."},
                                          std::tuple{"too big", big, "è più grande di 20 MB."}})
        QTest::newRow(name) << QStringList{"--importa-calendario", file}
                            << QStringLiteral("Impossibile leggere il file %1: %2").arg(file, why) << false;
    QTest::newRow("not iCalendar") << QStringList{"--importa-calendario", notes}
                                   << QStringLiteral("Il file %1 non è stato importato.\nIl file non contiene un "
                                                     "calendario iCalendar.").arg(notes) << false;
    QTest::newRow("open") << QStringList{"--esporta-calendario", m_workbook.folder() + "/fuori.ics"}
                          << alreadyOpenMessage() << true;
}

void TestCommandLine::refusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QFETCH(bool, alreadyOpen);
    InstanceLock held;
    QVERIFY(!alreadyOpen || held.acquire(m_workbook.path()));
    const QByteArray before = workbookHash();
    run(arguments);
    QCOMPARE(m_process.exitStatus(), QProcess::NormalExit);
    QVERIFY(m_process.exitCode() > 0);
    QCOMPARE(m_process.readAllStandardOutput(), QByteArray());
    const QString err = QString::fromLocal8Bit(m_process.readAllStandardError());
    QVERIFY2(err.startsWith(message), qPrintable(err));
    QCOMPARE(workbookHash(), before);
    QVERIFY(!QFile::exists(m_workbook.folder() + QStringLiteral("/fuori.ics")));
}

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
