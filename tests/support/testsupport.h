#pragma once

#include "services/filechooser.h"
#include "services/prompter.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>

class CalcWorkbook;
class Diary;
class StoreFailure;
class Form1;
class InstanceLock;
class LinkImage;
class QAction;
class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QWidget;
class QPushButton;
class QTimer;
class StampaP;

// List2, a view over lines, reached as a list of items is: List2->count(), ->addItem() and so on.
struct LinesList
{
    QListView *view;

    LinesList *operator->() { return this; }
    operator QListView *() const { return view; }
    operator QWidget *() const;
    int count() const;
    QString text(int row) const;
    void addItem(const QString &line);
    void clear();
    int currentRow() const;
    void setCurrentRow(int row);
};

// The windows' controls, found by the names they carry, as accessibility finds them.
struct Form1Controls
{
    QCalendarWidget *MonthView1;
    QLineEdit *Text1;
    QLineEdit *Text2;
    QLineEdit *Text3;
    QPushButton *Command1;
    QPushButton *Command2;
    QPushButton *Command3;
    QPushButton *Command4;
    QListWidget *List1;
    LinesList List2;
    QCheckBox *Check1;
    QLabel *Label4;
    QLabel *Label5;
    QLabel *Label14;
    QTimer *Timer1;
    LinkImage *Image1;
    QAction *Mexcel;
};
Form1Controls ui(Form1 &form);

struct StampaPControls
{
    QComboBox *Combo1;
    QPushButton *Command1;
    QLabel *Label1;
};
StampaPControls ui(StampaP &window);

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
    bool question(const QString &text) override;

    QVector<Message> messages;
    QStringList prompts;
    // Answers for input boxes, in order; nothing (cancel) when they run out.
    QVector<std::optional<QString>> answers;
    // Questions asked, and the answers to them in order ("No", the default, when they run out).
    QStringList questions;
    QVector<bool> replies;
    // Runs while a question is "on screen", before it is answered.
    std::function<void(const QString &)> onQuestion;
    // Runs while a message is "on screen", to look at the window at that moment.
    std::function<void(const QString &)> onMessage;
    // Runs while a message is "on screen" too: a diary's reader takes as long as its save.
    std::function<void()> whileRead;

    QStringList texts() const;
    void clear()
    {
        messages.clear();
        prompts.clear();
        questions.clear();
    }
};

// Answers the program's file windows: the file chosen, and the one offered to save to.
struct ScriptedFiles : FileChooser
{
    QString chosen;
    QString suggested;
    QString fileToSave(const QString &, const QString &offered, const QString &) override
    {
        suggested = offered;
        return chosen;
    }
    QString fileToOpen(const QString &, const QString &, const QString &) override { return chosen; }
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

    // The workbook once the diary's save under way, if any, has ended.
    CalcWorkbook &book();
    Diary &appointments() { return *m_diary; }
    StoreFailure &storeFailure() { return *m_storeFailure; }
    Form1 &form() { return *m_form; }
    RecordingPrompter prompter;

private:
    std::unique_ptr<InstanceLock> m_lock;
    std::unique_ptr<CalcWorkbook> m_book;
    std::unique_ptr<Diary> m_diary;
    std::unique_ptr<StoreFailure> m_storeFailure;
    std::unique_ptr<Form1> m_form;
};

// Opens a saved workbook in an office of its own to look at what is on disk.
std::unique_ptr<CalcWorkbook> openForInspection(const QString &path);

bool processAlive(qint64 pid);
// The office process that a program started as its child; 0 when there is none.
qint64 childOffice(qint64 parent);
