#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/workbookfile.h"
#include "support/owndisplay.h"
#include "support/testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace

// The install for the user who runs it, into a home folder of the test's own, and the
// installed diary started from its launcher as from the desktop's menu.
class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installsIntoTheUsersFolders();
    void launcherShowsTheWindowAndClosingSavesInTheUsersFolder();
    void secondInstallKeepsTheWorkbook();
    void uninstallLeavesTheWorkbook();

private:
    // Runs a script of the project as the user of the temporary home; its output.
    QString script(const QString &name, const QStringList &args = {});
    QProcessEnvironment userEnvironment() const;

    QTemporaryDir m_home;
    QString m_folder;  // the program's folder
    QString m_workbook;
    QString m_launcher;
    QString m_entry;
    QString m_icon;
};

QProcessEnvironment TestInstall::userEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_home.path());
    for (const char *name : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QString::fromLatin1(name));
    // No workbook of an earlier install in /opt comes into this home.
    env.insert(QStringLiteral("VESPOLARI_OLD_FOLDER"), m_home.filePath(QStringLiteral("nessuna")));
    return env;
}

QString TestInstall::script(const QString &name, const QStringList &args)
{
    QProcess p;
    p.setProcessEnvironment(userEnvironment());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(m_home.path());
    p.start(QStringLiteral("bash"), QStringList{QStringLiteral(VESPOLARI_SOURCE_DIR "/scripts/") + name} + args);
    if (!p.waitForFinished(180000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qWarning("%s failed: %s", qPrintable(name), p.readAll().constData());
    else
        return QString::fromLocal8Bit(p.readAll());
    return QStringLiteral("FAILED");
}

void TestInstall::initTestCase()
{
    m_folder = m_home.filePath(QStringLiteral(".local/lib/vespolari"));
    m_workbook = SheetLayout::workbookPath(m_folder);
    m_launcher = m_home.filePath(QStringLiteral(".local/bin/vespolari"));
    m_entry = m_home.filePath(QStringLiteral(".local/share/applications/vespolari.desktop"));
    m_icon = m_home.filePath(QStringLiteral(".local/share/icons/hicolor/scalable/apps/vespolari.svg"));
}

void TestInstall::installsIntoTheUsersFolders()
{
    const QString out = script(QStringLiteral("install.sh"), {QStringLiteral(VESPOLARI_BUILD_DIR)});
    QVERIFY2(out != QLatin1String("FAILED"), qPrintable(out));
    QVERIFY(QFileInfo(m_folder + QStringLiteral("/vespolari")).isExecutable());
    QCOMPARE(contents(m_workbook), contents(QStringLiteral(VESPOLARI_SUPPLIED_WORKBOOK)));
    // Every appointment will be in it: the user's alone to read.
    QCOMPARE(QFileInfo(m_workbook).permissions() & 0x0077, QFileDevice::Permissions());
    // The launcher on PATH may be a link: the program finds its folder through it.
    QVERIFY(QFileInfo(m_launcher).isSymLink());
    QCOMPARE(QFileInfo(m_launcher).canonicalFilePath(), QFileInfo(m_folder + QStringLiteral("/vespolari")).canonicalFilePath());
    QVERIFY(QFileInfo::exists(m_icon));

    // The menu entry is a valid one and starts the installed program.
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(QStringLiteral("desktop-file-validate"), {m_entry});
    QVERIFY(validate.waitForFinished(20000));
    const QByteArray complaints = validate.readAll();
    QVERIFY2(validate.exitCode() == 0 && complaints.trimmed().isEmpty(), complaints.constData());
    const QString entry = QString::fromUtf8(contents(m_entry));
    QVERIFY(entry.contains(QStringLiteral("\nName=Vespolari\n")));
    QVERIFY(entry.contains(QStringLiteral("\nIcon=vespolari\n")));
    QVERIFY2(entry.contains(QStringLiteral("\nExec=\"%1/vespolari\"\n").arg(m_folder)), qPrintable(entry));

    // The office profile is made already: the first start need not make it.
    QVERIFY(QDir(m_home.filePath(QStringLiteral(".cache/vespolari/office-0/user"))).exists());
}

void TestInstall::launcherShowsTheWindowAndClosingSavesInTheUsersFolder()
{
    QVERIFY(QFileInfo::exists(m_launcher));
    OwnDisplay display;
    if (display.name().isEmpty())
        QFAIL("no X server could be started for the test");
    const QByteArray installed = contents(m_workbook);

    QProcess diary;
    QProcessEnvironment env = userEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display.name());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    diary.setProcessEnvironment(env);
    diary.setWorkingDirectory(m_home.path());
    QElapsedTimer clock;
    clock.start();
    diary.start(m_launcher, {});
    QVERIFY(diary.waitForStarted(10000));
    KillAtEnd office;
    EndProgram end{diary};
    const QString window = display.visibleWindow(QStringLiteral("^Vespolari$"), 60000);
    QVERIFY2(!window.isEmpty(), diary.readAllStandardError().constData());
    qInfo("first start of the installed diary: %lld ms to the window", clock.elapsed());
    office.pid = childNamed(diary.processId(), "soffice.bin");
    QVERIFY(office.pid > 0);

    // "Esci", clicked where the window has it: its client area sits below the menu bar.
    const QString geometry = display.run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), window});
    const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("Geometry: (\\d+)x(\\d+)")).match(geometry);
    QVERIFY2(size.hasMatch(), qPrintable(geometry));
    const int menuBar = size.captured(2).toInt() - 7230 / 15;
    const int x = (9120 + 1095 / 2) / 15;
    const int y = menuBar + (2640 + 375 / 2) / 15;
    int rc = -1;
    display.run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                                            QString::number(x), QString::number(y), QStringLiteral("click"),
                                            QStringLiteral("1")},
                &rc);
    QCOMPARE(rc, 0);
    QVERIFY2(diary.waitForFinished(30000), "the diary did not end on Esci");
    QCOMPARE(diary.exitCode(), 0);
    QVERIFY(waitForEnd(office.pid, 10000));

    // Saved where the user's diary keeps it, with its backup beside it.
    QVERIFY(contents(m_workbook) != installed);
    QVERIFY(QFileInfo::exists(WorkbookFile::backupPath(m_workbook)));
    auto book = openForInspection(m_workbook);
    QCOMPARE(book->cell(SheetLayout::kHeaderRow, 1).text, QStringLiteral("Data"));
}

