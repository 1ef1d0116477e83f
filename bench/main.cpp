// Measures the diary's work from an empty workbook to a full one, and the cell-by-cell road
// that bulk reads replace. Prints a table, writes it as CSV and, when asked, plots it.
#include "filledworkbook.h"
#include "programclock.h"
#include "silentprompter.h"
#include "stats.h"

#include "domain/busydays.h"
#include "domain/diary.h"
#include "domain/icalendar.h"
#include "tasks/calendarfiles.h"
#include "domain/reminderschedule.h"
#include "domain/repetition.h"
#include "print/printappointments.h"
#include "regional/regional.h"
#include "services/storefailure.h"
#include "shell/form1.h"
#include "shell/largeblocks.h"
#include "shell/startup.h"
#include "support/testsupport.h"
#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"
#include "store/workbookfile.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <unistd.h>

using namespace SheetLayout;

namespace {

struct Row
{
    int n;
    QString operation;
    Timings t;
    QString unit = QStringLiteral("ms");
};

Timings timeRuns(int runs, const std::function<void()> &operation)
{
    Timings t;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        operation();
        t.ms << clock.nsecsElapsed() / 1e6;
    }
    return t;
}

// The free row found the way one cell per call does it.
int freeRowByCells(const CalcWorkbook &book)
{
    int row = kFirstDataRow;
    while (row <= kLastRow && !book.plainCell(row, kDateColumn).isEmpty())
        ++row;
    return row;
}

// A day's appointments scanned one cell per call, as the views would without bulk reads.
int dayByCells(const CalcWorkbook &book, const QDate &day)
{
    const int last = book.lastUsedRow();
    int found = 0;
    for (int row = kFirstDataRow; row <= last; ++row) {
        const CellValue date = book.plainCell(row, kDateColumn);
        if (date.isNumeric() && date.toDate() == day && date.number == std::floor(date.number)) {
            book.plainCell(row, kTimeColumn);
            book.plainCell(row, kTextColumn);
            ++found;
        }
    }
    return found;
}

int dayInBulk(CalcWorkbook &book, const QDate &day)
{
    return Diary(book).ofDay(day).size();
}

