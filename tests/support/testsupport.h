#pragma once

#include "shell/prompter.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>

class AppointmentBook;
class Form1;
class InstanceLock;

// Answers the program's boxes: records every message and gives scripted input answers.
class RecordingPrompter : public Prompter
{
public:
    struct Message
    {
        QString text;
        Icon icon;
    };

    void message(const QString &text, Icon icon = Icon::None) override;
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &initial) override;

    QVector<Message> messages;
    QStringList prompts;
    // Answers for input boxes, in order; nothing (cancel) when they run out.
    QVector<std::optional<QString>> answers;
    // Runs while a message is "on screen", to look at the window at that moment.
    std::function<void(const QString &)> onMessage;

    QStringList texts() const;
    void clear() { messages.clear(); prompts.clear(); }
};

// A folder of its own holding a copy of the supplied empty workbook.
class TempWorkbook
{
public:
    TempWorkbook();
    QString folder() const { return m_dir.path(); }
    QString path() const;

private:
    QTemporaryDir m_dir;
};

// A started main window on a workbook copy, as the program stands once its window is up.
class RunningDiary
{
public:
    explicit RunningDiary(const QString &folder);
    ~RunningDiary();

    AppointmentBook &book() { return *m_book; }
    Form1 &form() { return *m_form; }
    RecordingPrompter prompter;

private:
    std::unique_ptr<InstanceLock> m_lock;
    std::unique_ptr<AppointmentBook> m_book;
    std::unique_ptr<Form1> m_form;
};

// Opens a saved workbook in an office of its own to look at what is on disk.
std::unique_ptr<AppointmentBook> openForInspection(const QString &path);

bool processAlive(qint64 pid);
// The office process that a program started as its child; 0 when there is none.
qint64 childOffice(qint64 parent);
