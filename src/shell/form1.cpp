#include "form1.h"

#include "clockline.h"
#include "qtfilechooser.h"
#include "browse/browsehandlers.h"
#include "browse/listinglines.h"
#include "domain/diary.h"
#include "entry/entryhandlers.h"
#include "calendarfiles/calendarfilehandlers.h"
#include "find/findhandlers.h"
#include "handover/handoverhandlers.h"
#include "manage/managehandlers.h"
#include "print/periodhandlers.h"
#include "print/printhandlers.h"
#include "remind/remindhandlers.h"
#include "repeat/repeathandlers.h"
#include "services/shutdown.h"
#include "services/storefailure.h"
#include "services/twips.h"
#include "sync/synchandlers.h"
#include "weblink/linkimage.h"
#include "weblink/weblink.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

namespace {

template <typename W>
W *place(QWidget *parent, const char *name, const QRect &geometry)
{
    W *w = new W(parent);
    w->setObjectName(QLatin1String(name));
    w->setGeometry(geometry);
    return w;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    QLabel *l = place<QLabel>(parent, name, geometry);
    l->setText(text);
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

QPushButton *button(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    QPushButton *b = place<QPushButton>(parent, name, geometry);
    b->setText(text);
    b->setAutoDefault(false);
    return b;
}

// Enter on a focused button presses it, as the platform the window was drawn on does. Not by
// making the buttons auto-default, which some styles draw with a frame of their own.
class EnterPressesButton : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto *button = qobject_cast<QPushButton *>(watched);
        if (!button)
            return false;
        // A held key must not insert the same appointment over and over.
        if (!key->isAutoRepeat() && button->isEnabled())
            button->click();
        return true;
    }
};

QIcon diaryIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x2e, 0x6d, 0xa4));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(1, 1, 30, 30, 6, 6);
    p.setPen(QPen(Qt::white, 3));
    p.drawLine(8, 9, 16, 24);
    p.drawLine(16, 24, 24, 9);
    return QIcon(pixmap);
}

} // namespace

Form1::Form1(Diary &diary, Prompter &prompter, QWidget *parent) : Form1(diary, prompter, Rows::AtOnce, parent) {}

Form1::Form1(Diary &diary, Prompter &prompter, Rows rows, QWidget *parent)
    : QMainWindow(parent), m_diary(diary), m_prompter(prompter),
      m_storeFailure(std::make_unique<StoreFailure>(diary, prompter))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Vespolari"));
    setWindowIcon(diaryIcon());
    buildControls();
    wireHandlers(rows);
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    handOverAction = menuBar()->addAction(QStringLiteral("&Excel"));
    handOverAction->setObjectName(QStringLiteral("Mexcel"));
    buildMenus();

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(11235 / 15, 7230 / 15);
    // The window was drawn for an 8-point sans serif; a larger default font would clip its captions.
    QFont drawn(QStringLiteral("Arial"));
    drawn.setPointSizeF(8.25);
    client->setFont(drawn);
    setCentralWidget(client);

    calendar = place<QCalendarWidget>(client, "MonthView1", twips(600, 600, 2490, 2370));
    calendar->setDateRange(QDate(1753, 1, 1), QDate(9999, 12, 31));
    calendar->setSelectedDate(QDate(2009, 5, 25));
    calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calendar->setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    QFont small = calendar->font();
    small.setPointSizeF(7.5);
    calendar->setFont(small);

    dateEdit = place<QLineEdit>(client, "Text1", twips(3600, 1200, 1695, 375));
    dateEdit->setMaxLength(10);
    timeEdit = place<QLineEdit>(client, "Text2", twips(5880, 1200, 1935, 375));
    timeEdit->setMaxLength(5);
    textEdit = place<QLineEdit>(client, "Text3", twips(3600, 2040, 4215, 375));
    // Free text: a paste longer than a cell holds must reach the insertion, which says so,
    // instead of being cut short here without a word.
    textEdit->setMaxLength(1 << 20);
    insertButton = button(client, "Command1", QStringLiteral("Inserisci  Appuntamento"), twips(8520, 1200, 2295, 375));
    textCaption = label(client, "Label1", QStringLiteral("Testo  Appuntamento"), twips(3600, 1800, 2895, 255));
    dateCaption = label(client, "Label2", QStringLiteral("Data 00/00/0000"), twips(3600, 960, 1815, 375));
    timeCaption = label(client, "Label3", QStringLiteral("Ora  00.00"), twips(5880, 960, 1815, 375));
    timesList = place<QListWidget>(client, "List1", twips(600, 3600, 1335, 2400));
    // A view over the lines rather than an item each: the full listing may hold 65,000.
    textsList = place<QListView>(client, "List2", twips(2160, 3600, 8655, 2400));
    textsList->setModel(new ListingLines(textsList));
    textsList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    creditsLabel = label(client, "Label14",
                         QStringLiteral("Vespolari  -  agenda degli appuntamenti  -  vespolari.example.org"),
                         twips(1080, 6240, 8535, 495));
    QFont credits(QStringLiteral("Calibri"));
    credits.setBold(true);
    credits.setPointSizeF(9.75);
    creditsLabel->setFont(credits);
    dayListCaption = label(client, "Label4",
                           QStringLiteral("Vespolari inseriti del giorno ,clicca sul giorno del calendario "),
                           twips(600, 3240, 5175, 255));
    clockLabel = label(client, "Label5", QStringLiteral("Label5"), twips(7800, 480, 3015, 375));
    showAllCheck = place<QCheckBox>(client, "Check1", twips(6000, 3240, 3375, 255));
    showAllCheck->setText(QStringLiteral("Visualizza tutti gli vespolari"));
    printButton = button(client, "Command2", QStringLiteral("Stampa"), twips(8520, 1680, 2295, 375));
    clearButton = button(client, "Command4", QStringLiteral("Pulisci"), twips(8520, 2160, 2295, 375));
    exitButton = button(client, "Command3", QStringLiteral("Esci"), twips(9120, 2640, 1095, 375));
    linkImage = place<LinkImage>(client, "Image1", twips(9720, 6240, 1050, 510));
    linkImage->setToolTip(QStringLiteral("Visita il sito !"));
    // Below the drawn window, and there only while a long synchronisation runs.
    statusLine = statusBar();
    statusLine->setObjectName(QStringLiteral("StatusBar1"));
    statusLine->setSizeGripEnabled(false);
    statusLine->hide();

    for (QLabel *l : {textCaption, dateCaption, timeCaption, creditsLabel, dayListCaption, clockLabel})
        l->setFocusPolicy(Qt::NoFocus);
    QWidget *order[] = {calendar, dateEdit, timeEdit, textEdit, insertButton, timesList,
                        textsList, showAllCheck, printButton, clearButton, exitButton};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    auto *enterKey = new EnterPressesButton(this);
    for (QPushButton *b : {insertButton, printButton, clearButton, exitButton})
        b->installEventFilter(enterKey);

    clockTimer = new QTimer(this);
    clockTimer->setObjectName(QStringLiteral("Timer1"));
    clockTimer->setInterval(1000);
    connect(clockTimer, &QTimer::timeout, this, [this] { clockLabel->setText(ClockLine::now()); });
    clockTimer->start();
}

