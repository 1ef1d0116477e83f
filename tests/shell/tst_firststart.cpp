#include "domain/diary.h"
#include "shell/form1.h"
#include "shell/guardedstart.h"
#include "shell/startupsplash.h"
#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/workbookfile.h"
#include "support/diarywalk.h"
#include "support/owndisplay.h"
#include "support/startparts.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <thread>
#include <unistd.h>

namespace {

// An empty cache folder, as on a machine that never ran the diary: every office started
// meanwhile makes its profile from nothing, and restarts itself once for it.
class FreshCache
{
public:
    FreshCache() : m_old(qgetenv("XDG_CACHE_HOME")) { qputenv("XDG_CACHE_HOME", QFile::encodeName(m_dir.path())); }
    ~FreshCache() { qputenv("XDG_CACHE_HOME", m_old); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
};

// Kills the office this process spawns the given time (0 = the first), as soon as it appears.
class OfficeKiller
{
public:
    explicit OfficeKiller(int which)
        : m_thread([this, which] {
              QVector<qint64> seen;
              while (!m_stop) {
                  const qint64 pid = childNamed(::getpid(), "soffice.bin");
                  if (pid > 0 && !seen.contains(pid)) {
                      seen << pid;
                      if (seen.size() == which + 1) {
                          ::kill(pid_t(pid), SIGKILL);
                          m_killed = pid;
                          return;
                      }
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
          })
    {
    }
    ~OfficeKiller()
    {
        m_stop = true;
        m_thread.join();
    }
    qint64 killed() const { return m_killed; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_killed{0};
    std::thread m_thread;
};

bool splashShown()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("Avvio") && w->isVisible())
            return true;
    }
    return false;
}

} // namespace

// The start as the program runs it, on a machine where the office has never run.
class TestFirstStart : public QObject
{
    Q_OBJECT

private slots:
    void emptyCacheFolderStartsAndShowsTheWindow();
    void officeDyingDuringItsFirstStartIsReported_data();
    void officeDyingDuringItsFirstStartIsReported();
    void columnsAreFittedAfterTheWindowAndBeforeEverySave();
    void busyDaysFollowTheFirstFrameBeforeTheFit();
    void aStartThatFailsTakesTheSplashAwayFirst();
};

void TestFirstStart::emptyCacheFolderStartsAndShowsTheWindow()
{
    FreshCache cache;
    TempWorkbook wb;
    StartParts run;
    // The start processes events while it waits: look at the screen meanwhile.
    bool splashSeen = false;
    QTimer look;
    connect(&look, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("Avvio") && w->isVisible()
                && qobject_cast<QLabel *>(w)->text() == QStringLiteral("Avvio di Vespolari..."))
                splashSeen = true;
    });
    look.start(50);

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(run.start(wb.folder()), StartOutcome::Started);
    const qint64 took = clock.elapsed();
    look.stop();
    QVERIFY2(run.prompter.messages.isEmpty(), qPrintable(run.prompter.texts().join(QLatin1Char('|'))));
    QVERIFY(run.book.isStarted());
    QVERIFY(QDir(cache.path() + QStringLiteral("/vespolari")).exists());
    // The splash belongs to slow starts only (a new profile usually is one).
    if (took > StartupSplash::kDelayMs + 300)
        QVERIFY(splashSeen);
    else if (took < StartupSplash::kDelayMs)
        QVERIFY(!splashSeen);
    QVERIFY(!splashShown());

    const qint64 office = run.book.officePid();
    {
        Diary diary(run.book);
        Form1 form(diary, run.prompter);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.close();
        QVERIFY(form.hasEnded());
    }
    QVERIFY(run.prompter.messages.isEmpty());
    QVERIFY(!processAlive(office));
}

void TestFirstStart::officeDyingDuringItsFirstStartIsReported_data()
{
    QTest::addColumn<int>("which");
    QTest::newRow("the first office") << 0;
    QTest::newRow("the office it restarts for its new profile") << 1;
}

