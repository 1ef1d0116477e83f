#include "testsupport.h"

#include "shell/form1.h"
#include "shell/startup.h"
#include "store/appointmentbook.h"
#include "store/sheetlayout.h"
#include "store/workbookfile.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <csignal>

void RecordingPrompter::message(const QString &text, Icon icon)
{
    messages.append({text, icon});
    if (onMessage)
        onMessage(text);
}

std::optional<QString> RecordingPrompter::input(const QString &prompt, const QString &, const QString &initial)
{
    prompts << prompt;
    if (answers.isEmpty())
        return std::nullopt;
    std::optional<QString> a = answers.takeFirst();
    Q_UNUSED(initial)
    return a;
}

QStringList RecordingPrompter::texts() const
{
    QStringList out;
    for (const Message &m : messages)
        out << m.text;
    return out;
}

TempWorkbook::TempWorkbook()
{
    QFile::copy(QStringLiteral(VESPOLARI_SUPPLIED_WORKBOOK), path());
    QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

QString TempWorkbook::path() const
{
    return SheetLayout::workbookPath(m_dir.path());
}

RunningDiary::RunningDiary(const QString &folder)
    : m_lock(std::make_unique<InstanceLock>()), m_book(std::make_unique<AppointmentBook>())
{
    if (!LoadWorkbook(folder, *m_book, *m_lock, prompter))
        qFatal("the diary refused to start: %s", qPrintable(prompter.texts().join(QLatin1Char('|'))));
    m_form = std::make_unique<Form1>(*m_book, prompter);
    // What the program does as soon as its window is drawn.
    m_book->runDeferred();
}

RunningDiary::~RunningDiary()
{
    m_form.reset();
}

std::unique_ptr<AppointmentBook> openForInspection(const QString &path)
{
    auto book = std::make_unique<AppointmentBook>();
    book->start();
    book->open(path, SheetLayout::kPassword);
    return book;
}

qint64 childOffice(qint64 parent)
{
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (line.contains("(soffice.bin)") && fields.size() > 1 && fields[1].toLongLong() == parent)
            return pid.toLongLong();
    }
    return 0;
}

bool processAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    // A zombie has ended; only its parent has not looked yet.
    const QByteArray line = stat.readAll();
    const int close = line.lastIndexOf(')');
    return close > 0 && line.mid(close + 2, 1) != "Z";
}