void TestInstall::secondInstallKeepsTheWorkbook()
{
    const QByteArray before = contents(m_workbook);
    QVERIFY(!before.isEmpty());
    QVERIFY(before != contents(QStringLiteral(VESPOLARI_SUPPLIED_WORKBOOK)));
    const QString out = script(QStringLiteral("install.sh"), {QStringLiteral(VESPOLARI_BUILD_DIR)});
    QVERIFY2(out != QLatin1String("FAILED"), qPrintable(out));
    QCOMPARE(contents(m_workbook), before);
    QVERIFY(QFileInfo(m_launcher).isSymLink());
}

void TestInstall::uninstallLeavesTheWorkbook()
{
    const QByteArray workbook = contents(m_workbook);
    const QByteArray backup = contents(WorkbookFile::backupPath(m_workbook));
    const QString out = script(QStringLiteral("uninstall.sh"));
    QVERIFY2(out != QLatin1String("FAILED"), qPrintable(out));
    for (const QString &gone : {m_folder + QStringLiteral("/vespolari"), m_launcher, m_entry, m_icon})
        QVERIFY2(!QFileInfo::exists(gone) && !QFileInfo(gone).isSymLink(), qPrintable(gone));
    QCOMPARE(contents(m_workbook), workbook);
    QCOMPARE(contents(WorkbookFile::backupPath(m_workbook)), backup);
    // And it says where the appointments stay.
    QVERIFY2(out.contains(m_workbook) && out.contains(WorkbookFile::backupPath(m_workbook)), qPrintable(out));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