void measureSize(int n, int runs, ProgramClock &clock, QVector<Row> &table)
{
    QTemporaryDir dir;
    const QString path = workbookPath(dir.path());
    QFile::copy(QStringLiteral(VESPOLARI_SUPPLIED_WORKBOOK), path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QDate busiest = fillWorkbook(path, n, 20261207u + n);
    std::fprintf(stderr, "  %d appointments written\n", n);

    qint64 programKiB = 0, officeKiB = 0;
    if (clock.ready()) {
        Row startup{n, QStringLiteral("start-up (process start to window shown)"), {}};
        Row shutdown{n, QStringLiteral("shutdown (save, close, quit)"), {}};
        clock.measure(dir.path(), runs, startup.t, shutdown.t, programKiB, officeKiB);
        Row floor{n, QStringLiteral("office floor (office start, hidden load)"), {}};
        clock.measureFloor(path, runs, floor.t);
        table << startup << floor
              << Row{n, QStringLiteral("ratio start-up / office floor"), {{startup.t.median() / qMax(0.001, floor.t.median())}},
                     QStringLiteral("x")}
              << shutdown;
        if (n == 0) {
            Row first{n, QStringLiteral("first start (empty cache folder)"), {}};
            clock.measureFirstStart(dir.path(), runs, first.t);
            table << first;
        }
    }

    // Filling the workbook and the sizes before held memory of their own, none of it the program's.
    resetOwnPeak();
    SilentPrompter prompter;
    CalcWorkbook book;
    InstanceLock lock;
    if (!loadWorkbook(dir.path(), book, lock, prompter))
        qFatal("the workbook did not open: %s", qPrintable(prompter.last));
    {
        Diary diary(book);
        StoreFailure storeFailure(diary, prompter);
        Form1 form(diary, prompter);
        form.show();
        QApplication::processEvents();
        // The whole click, and within it the confirmation's arrival and, from its OK, the next
        // event the window answers.
        Timings toConfirmation, toNextEvent;
        QElapsedTimer sinceClick, sinceOk;
        prompter.onMessage = [&](const QString &text) {
            if (text != QLatin1String("Inserimento avvenuto"))
                return;
            toConfirmation.ms << sinceClick.nsecsElapsed() / 1e6;
            sinceOk.start();
            QTimer::singleShot(0, [&] { toNextEvent.ms << sinceOk.nsecsElapsed() / 1e6; });
        };
        Row insertion{n, QStringLiteral("insertion (free row, write, sort, save)"), timeRuns(runs, [&] {
                          ui(form).Text1->setText(Regional::dateText(busiest));
                          ui(form).Text2->setText(QStringLiteral("09.30"));
                          ui(form).Text3->setText(QStringLiteral("Misura del tempo di inserimento"));
                          sinceClick.start();
                          ui(form).Command1->click();
                          QApplication::processEvents();
                          // The sort and the save go on after the confirmation; the row counts them.
                          diary.waitForSave();
                      })};
        prompter.onMessage = nullptr;
        ui(form).MonthView1->setSelectedDate(busiest);
        Row day{n, QStringLiteral("day click (lists filled)"), timeRuns(runs, [&] {
                    emit ui(form).MonthView1->clicked(busiest);
                    QApplication::processEvents();
                })};
        Row all{n, QStringLiteral("checking Check1 (full listing)"), timeRuns(runs, [&] {
                    ui(form).Check1->setChecked(true);
                    QApplication::processEvents();
                    ui(form).Check1->setChecked(false);
                })};
        // The calendar turned between the busiest day's month and the next, as its arrows do.
        const QDate nextMonth = busiest.addMonths(1);
        int turns = 0;
        Row busy{n, QStringLiteral("busy days of a month (month change)"), timeRuns(runs, [&] {
                     const QDate page = (turns++ % 2) ? busiest : nextMonth;
                     ui(form).MonthView1->setCurrentPage(page.year(), page.month());
                     QApplication::processEvents();
                 })};
        // The rule alone, on rows already read: what is left of the above once the diary holds them.
        const Appointments held = diary.stored();
        Row busyRule{n, QStringLiteral("busy days of a month, rule on rows held"),
                     timeRuns(runs, [&] { busyDays(held, busiest.year(), busiest.month()); })};
        // What a reminder check costs each time the clock is looked at: the rule on every row held.
        const ReminderSchedule schedule;
        Row reminders{n, QStringLiteral("reminders of the day, rule on rows held"), timeRuns(runs, [&] {
                          schedule.peek(diary.stored(), QDateTime(busiest, QTime(9, 0)), 15);
                      })};
        // "Cerca...": opened (one read of the rows, prepared for searching), then the first letter
        // typed, which finds the most and costs the most.
        QAction *findAction = form.findChild<QAction *>(QStringLiteral("Mcerca"));
        const auto findWindow = [&form] { return form.findChild<QDialog *>(QStringLiteral("Cerca")); };
        Timings opening;
        for (int i = 0; i < runs; ++i) {
            // A window of its own each time, so each opening reads and prepares anew.
            delete findWindow();
            opening.ms << timeRuns(1, [&] {
                findAction->trigger();
                QApplication::processEvents();
            }).ms;
        }
        Row findOpen{n, QStringLiteral("find, window opened (read and prepare)"), opening};
        QLineEdit *findField = findWindow()->findChild<QLineEdit *>(QStringLiteral("Text1"));
        Timings keystrokes;
        for (int i = 0; i < runs; ++i) {
            findField->clear();
            QApplication::processEvents();
            keystrokes.ms << timeRuns(1, [&] {
                QTest::keyClick(findField, Qt::Key_E);
                QApplication::processEvents();
            }).ms;
        }
        std::fprintf(stderr, "  find \"e\": %d found\n", findWindow()->findChild<QAbstractItemModel *>()->rowCount());
        delete findWindow();
        const qint64 afterFindKiB = peakKiB(::getpid());

        // A change and a deletion in the middle of the rows, through the diary as the window does it.
        const auto middle = [&] { return kFirstDataRow + diary.stored().size() / 2; };
        int turn = 0;
        Row change{n, QStringLiteral("change (write, sort, save)"), timeRuns(runs, [&] {
                       const int row = middle();
                       const Appointment was = *diary.at(row);
                       diary.replace(row, {row, was.date, CellValue::fromTime(QTime(8 + turn++ % 10, 15)),
                                           CellValue::fromText(QStringLiteral("Misura del tempo di modifica"))});
                   })};
        // What of them the window waits for: the sort and the save go on in the background.
        const auto windowsPart = [&](const std::function<void(Diary::SaveEnded)> &step) {
            Timings part;
            for (int i = 0; i < runs; ++i) {
                part.ms << timeRuns(1, [&] { step([](const std::optional<StoreError> &) {}); }).ms;
                // Taken back outside the clock, so that even a diary of three rows has one to delete.
                diary.waitForSave();
                diary.undo();
            }
            return part;
        };
        Row changeAnswer{n, QStringLiteral("change, the window's part"), windowsPart([&](Diary::SaveEnded ended) {
                             const int row = middle();
                             const Appointment was = *diary.at(row);
                             diary.replace(row, {row, was.date, CellValue::fromTime(QTime(8 + turn++ % 10, 45)),
                                                 CellValue::fromText(QStringLiteral("Misura della risposta"))},
                                           ended);
                         })};
        Row deletionAnswer{n, QStringLiteral("deletion, the window's part"),
                           windowsPart([&](Diary::SaveEnded ended) { diary.remove(middle(), ended); })};
        Timings undoPart;
        for (int i = 0; i < runs; ++i) {
            diary.remove(middle());
            undoPart.ms << timeRuns(1, [&] { diary.undo(diary.nextUndo(), [](const std::optional<StoreError> &) {}); }).ms;
            diary.waitForSave();
        }
        Row undoAnswer{n, QStringLiteral("undo of a deletion, the window's part"), undoPart};
        Row deletion{n, QStringLiteral("deletion (remove, close the gap, save)"),
                     timeRuns(runs, [&] { diary.remove(middle()); })};
        // A weekly series of 500 stored, then taken back untimed so that each run starts alike.
        Appointments series;
        for (const QDate &d : Repetition::byCount(busiest, {Repetition::Unit::Week, 1}, 500).dates)
            series << Appointment::typed(d, QTime(10, 0), QStringLiteral("Misura del tempo della serie"));
        Timings seriesTimes;
        for (int i = 0; i < runs; ++i) {
            seriesTimes.ms << timeRuns(1, [&] { diary.insertAll(series); }).ms;
            diary.undo();
        }
        Row seriesRow{n, QStringLiteral("series of 500 (one write, sort, save)"), seriesTimes};
        // A name no queue bears: the job sets the whole page up and stops at the print-out call.
        PrintAppointments job(diary, prompter, storeFailure);
        Row print{n, QStringLiteral("print job up to the print-out call"),
                  timeRuns(runs, [&] { job.run(QStringLiteral("vespolari-bench-nessuna-stampante")); })};
        // The office's own save of the same workbook, written whole with the same filter and password.
        QTemporaryDir copies;
        int copy = 0;
        Row bareSave{n, QStringLiteral("office's bare save (store of the workbook)"), timeRuns(runs, [&] {
                         book.storeCopy(copies.filePath(QStringLiteral("copia%1.xls").arg(copy++)), kPassword);
                     })};
        const auto ratio = [n](const QString &name, const Row &a, const Row &b) {
            return Row{n, name, {{a.t.median() / qMax(0.001, b.t.median())}}, QStringLiteral("x")};
        };
        // The same job over the busiest day's week, stopped at the same call.
        PrintAppointments weekJob(diary, prompter, storeFailure, Period::week(busiest));
        Row weekPrint{n, QStringLiteral("week print job up to the print-out call"),
                      timeRuns(runs, [&] { weekJob.run(QStringLiteral("vespolari-bench-nessuna-stampante")); })};
        QTemporaryDir exchange;
        const QString ics = exchange.filePath(QStringLiteral("tutti.ics"));
        Row exportRow{n, QStringLiteral("calendar export, every row"),
                      timeRuns(runs, [&] { CalendarFiles::exportTo(diary, ics); })};
        std::fprintf(stderr, "  export: %lld bytes\n", QFileInfo(ics).size());
        // 1,000 new events each run, taken back by one undo outside the clock.
        Timings imports;
        for (int i = 0; i < runs; ++i) {
            QVector<CalendarEvent> events;
            for (int e = 0; e < 1000; ++e)
                events.append({QStringLiteral("%1-%2@bench").arg(i).arg(e), busiest.addDays(e % 365 - 180),
                               QTime(8 + e % 10, 0), QStringLiteral("Importato %1 di %2").arg(e).arg(i)});
            const QString file = exchange.filePath(QStringLiteral("nuovi%1.ics").arg(i));
            QFile out(file);
            out.open(QIODevice::WriteOnly);
            out.write(ICalendar::write(events));
            out.close();
            imports.ms << timeRuns(1, [&] {
                              CalendarFiles::importFrom(diary, file, {});
                              diary.waitForSave();
                          }).ms;
            diary.undo();
        }
        Row importRow{n, QStringLiteral("calendar import, 1,000 events"), imports};
        table << bareSave << insertion << ratio(QStringLiteral("ratio insertion / bare save"), insertion, bareSave)
              << change << ratio(QStringLiteral("ratio change / bare save"), change, bareSave) << deletion
              << ratio(QStringLiteral("ratio deletion / bare save"), deletion, bareSave)
              << Row{n, QStringLiteral("click on Inserisci to the confirmation"), toConfirmation}
              << Row{n, QStringLiteral("confirmation's OK to the next answered event"), toNextEvent} << changeAnswer
              << deletionAnswer << undoAnswer << seriesRow
              << ratio(QStringLiteral("ratio series of 500 / insertion"), seriesRow, insertion) << day << all << print
              << weekPrint << exportRow << importRow
              << ratio(QStringLiteral("ratio import of 1,000 / insertion"), importRow, insertion);
        table << busy << busyRule << reminders << findOpen << Row{n, QStringLiteral("find, one keystroke (first letter)"), keystrokes};

        const int cellRuns = n >= 30000 ? 1 : 3;
        Row freeCells{n, QStringLiteral("free row, one cell per call"), timeRuns(cellRuns, [&] { freeRowByCells(book); })};
        Row freeBulk{n, QStringLiteral("free row, bulk"),
                     timeRuns(runs, [&] { book.firstEmptyRow(kDateColumn, kFirstDataRow, kLastRow); })};
        Row dayCells{n, QStringLiteral("day scan, one cell per call"), timeRuns(cellRuns, [&] { dayByCells(book, busiest); })};
        Row dayBulk{n, QStringLiteral("day scan, bulk"), timeRuns(runs, [&] { dayInBulk(book, busiest); })};
        table << freeCells << freeBulk << dayCells << dayBulk;
        table << Row{n, QStringLiteral("ratio free row, cells / bulk"), {{freeCells.t.median() / qMax(0.001, freeBulk.t.median())}}, QStringLiteral("x")};
        table << Row{n, QStringLiteral("ratio day scan, cells / bulk"), {{dayCells.t.median() / qMax(0.001, dayBulk.t.median())}}, QStringLiteral("x")};
        const qint64 officeAfterKiB = peakKiB(book.officePid());
        const qint64 programAfterKiB = peakKiB(::getpid());
        form.close();
        table << Row{n, QStringLiteral("peak memory, program after full listing and find"), {{afterFindKiB / 1024.0}},
                     QStringLiteral("MiB")};
        table << Row{n, QStringLiteral("peak memory, program after all operations"), {{programAfterKiB / 1024.0}}, QStringLiteral("MiB")};
        table << Row{n, QStringLiteral("peak memory, office after all operations"), {{officeAfterKiB / 1024.0}}, QStringLiteral("MiB")};
    }
    if (clock.ready()) {
        table << Row{n, QStringLiteral("peak memory, program at start-up"), {{programKiB / 1024.0}}, QStringLiteral("MiB")};
        table << Row{n, QStringLiteral("peak memory, office at start-up"), {{officeKiB / 1024.0}}, QStringLiteral("MiB")};
    }
}

void plot(const QVector<Row> &table, const QString &png)
{
    QTemporaryDir dir;
    QStringList ops;
    for (const Row &r : table)
        if (r.unit == QLatin1String("ms") && !ops.contains(r.operation))
            ops << r.operation;
    QString script = QStringLiteral("set terminal png size 1100,700\nset output '%1'\nset logscale y\n"
                                    "set xlabel 'appuntamenti'\nset ylabel 'ms (mediana)'\nset key left top font ',9'\nplot ")
                         .arg(png);
    for (int i = 0; i < ops.size(); ++i) {
        QFile data(dir.filePath(QStringLiteral("%1.dat").arg(i)));
        data.open(QIODevice::WriteOnly);
        QTextStream out(&data);
        for (const Row &r : table)
            if (r.operation == ops[i])
                out << r.n << ' ' << qMax(0.01, r.t.median()) << '\n';
        script += QStringLiteral("%1'%2' with linespoints title '%3'").arg(i ? QStringLiteral(", ") : QString(), data.fileName(), ops[i]);
    }
    QProcess gnuplot;
    gnuplot.start(QStringLiteral("gnuplot"));
    gnuplot.write(script.toUtf8() + '\n');
    gnuplot.closeWriteChannel();
    gnuplot.waitForFinished();
    std::fprintf(stderr, gnuplot.exitCode() == 0 ? "plot: %s\n" : "plot failed (is gnuplot installed?): %s\n", qPrintable(png));
}

} // namespace

