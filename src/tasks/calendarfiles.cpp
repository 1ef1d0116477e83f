#include "calendarfiles.h"

#include "domain/diary.h"
#include "domain/icalendar.h"
#include "domain/importplan.h"
#include "regional/clock.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString unreadable(const QString &path, const QString &why)
{
    return QStringLiteral("Impossibile leggere il file %1: %2").arg(shown(path), why);
}

struct Descriptor
{
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

CalendarFiles::Outcome CalendarFiles::exportTo(Diary &diary, const QString &path)
{
    const Appointments stored = diary.settled();
    const QVector<CalendarEvent> events = ICalendar::toEvents(stored);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(ICalendar::write(events)) < 0 || !file.commit())
        return {false, QStringLiteral("Impossibile scrivere il file %1: %2").arg(shown(path), file.errorString())};
    QString text = QStringLiteral("Esportati %1 appuntamenti in %2").arg(events.size()).arg(shown(path));
    if (const int undated = int(stored.size() - events.size()))
        text += QStringLiteral("\nSaltate %1 righe senza una data").arg(undated);
    return {true, text};
}

CalendarFiles::Read CalendarFiles::read(const QString &path)
{
    // Not blocking: opening a pipe would wait for a writer.
    const Descriptor file{::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    // The system's reasons come in Qt's Italian words where Qt has them.
    if (file.fd < 0)
        return {{}, unreadable(path, qt_error_string(errno))};
    struct stat info = {};
    if (::fstat(file.fd, &info) != 0)
        return {{}, unreadable(path, qt_error_string(errno))};
    if (S_ISDIR(info.st_mode))
        return {{}, unreadable(path, QStringLiteral("è una cartella."))};
    if (!S_ISREG(info.st_mode))
        return {{}, unreadable(path, QStringLiteral("non è un file normale."))};
    if (info.st_size > kMaxFileBytes)
        return {{}, unreadable(path, QStringLiteral("è più grande di %1 MB.").arg(kMaxFileBytes / (1024 * 1024)))};
    QByteArray data(qsizetype(info.st_size), Qt::Uninitialized);
    qsizetype got = 0;
    // A file that grows while it is read is taken as it was.
    while (got < data.size()) {
        const ssize_t n = ::read(file.fd, data.data() + got, size_t(data.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return {{}, unreadable(path, qt_error_string(errno))};
        if (n == 0)
            break;
        got += n;
    }
    data.truncate(got);
    return {data, {}};
}

CalendarFiles::Outcome CalendarFiles::importFrom(Diary &diary, const QString &path, Diary::SaveEnded ended)
{
    const Read file = read(path);
    if (!file.error.isEmpty())
        return {false, file.error};
    return importFrom(diary, path, file.data, std::move(ended));
}

CalendarFiles::Outcome CalendarFiles::importFrom(Diary &diary, const QString &path, const QByteArray &data,
                                                 Diary::SaveEnded ended)
{
    const Appointments stored = diary.settled();
    const int free = diary.freeRows();
    // Expansion stops once even every stored appointment met again could not leave room.
    const int most = int(qMin<qint64>(ICalendar::kMaxEvents, qint64(free) + stored.size()));
    const ICalendar::Parsed parsed = ICalendar::read(data, Clock::today().addYears(2), kMaxOccurrences, most);
    if (!parsed.isCalendar)
        return {false, QStringLiteral("Il file %1 non è stato importato.\n%2").arg(shown(path), parsed.error)};
    if (parsed.tooMany)
        return {false, QStringLiteral("Il file %1 non è stato importato: contiene più di %2 appuntamenti, "
                                      "ma le righe libere sono %3.")
                           .arg(shown(path))
                           .arg(most)
                           .arg(free)};
    const ImportPlan plan = ImportPlan::make(parsed, stored, kMaxOccurrences);
    if (plan.toStore.size() > free)
        return {false, QStringLiteral("Il file %1 non è stato importato: contiene %2 appuntamenti nuovi, "
                                      "ma le righe libere sono %3.")
                           .arg(shown(path))
                           .arg(plan.toStore.size())
                           .arg(free)};
    diary.insertAll(plan.toStore, std::move(ended));
    return {true, plan.summary()};
}
