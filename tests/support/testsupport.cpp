#include "testsupport.h"

#include "domain/diary.h"
#include "services/storefailure.h"
#include "shell/form1.h"
#include "shell/startup.h"
#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/workbookfile.h"

#include "weblink/linkimage.h"
#include "print/stampap.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QListView>
#include <QStringListModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <QDir>
#include <QFile>
#include <QTest>

#include <csignal>

void RecordingPrompter::message(const QString &text, Icon icon)
{
    messages.append({text, icon});
    if (onMessage)
        onMessage(text);
    if (whileRead)
        whileRead();
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

bool RecordingPrompter::question(const QString &text)
{
    questions << text;
    if (onQuestion)
        onQuestion(text);
    return !replies.isEmpty() && replies.takeFirst();
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
    : m_lock(std::make_unique<InstanceLock>()), m_book(std::make_unique<CalcWorkbook>())
{
    if (!loadWorkbook(folder, *m_book, *m_lock, prompter))
        qFatal("the diary refused to start: %s", qPrintable(prompter.texts().join(QLatin1Char('|'))));
    m_diary = std::make_unique<Diary>(*m_book);
    m_diary->reload();
    m_storeFailure = std::make_unique<StoreFailure>(*m_diary, prompter);
    m_form = std::make_unique<Form1>(*m_diary, prompter);
    // What the program does as soon as its window is drawn.
    m_book->runDeferred();
    prompter.whileRead = [this] { m_diary->waitForSave(); };
}

CalcWorkbook &RunningDiary::book()
{
    m_diary->waitForSave();
    return *m_book;
}

RunningDiary::~RunningDiary()
{
    m_form.reset();
}

std::unique_ptr<CalcWorkbook> openForInspection(const QString &path)
{
    auto book = std::make_unique<CalcWorkbook>();
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

namespace {

template <typename T>
T *named(QObject &parent, const char *name)
{
    T *found = parent.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no control named %s", name);
    return found;
}

} // namespace

Form1Controls ui(Form1 &form)
{
    return {named<QCalendarWidget>(form, "MonthView1"), named<QLineEdit>(form, "Text1"),
            named<QLineEdit>(form, "Text2"),           named<QLineEdit>(form, "Text3"),
            named<QPushButton>(form, "Command1"),      named<QPushButton>(form, "Command2"),
            named<QPushButton>(form, "Command3"),      named<QPushButton>(form, "Command4"),
            named<QListWidget>(form, "List1"),         LinesList{named<QListView>(form, "List2")},
            named<QCheckBox>(form, "Check1"),          named<QLabel>(form, "Label4"),
            named<QLabel>(form, "Label5"),             named<QLabel>(form, "Label14"),
            named<QTimer>(form, "Timer1"),             named<LinkImage>(form, "Image1"),
            named<QAction>(form, "Mexcel")};
}

StampaPControls ui(StampaP &window)
{
    return {named<QComboBox>(window, "Combo1"), named<QPushButton>(window, "Command1"),
            named<QLabel>(window, "Label1")};
}

LinesList::operator QWidget *() const
{
    return view;
}

int LinesList::count() const
{
    return view->model()->rowCount();
}

QString LinesList::text(int row) const
{
    return view->model()->index(row, 0).data().toString();
}

void LinesList::addItem(const QString &line)
{
    auto *lines = static_cast<QStringListModel *>(view->model());
    lines->setStringList(lines->stringList() << line);
}

void LinesList::clear()
{
    static_cast<QStringListModel *>(view->model())->setStringList({});
}

int LinesList::currentRow() const
{
    return view->currentIndex().row();
}

void LinesList::setCurrentRow(int row)
{
    view->setCurrentIndex(view->model()->index(row, 0));
}
