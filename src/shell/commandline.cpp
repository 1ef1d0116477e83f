#include "commandline.h"

#include "startup.h"
#include "domain/diary.h"
#include "services/errorreport.h"
#include "services/prompter.h"
#include "services/shutdown.h"
#include "services/storefailure.h"
#include "store/calcworkbook.h"
#include "store/storeerror.h"
#include "store/workbookfile.h"
#include "tasks/calendarfiles.h"

#include <QCommandLineParser>

#include <algorithm>
#include <csignal>
#include <cstdio>

namespace {

const QString kExport = QStringLiteral("esporta-calendario");
const QString kImport = QStringLiteral("importa-calendario");

void say(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// SIGINT, SIGTERM and SIGHUP end the run in order: the step under way (a load, or an import's
// write and save) ends, nothing more is started, and the office is quit, so that nothing is left
// running and the next start finds the workbook free. A second signal ends the program at once;
// the office's guard then ends the office.
class Interruption
{
public:
    Interruption()
    {
        struct sigaction action = {};
        action.sa_handler = [](int sig) { s_signal = sig; };
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        for (int sig : {SIGINT, SIGTERM, SIGHUP})
            ::sigaction(sig, &action, &m_before[sig]);
    }
    ~Interruption()
    {
        for (int sig : {SIGINT, SIGTERM, SIGHUP})
            ::sigaction(sig, &m_before[sig], nullptr);
    }
    static bool requested() { return s_signal != 0; }
    // The exit code of a program that a signal ended.
    static int exitCode() { return 128 + s_signal; }
    static StoreError error()
    {
        return StoreError(StoreError::OperationFailed, QStringLiteral("Interrotto: nulla è stato scritto."));
    }

private:
    static inline volatile sig_atomic_t s_signal = 0;
    struct sigaction m_before[NSIG] = {};
};

// Without a window every box is a line on standard error; nobody is there to answer.
class StreamPrompter : public Prompter
{
public:
    void message(const QString &text, Icon) override { say(stderr, QString(text).remove(QLatin1Char('\r'))); }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return std::nullopt; }
    bool question(const QString &) override { return false; }
};

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    CommandLine line;
    // The window's own arguments (Qt's -platform and the like) stay the window's.
    const bool ours = std::any_of(arguments.begin() + std::min<qsizetype>(1, arguments.size()), arguments.end(),
                                  [](const QString &a) {
                                      return a == QLatin1String("-h") || a.startsWith(QLatin1String("--help"))
                                             || a.startsWith(QLatin1String("--") + kExport)
                                             || a.startsWith(QLatin1String("--") + kImport);
                                  });
    if (!ours)
        return line;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QString()});
    parser.addOption({kExport, QString(), QStringLiteral("FILE")});
    parser.addOption({kImport, QString(), QStringLiteral("FILE")});
    line.m_task = Task::Wrong;
    const QString usage = QStringLiteral("\nPer l'elenco delle opzioni: vespolari --help");
    if (!parser.parse(arguments)) {
        const QString unknown = parser.unknownOptionNames().value(0);
        line.m_error = (unknown.isEmpty() ? QStringLiteral("Opzione senza il nome del file.")
                                          : QStringLiteral("Opzione sconosciuta: %1%2")
                                                .arg(unknown.size() > 1 ? QStringLiteral("--") : QStringLiteral("-"), unknown))
                       + usage;
        return line;
    }
    const int chosen = int(parser.isSet(kExport)) + int(parser.isSet(kImport)) + int(parser.isSet(QStringLiteral("help")));
    if (chosen > 1 || parser.values(kExport).size() > 1 || parser.values(kImport).size() > 1) {
        line.m_error = QStringLiteral("Una sola opzione per volta.") + usage;
        return line;
    }
    if (!parser.positionalArguments().isEmpty()) {
        line.m_error = QStringLiteral("Argomento non previsto: %1").arg(parser.positionalArguments().first()) + usage;
        return line;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        line.m_task = Task::Help;
    } else if (parser.isSet(kExport) || parser.isSet(kImport)) {
        line.m_task = parser.isSet(kExport) ? Task::Export : Task::Import;
        line.m_file = parser.value(parser.isSet(kExport) ? kExport : kImport);
        if (line.m_file.trimmed().isEmpty()) {
            line.m_task = Task::Wrong;
            line.m_error = QStringLiteral("Manca il nome del file.") + usage;
        }
    } else {
        line.m_task = Task::Window;
    }
    return line;
}

