#include "commandline.h"
#include "form1.h"
#include "guardedstart.h"
#include "largeblocks.h"
#include "qtprompter.h"
#include "startup.h"
#include "terminationwatch.h"
#include "domain/diary.h"
#include "forms/qttexts.h"
#include "services/errorreport.h"
#include "services/shutdown.h"
#include "regional/regional.h"
#include "store/calcworkbook.h"
#include "store/storeerror.h"
#include "store/workbookfile.h"

#include <QApplication>

#include <csignal>
#include <cstdio>

namespace {

// The calendar options run without a window, so without a display; anything else is the window's.
int runCommandLine(int argc, char *argv[], const CommandLine &line)
{
    switch (line.task()) {
    case CommandLine::Task::Help:
        std::puts(CommandLine::helpText().toLocal8Bit().constData());
        return 0;
    case CommandLine::Task::Wrong:
        std::fputs((line.error() + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
        return 2;
    default:
        break;
    }
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Vespolari"));
    QLocale::setDefault(Regional::locale());
    installQtTexts(app);
    return line.run(QCoreApplication::applicationDirPath());
}

} // namespace

int main(int argc, char *argv[])
{
    giveLargeBlocksBack();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine line = CommandLine::parse(arguments);
    if (line.task() != CommandLine::Task::Window)
        return runCommandLine(argc, argv, line);

    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Vespolari"));
    // The calendar and the standard buttons follow the same regional settings as our texts.
    QLocale::setDefault(Regional::locale());
    installQtTexts(app);

    // Before the office starts: a signal during start-up ends the program through the same road.
    TerminationWatch termination;
    Form1 *shown = nullptr;
    QObject::connect(&termination, &TerminationWatch::terminationRequested, [&shown] {
        if (shown) {
            shown->close();
            return;
        }
        // Nothing to save yet: die as the signal would have us die; the office goes with us.
        std::signal(SIGTERM, SIG_DFL);
        std::raise(SIGTERM);
    });
    QtPrompter prompter;
    InstanceLock lock;
    CalcWorkbook book;
    switch (startDiary(QCoreApplication::applicationDirPath(), book, lock, prompter)) {
    case StartOutcome::Refused:
        return 0;
    case StartOutcome::Failed:
        return 1;
    case StartOutcome::Started:
        break;
    }
    Diary diary(book);
    // Whatever escapes the window's handlers ends the run as an unforeseen failure does: reported,
    // then through the shutdown sequence, so nothing stored is lost.
    const auto unforeseen = [&](const StoreError &e) {
        shown = nullptr;
        reportError(prompter, e);
        shutDown(diary, prompter);
        return 1;
    };
    try {
        // The first frame needs no stored row: they are read in bulk right after it, for the
        // busy days and the reminders, and the views answer from them from then on.
        Form1 form(diary, prompter, Form1::Rows::AfterFirstFrame);
        prompter.setParent(&form);
        shown = &form;
        form.show();
        finishWhenShown(form, diary, [&form] { form.afterFirstFrame(); });
        const int code = app.exec();
        shown = nullptr;
        return code;
    } catch (const StoreError &e) {
        return unforeseen(e);
    } catch (const std::exception &e) {
        return unforeseen(StoreError(StoreError::Unforeseen, QString::fromLocal8Bit(e.what())));
    }
}