int main(int argc, char *argv[])
{
    // As the program does: what the window holds is measured under the program's own allocator settings.
    giveLargeBlocksBack();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The in-process office runs headless, as in the tests; the program measured from outside gets a display.
    qunsetenv("DISPLAY");
    QApplication app(argc, argv);
    QLocale::setDefault(Regional::locale());
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("sizes"), QStringLiteral("Stored appointments to measure at."), QStringLiteral("list"),
                      QStringLiteral("0,1000,10000,32000,65000")});
    parser.addOption({QStringLiteral("runs"), QStringLiteral("Runs of each operation."), QStringLiteral("n"), QStringLiteral("5")});
    parser.addOption({QStringLiteral("csv"), QStringLiteral("Write the table here."), QStringLiteral("file"), QStringLiteral("bench.csv")});
    parser.addOption({QStringLiteral("plot"), QStringLiteral("Plot time against size into this PNG."), QStringLiteral("png")});
    parser.process(app);

    ProgramClock clock;
    if (!clock.ready())
        std::fprintf(stderr, "no Xvfb: start-up and shutdown are not measured\n");
    QVector<Row> table;
    for (const QString &size : parser.value(QStringLiteral("sizes")).split(QLatin1Char(','))) {
        std::fprintf(stderr, "measuring %s appointments\n", qPrintable(size));
        measureSize(size.toInt(), parser.value(QStringLiteral("runs")).toInt(), clock, table);
    }

    QFile csv(parser.value(QStringLiteral("csv")));
    csv.open(QIODevice::WriteOnly);
    QTextStream c(&csv);
    c << "appointments,operation,median,min,max,unit,runs\n";
    QTextStream out(stdout);
    out << QStringLiteral("%1  %2 %3 %4 %5\n").arg(QStringLiteral("appts"), 6).arg(QStringLiteral("operation"), -42)
               .arg(QStringLiteral("median"), 10).arg(QStringLiteral("min"), 10).arg(QStringLiteral("max"), 10);
    for (const Row &r : table) {
        c << r.n << ",\"" << r.operation << "\"," << r.t.median() << ',' << r.t.min() << ',' << r.t.max() << ','
          << r.unit << ',' << r.t.ms.size() << '\n';
        out << QStringLiteral("%1  %2 %3 %4 %5 %6\n").arg(r.n, 6).arg(r.operation, -42)
                   .arg(r.t.median(), 10, 'f', 1).arg(r.t.min(), 10, 'f', 1).arg(r.t.max(), 10, 'f', 1).arg(r.unit);
    }
    out.flush();
    if (parser.isSet(QStringLiteral("plot")))
        plot(table, parser.value(QStringLiteral("plot")));
    return 0;
}