void TestFirstStart::officeDyingDuringItsFirstStartIsReported()
{
    QFETCH(int, which);
    FreshCache cache;
    TempWorkbook wb;
    const QByteArray before = [&] { QFile f(wb.path()); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    StartParts run;
    StartOutcome outcome;
    qint64 killed = 0;
    {
        OfficeKiller killer(which);
        outcome = run.start(wb.folder());
        killed = killer.killed();
    }
    QVERIFY(killed > 0);
    QCOMPARE(outcome, StartOutcome::Failed);
    QCOMPARE(run.prompter.messages.size(), 1);
    QVERIFY2(run.prompter.texts().first().startsWith(QStringLiteral("Errore di run-time '")),
             qPrintable(run.prompter.texts().first()));
    QCOMPARE(run.prompter.messages.first().icon, Prompter::Icon::Stop);
    QVERIFY(!run.book.isStarted());
    QVERIFY(!processAlive(killed));
    QTRY_COMPARE_WITH_TIMEOUT(childNamed(::getpid(), "soffice.bin"), qint64(0), 5000);
    const QByteArray after = [&] { QFile f(wb.path()); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    QVERIFY(after == before);
}

void TestFirstStart::columnsAreFittedAfterTheWindowAndBeforeEverySave()
{
    TempWorkbook wb;
    const QString longText(300, QLatin1Char('m'));
    int narrow = 0;
    {
        // Saved without a fit: a long text in a column too narrow for it.
        auto book = openForInspection(wb.path());
        book->setCell(SheetLayout::kFirstDataRow, 3, CellValue::fromText(longText));
        book->save();
        narrow = book->columnWidth(3);
    }
    // Start-up leaves the fit for later...
    StartParts run;
    QCOMPARE(run.start(wb.folder()), StartOutcome::Started);
    QVERIFY(run.book.hasDeferred());
    QVERIFY(qAbs(run.book.columnWidth(3) - narrow) < 50);
    // ...and any save does it first.
    run.book.save();
    QVERIFY(!run.book.hasDeferred());
    QVERIFY(run.book.columnWidth(3) > narrow + 1000);
    {
        QTemporaryDir aside;
        const QString copy = aside.filePath(QStringLiteral("copia.xls"));
        QVERIFY(QFile::copy(wb.path(), copy));
        auto onDisk = openForInspection(copy);
        QVERIFY(onDisk->columnWidth(3) > narrow + 1000);
    }

    // The window, once drawn, has it done without a save.
    run.book.close();
    run.book.quit();
    run.lock.release();
    CalcWorkbook second;
    InstanceLock secondLock;
    QCOMPARE(startDiary(wb.folder(), second, secondLock, run.prompter), StartOutcome::Started);
    QVERIFY(second.hasDeferred());
    Diary diary(second);
    Form1 form(diary, run.prompter);
    form.show();
    finishWhenShown(form, diary);
    QTRY_VERIFY_WITH_TIMEOUT(!second.hasDeferred(), 10000);
    QVERIFY(run.prompter.messages.isEmpty());
    form.close();
}

void TestFirstStart::busyDaysFollowTheFirstFrameBeforeTheFit()
{
    TempWorkbook wb;
    const QDate busy(2009, 5, 12);  // in the month the window opens on
    {
        auto book = openForInspection(wb.path());
        book->writeBlock(SheetLayout::kFirstDataRow, 1, {{CellValue::fromDate(busy)}});
        book->save();
    }
    StartParts run;
    QCOMPARE(run.start(wb.folder()), StartOutcome::Started);
    Diary diary(run.book);
    Form1 form(diary, run.prompter, Form1::Rows::AfterFirstFrame);
    QVERIFY(DiaryWalk::boldDays(ui(form).MonthView1).isEmpty());
    bool fitWaiting = false;
    form.show();
    finishWhenShown(form, diary, [&] {
        fitWaiting = run.book.hasDeferred();
        form.afterFirstFrame();
    });
    QTRY_COMPARE_WITH_TIMEOUT(DiaryWalk::boldDays(ui(form).MonthView1), QVector<QDate>{busy}, 10000);
    QVERIFY(fitWaiting);
    QTRY_VERIFY_WITH_TIMEOUT(!run.book.hasDeferred(), 10000);
    QVERIFY(run.prompter.messages.isEmpty());
    form.close();
}

void TestFirstStart::aStartThatFailsTakesTheSplashAwayFirst()
{
    TempWorkbook wb;
    openForInspection(wb.path())->saveAs(wb.path(), QStringLiteral("altra"));
    FreshCache cache;  // slow enough for the splash
    StartParts run;
    bool splashAtReport = true;
    run.prompter.onMessage = [&](const QString &) { splashAtReport = splashShown(); };
    QCOMPARE(run.start(wb.folder()), StartOutcome::Failed);
    QCOMPARE(run.prompter.messages.size(), 1);
    QVERIFY(!splashAtReport);
    QVERIFY(!splashShown());
    // Refused before any office: nothing to take away.
    QTemporaryDir empty;
    StartParts refused;
    QCOMPARE(refused.start(empty.path()), StartOutcome::Refused);
    QVERIFY(!splashShown());
}

QTEST_MAIN(TestFirstStart)
#include "tst_firststart.moc"
