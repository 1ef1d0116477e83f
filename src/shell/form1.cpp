#include "form1.h"

#include "browse/browsehandlers.h"
#include "clockline.h"
#include "entry/entryhandlers.h"
#include "extras/extrashandlers.h"
#include "extras/linkimage.h"
#include "print/printhandlers.h"
#include "shutdown.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

namespace {

// Positions are kept in twips, as the window was drawn; 15 twips make a pixel at 96 dpi.
QRect twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

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

Form1::Form1(CalcWorkbook &book, Prompter &prompter, QWidget *parent)
    : QMainWindow(parent), m_book(book), m_prompter(prompter)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Vespolari"));
    setWindowIcon(diaryIcon());
    buildControls();
    wireHandlers();
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    Mexcel = menuBar()->addAction(QStringLiteral("&Excel"));
    Mexcel->setObjectName(QStringLiteral("Mexcel"));

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(11235 / 15, 7230 / 15);
    // The window was drawn for an 8-point sans serif; a larger default font would clip its captions.
    QFont drawn(QStringLiteral("Arial"));
    drawn.setPointSizeF(8.25);
    client->setFont(drawn);
    setCentralWidget(client);

    MonthView1 = place<QCalendarWidget>(client, "MonthView1", twips(600, 600, 2490, 2370));
    MonthView1->setDateRange(QDate(1753, 1, 1), QDate(9999, 12, 31));
    MonthView1->setSelectedDate(QDate(2009, 5, 25));
    MonthView1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    MonthView1->setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    QFont small = MonthView1->font();
    small.setPointSizeF(7.5);
    MonthView1->setFont(small);

    Text1 = place<QLineEdit>(client, "Text1", twips(3600, 1200, 1695, 375));
    Text1->setMaxLength(10);
    Text2 = place<QLineEdit>(client, "Text2", twips(5880, 1200, 1935, 375));
    Text2->setMaxLength(5);
    Text3 = place<QLineEdit>(client, "Text3", twips(3600, 2040, 4215, 375));
    // Free text: a paste longer than a cell holds must reach the insertion, which says so,
    // instead of being cut short here without a word.
    Text3->setMaxLength(1 << 20);
    Command1 = button(client, "Command1", QStringLiteral("Inserisci  Appuntamento"), twips(8520, 1200, 2295, 375));
    Label1 = label(client, "Label1", QStringLiteral("Testo  Appuntamento"), twips(3600, 1800, 2895, 255));
    Label2 = label(client, "Label2", QStringLiteral("Data 00/00/0000"), twips(3600, 960, 1815, 375));
    Label3 = label(client, "Label3", QStringLiteral("Ora  00.00"), twips(5880, 960, 1815, 375));
    List1 = place<QListWidget>(client, "List1", twips(600, 3600, 1335, 2400));
    List2 = place<QListWidget>(client, "List2", twips(2160, 3600, 8655, 2400));
    Label14 = label(client, "Label14",
                    QStringLiteral("Vespolari  -  agenda degli appuntamenti  -  vespolari.example.org"),
                    twips(1080, 6240, 8535, 495));
    QFont credits(QStringLiteral("Calibri"));
    credits.setBold(true);
    credits.setPointSizeF(9.75);
    Label14->setFont(credits);
    Label4 = label(client, "Label4",
                   QStringLiteral("Vespolari inseriti del giorno ,clicca sul giorno del calendario "),
                   twips(600, 3240, 5175, 255));
    Label5 = label(client, "Label5", QStringLiteral("Label5"), twips(7800, 480, 3015, 375));
    Check1 = place<QCheckBox>(client, "Check1", twips(6000, 3240, 3375, 255));
    Check1->setText(QStringLiteral("Visualizza tutti gli vespolari"));
    Command2 = button(client, "Command2", QStringLiteral("Stampa"), twips(8520, 1680, 2295, 375));
    Command4 = button(client, "Command4", QStringLiteral("Pulisci"), twips(8520, 2160, 2295, 375));
    Command3 = button(client, "Command3", QStringLiteral("Esci"), twips(9120, 2640, 1095, 375));
    Image1 = place<LinkImage>(client, "Image1", twips(9720, 6240, 1050, 510));
    Image1->setToolTip(QStringLiteral("Visita il sito !"));

    for (QLabel *l : {Label1, Label2, Label3, Label14, Label4, Label5})
        l->setFocusPolicy(Qt::NoFocus);
    QWidget *order[] = {MonthView1, Text1, Text2, Text3, Command1, List1, List2, Check1, Command2, Command4, Command3};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { Label5->setText(ClockLine::now()); });
    Timer1->start();
}

void Form1::wireHandlers()
{
    connect(Command3, &QPushButton::clicked, this, &QWidget::close);
    m_entry = std::make_unique<EntryHandlers>(*this);
    m_browse = std::make_unique<BrowseHandlers>(*this);
    m_print = std::make_unique<PrintHandlers>(*this);
    m_extras = std::make_unique<ExtrasHandlers>(*this);
}

void Form1::endWithoutShutdown()
{
    m_ended = true;
    Timer1->stop();
    close();
    QCoreApplication::quit();
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Every closing goes ahead, whatever its cause; the user is asked nothing.
    if (!m_ended) {
        m_ended = true;
        Timer1->stop();
        ShutDown(m_book, m_prompter);
        QCoreApplication::quit();
    }
    event->accept();
}