// Managing what is stored, beside what the window was drawn with: after "&Excel", which stays
// first, the appointments' own menu, then the calendar's as a whole. Each entry is enabled by the
// part that can act on it, when it can.
void Form1::buildMenus()
{
    const auto entry = [](QMenu *menu, const char *name, const QString &text, const QKeySequence &keys) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        action->setEnabled(false);
        return action;
    };
    appointmentsMenu = menuBar()->addMenu(QStringLiteral("&Appuntamenti"));
    appointmentsMenu->setObjectName(QStringLiteral("Mappuntamenti"));
    changeAction = entry(appointmentsMenu, "Mmodifica", QStringLiteral("&Modifica..."), QKeySequence(Qt::Key_F2));
    deleteAction = entry(appointmentsMenu, "Melimina", QStringLiteral("&Elimina"), QKeySequence(Qt::Key_Delete));
    undoAction = entry(appointmentsMenu, "Mannulla", QStringLiteral("&Annulla"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    findAction = entry(appointmentsMenu, "Mcerca", QStringLiteral("&Cerca..."), QKeySequence(Qt::CTRL | Qt::Key_F));
    appointmentsMenu->addSeparator();
    remindAction = entry(appointmentsMenu, "Mpromemoria", QStringLiteral("&Promemoria..."), QKeySequence());
    repeatAction = entry(appointmentsMenu, "Mripetuto", QStringLiteral("Appuntamento &ripetuto..."), QKeySequence());

    calendarMenu = menuBar()->addMenu(QStringLiteral("&Calendario"));
    calendarMenu->setObjectName(QStringLiteral("Mcalendario"));
    periodAction = entry(calendarMenu, "Mperiodo", QStringLiteral("Stampa &periodo..."), QKeySequence());
    calendarMenu->addSeparator();
    exportAction = entry(calendarMenu, "Mesporta", QStringLiteral("&Esporta calendario..."), QKeySequence());
    importAction = entry(calendarMenu, "Mimporta", QStringLiteral("&Importa calendario..."), QKeySequence());
    calendarMenu->addSeparator();
    serverAction = entry(calendarMenu, "Mserver", QStringLiteral("Calendario sul &server..."), QKeySequence());
    refreshAction = entry(calendarMenu, "Maggiorna", QStringLiteral("A&ggiorna dal server"), QKeySequence(Qt::Key_F5));
    for (QAction *always : {periodAction, exportAction, importAction})
        always->setEnabled(true);
}

void Form1::wireHandlers(Rows rows)
{
    connect(exitButton, &QPushButton::clicked, this, &QWidget::close);
    m_entry = std::make_unique<EntryHandlers>(EntryHandlers::Controls{dateEdit, timeEdit, textEdit, insertButton,
                                                                      clearButton},
                                              m_diary, m_prompter, *m_storeFailure, this);
    m_browse = std::make_unique<BrowseHandlers>(BrowseHandlers::Controls{calendar, timesList, textsList, showAllCheck},
                                                m_diary, m_prompter, *m_storeFailure, this);
    m_print = std::make_unique<PrintHandlers>(printButton, m_diary, m_prompter, *m_storeFailure, this);
    // Before the hand-over's handler: a synchronisation under way ends before the workbook goes.
    m_sync = std::make_unique<SyncHandlers>(SyncHandlers::Controls{this, serverAction, refreshAction, statusLine}, m_diary,
                                            m_prompter, *m_storeFailure, this);
    connect(handOverAction, &QAction::triggered, m_sync.get(), &SyncHandlers::finish);
    m_handOver = std::make_unique<HandOverHandlers>(handOverAction, m_diary, m_prompter, *m_storeFailure, this);
    m_webLink = std::make_unique<WebLink>(*linkImage, this);
    m_find = std::make_unique<FindHandlers>(findAction, this, QWidgetList{timesList, textsList}, m_diary, m_prompter,
                                            *m_storeFailure, this);
    m_manage = std::make_unique<ManageHandlers>(
        ManageHandlers::Controls{this, timesList, textsList, changeAction, deleteAction, undoAction, findAction},
        m_diary, m_prompter, *m_storeFailure, this);
    m_remind = std::make_unique<RemindHandlers>(remindAction, this, m_diary, this);
    m_repeat = std::make_unique<RepeatHandlers>(
        RepeatHandlers::Controls{this, repeatAction, dateEdit, timeEdit, textEdit}, m_diary, m_prompter,
        *m_storeFailure, this);
    m_fileChooser = std::make_unique<QtFileChooser>(this);
    m_period = std::make_unique<PeriodHandlers>(periodAction, this, m_diary, m_prompter, *m_storeFailure,
                                                *m_fileChooser, this);
    m_calendarFiles = std::make_unique<CalendarFileHandlers>(CalendarFileHandlers::Controls{exportAction, importAction},
                                                             m_diary, m_prompter, *m_storeFailure, *m_fileChooser, this);

    // How the subsystems affect one another: a chosen day fills the date field; a new date makes
    // the listed appointments stale; an emptied entry area (reset, or an appointment stored)
    // empties the lists and unticks the check box.
    connect(m_browse.get(), &BrowseHandlers::dayChosen, dateEdit, &QLineEdit::setText);
    connect(m_browse.get(), &BrowseHandlers::dayChosen, m_period.get(), &PeriodHandlers::dayListed);
    connect(m_entry.get(), &EntryHandlers::dateEdited, m_browse.get(), &BrowseHandlers::clearLists);
    connect(m_entry.get(), &EntryHandlers::entryAreaCleared, m_browse.get(), &BrowseHandlers::clearListing);
    // A stored series leaves the entry area as a stored appointment does. (Reminders follow
    // Diary::changed themselves.)
    connect(m_repeat.get(), &RepeatHandlers::seriesStored, m_entry.get(), &EntryHandlers::clearEntryArea);
    // What is stored changed, whoever wrote it: the calendar marks the busy days again, and find
    // searches anew.
    connect(&m_diary, &Diary::changed, m_browse.get(), &BrowseHandlers::refreshBusyDays);
    connect(&m_diary, &Diary::changed, m_find.get(), &FindHandlers::appointmentsChanged);
    // An appointment chosen among those found: its day shown and listed, as a click on it does.
    connect(m_find.get(), &FindHandlers::dayChosen, m_browse.get(), &BrowseHandlers::showDay);
    // What the lists show is what a change or deletion acts on; after one, its day is listed again.
    connect(m_browse.get(), &BrowseHandlers::appointmentsListed, m_manage.get(), &ManageHandlers::setListed);
    connect(m_manage.get(), &ManageHandlers::dayToShow, m_browse.get(), &BrowseHandlers::showDay);
    // Rows the server changed moved others: lists showing the old ones are emptied.
    connect(m_sync.get(), &SyncHandlers::diaryUpdated, m_browse.get(), &BrowseHandlers::clearLists);
    // After an unforeseen failure the run ends through the shutdown sequence, saving what is
    // stored; once the workbook is the user's, it ends without touching it.
    connect(m_storeFailure.get(), &StoreFailure::runMustEnd, this, &QWidget::close, Qt::QueuedConnection);
    connect(m_handOver.get(), &HandOverHandlers::handedOver, this, &Form1::endWithoutShutdown);

    if (rows == Rows::AtOnce)
        markBusyDays();
    else
        m_remind->holdFirstCheck();
}

void Form1::afterFirstFrame()
{
    markBusyDays();
    m_remind->check();
}

void Form1::markBusyDays()
{
    // A window built without an open workbook (as the window's own look is checked) has none.
    if (!m_diary.path().isEmpty())
        m_browse->refreshBusyDays();
}

void Form1::endWithoutShutdown()
{
    m_ended = true;
    clockTimer->stop();
    close();
    QCoreApplication::quit();
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Every closing goes ahead, whatever its cause; the user is asked nothing.
    if (!m_ended) {
        m_ended = true;
        clockTimer->stop();
        m_sync->finish();
        shutDown(m_diary, m_prompter);
        QCoreApplication::quit();
    }
    event->accept();
}
