#pragma once

#include <QString>
#include <QStringList>

// "vespolari --esporta-calendario FILE.ics", "--importa-calendario FILE.ics" and "--help": the
// calendar files in and out without the window, for scripts.
class CommandLine
{
public:
    enum class Task { Window, Export, Import, Help, Wrong };

    // What the arguments ask for; a Wrong one carries why, in Italian.
    static CommandLine parse(const QStringList &arguments);

    Task task() const { return m_task; }
    QString file() const { return m_file; }
    QString error() const { return m_error; }
    static QString helpText();

    // Runs an Export or Import on the workbook in the folder, with the start-up checks of the
    // window: the summary on standard output and 0, or the refusal on standard error and not 0.
    int run(const QString &folder) const;

private:
    Task m_task = Task::Window;
    QString m_file;
    QString m_error;
};