QString CommandLine::helpText()
{
    return QStringLiteral(
        "Uso: vespolari [opzione]\n"
        "Senza opzioni apre la finestra dell'agenda.\n"
        "\n"
        "Opzioni:\n"
        "  -h, --help                     mostra questo elenco\n"
        "  --esporta-calendario FILE.ics  scrive tutti gli appuntamenti in un file iCalendar\n"
        "  --importa-calendario FILE.ics  aggiunge all'agenda gli appuntamenti di un file iCalendar\n"
        "\n"
        "Le due opzioni dei calendari lavorano senza aprire la finestra: il riepilogo va\n"
        "sull'uscita standard, un rifiuto sull'errore standard con un codice di uscita diverso da 0.\n"
        "\n"
        "Esempio:\n"
        "  vespolari --esporta-calendario ~/Documenti/agenda.ics");
}

namespace {

// The workbook opened for the task, the file to import read first; an exit code when the run
// ends there.
std::optional<int> open(CommandLine::Task task, const QString &file, const QString &folder, CalcWorkbook &book,
                        InstanceLock &lock, Prompter &prompter, CalendarFiles::Read &importing)
{
    try {
        // An import file is read whole before an office starts, and refused then if it cannot be.
        if (task == CommandLine::Task::Import) {
            importing = CalendarFiles::read(file);
            if (!importing.error.isEmpty()) {
                say(stderr, importing.error);
                return 2;
            }
        }
        if (!loadWorkbook(folder, book, lock, prompter)) {
            book.quit();
            return Interruption::requested() ? Interruption::exitCode() : 3;
        }
    } catch (const StoreError &e) {
        book.quit();
        if (Interruption::requested()) {
            say(stderr, Interruption::error().description());
            return Interruption::exitCode();
        }
        reportError(prompter, e);
        return 1;
    }
    if (Interruption::requested()) {
        book.close();
        book.quit();
        say(stderr, Interruption::error().description());
        return Interruption::exitCode();
    }
    return std::nullopt;
}

// The export or the import, and the end of the run that leaves nothing unsaved.
int exchange(CommandLine::Task task, const QString &file, Diary &diary, Prompter &prompter,
             const QByteArray &importing)
{
    try {
        diary.reload();
        std::optional<StoreError> notSaved;
        const CalendarFiles::Outcome outcome =
            task == CommandLine::Task::Export
                ? CalendarFiles::exportTo(diary, file)
                : CalendarFiles::importFrom(diary, file, importing,
                                            [&notSaved](const std::optional<StoreError> &failure) { notSaved = failure; });
        diary.waitForSave();
        say(outcome.done ? stdout : stderr, outcome.text);
        if (notSaved) {
            // Written, not saved: the run ends here, so the save is tried once more, or a rescue
            // copy kept, as at the end of any run.
            say(stderr, StoreFailure::notSavedText(StoreFailure::Written::Appointments, *notSaved));
            shutDown(diary, prompter);
            return 1;
        }
        // What was stored is saved already; nothing else of the workbook is written.
        diary.close();
        diary.quitOffice();
        return outcome.done ? 0 : 2;
    } catch (const StoreError &e) {
        reportError(prompter, e);
        // Appointments written but not saved are saved now, or kept in a rescue copy.
        if (diary.hasUnsavedWrites())
            shutDown(diary, prompter);
        else
            diary.quitOffice();
        return 1;
    }
}

} // namespace

int CommandLine::run(const QString &folder) const
{
    StreamPrompter prompter;
    const Interruption interruption;
    InstanceLock lock;
    CalcWorkbook book;
    // No window, so no hand-over: the office goes with this program whatever ends it.
    book.tieOfficeToProgram();
    book.setWhileStarting([] {
        if (Interruption::requested())
            throw Interruption::error();
    });
    CalendarFiles::Read importing;
    if (const std::optional<int> ended = open(m_task, m_file, folder, book, lock, prompter, importing))
        return *ended;
    Diary diary(book);
    return exchange(m_task, m_file, diary, prompter, importing.data);
}
