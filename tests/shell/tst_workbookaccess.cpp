#include "shell/startup.h"
#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/workbookfile.h"
#include "support/startparts.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <unistd.h>

namespace {

// Root reads and writes whatever the permissions say: as root, each case runs again in a copy
// of this test as the unprivileged user "nobody".
struct Elsewhere
{
    bool ran = false;
    bool passed = false;
    QString output;
    QString skip;
};

Elsewhere runAsOrdinaryUser(const char *function)
{
    Elsewhere e;
    if (::geteuid() != 0)
        return e;
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty()) {
        e.skip = QStringLiteral("running as root without setpriv: permissions cannot be tested");
        return e;
    }
    // Copies nobody can reach, whatever the folders above the build allow.
    QTemporaryDir staging;
    QFile::setPermissions(staging.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                              | QFileDevice::ReadOther | QFileDevice::ExeOther);
    const QString self = staging.filePath(QStringLiteral("test"));
    const QString workbook = staging.filePath(SheetLayout::kFileName);
    QFile::copy(QCoreApplication::applicationFilePath(), self);
    QFile::copy(QStringLiteral(VESPOLARI_SUPPLIED_WORKBOOK), workbook);
    QFile::setPermissions(self, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                    | QFileDevice::ExeOther);
    QFile::setPermissions(workbook, QFileDevice::ReadOwner | QFileDevice::ReadOther);

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VESPOLARI_TEST_WORKBOOK"), workbook);
    env.insert(QStringLiteral("HOME"), staging.path());
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.remove(QStringLiteral("XDG_CACHE_HOME"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setWorkingDirectory(staging.path());
    child.start(setpriv, {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                          QStringLiteral("--clear-groups"), QStringLiteral("--"), self,
                          QString::fromLatin1(function)});
    e.ran = true;
    e.passed = child.waitForFinished(120000) && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    e.output = QString::fromLocal8Bit(child.readAll());
    return e;
}

#define AS_ORDINARY_USER(function)                                                                                 \
    do {                                                                                                           \
        const Elsewhere e = runAsOrdinaryUser(function);                                                           \
        if (!e.skip.isEmpty())                                                                                     \
            QSKIP(qPrintable(e.skip));                                                                             \
        if (e.ran) {                                                                                               \
            QVERIFY2(e.passed, qPrintable(e.output));                                                              \
            return;                                                                                                \
        }                                                                                                          \
    } while (0)

// A workbook in a folder "diario", with the permissions a case gives them.
class Case
{
public:
    Case(QFileDevice::Permissions file, QFileDevice::Permissions folder)
    {
        m_folder = m_parent.filePath(QStringLiteral("diario"));
        QDir().mkpath(m_folder);
        const QByteArray source = qgetenv("VESPOLARI_TEST_WORKBOOK");
        QFile::copy(source.isEmpty() ? QStringLiteral(VESPOLARI_SUPPLIED_WORKBOOK) : QString::fromLocal8Bit(source),
                    path());
        QFile::setPermissions(path(), file);
        QFile::setPermissions(m_folder, folder);
        m_before = QFileInfo(path());
    }
    ~Case()
    {
        QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QString folder() const { return m_folder; }
    QString path() const { return SheetLayout::workbookPath(m_folder); }

    // Refused before any office starts, with a message naming the file or folder and why.
    void expectRefusal(const QString &named, const QString &what)
    {
        StartParts run;
        QVERIFY(!run.load(m_folder));
        QVERIFY(!run.book.isStarted());
        QCOMPARE(run.prompter.messages.size(), 1);
        const QString text = run.prompter.texts().first();
        QVERIFY2(text.startsWith(QStringLiteral("Impossibile eseguire il programma\r\n")), qPrintable(text));
        QVERIFY2(text.contains(named) && text.contains(what), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("l'utente non ha il permesso")), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("non è stato trovato")));
        QCOMPARE(run.prompter.messages.first().icon, Prompter::Icon::Stop);
        // The file is as it was, and nothing was left beside it.
        const QFileInfo after(path());
        QCOMPARE(after.size(), m_before.size());
        QCOMPARE(after.lastModified(), m_before.lastModified());
        QCOMPARE(after.permissions(), m_before.permissions());
        QCOMPARE(QDir(m_folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{SheetLayout::kFileName});
    }

private:
    QTemporaryDir m_parent;
    QString m_folder;
    QFileInfo m_before;
};

constexpr auto kOpenFolder = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

} // namespace

// A workbook the user cannot read, or could not save: said before any office starts.
class TestWorkbookAccess : public QObject
{
    Q_OBJECT

private slots:
    void unreadableWorkbook();
    void workbookThatCannotBeWritten();
    void folderThatCannotBeWritten();
    void readableAndWritableWorkbookPassesTheChecks();
};

void TestWorkbookAccess::unreadableWorkbook()
{
    AS_ORDINARY_USER("unreadableWorkbook");
    Case c(QFileDevice::WriteOwner, kOpenFolder);
    c.expectRefusal(c.path(), QStringLiteral("non può essere letto"));
}

void TestWorkbookAccess::workbookThatCannotBeWritten()
{
    AS_ORDINARY_USER("workbookThatCannotBeWritten");
    Case c(QFileDevice::ReadOwner, kOpenFolder);
    c.expectRefusal(c.path(), QStringLiteral("non può essere modificato"));
}

void TestWorkbookAccess::folderThatCannotBeWritten()
{
    AS_ORDINARY_USER("folderThatCannotBeWritten");
    Case c(QFileDevice::ReadOwner | QFileDevice::WriteOwner, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    c.expectRefusal(c.folder(), QStringLiteral("non si può scrivere"));
}

void TestWorkbookAccess::readableAndWritableWorkbookPassesTheChecks()
{
    // The same road as the refusals, with nothing refused: the diary starts.
    Case c(QFileDevice::ReadOwner | QFileDevice::WriteOwner, kOpenFolder);
    RunningDiary diary(c.folder());
    QVERIFY(diary.prompter.messages.isEmpty());
    QVERIFY(diary.book().isStarted());
}

QTEST_MAIN(TestWorkbookAccess)
#include "tst_workbookaccess.moc"
