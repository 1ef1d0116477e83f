#include "stampap.h"

#include "printappointments.h"

#include <QComboBox>
#include <QLabel>
#include <QPrinterInfo>
#include <QPushButton>

const QString StampaP::kCaption = QStringLiteral("Seleziona Stampante");
const QString StampaP::kPrompt = QStringLiteral("Seleziona la stampante");
const QString StampaP::kDefaultLine = QStringLiteral("La stampante predefinita è: ");

namespace {

// Drawn in twips; 15 twips make a pixel at 96 dpi.
QRect twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

QFont boldFont(const char *family)
{
    QFont f{QString::fromLatin1(family)};
    f.setBold(true);
    f.setPointSizeF(11.25);
    return f;
}

} // namespace

StampaP::StampaP(CalcWorkbook &book, Prompter &prompter)
    : QWidget(nullptr, Qt::Window), m_book(book), m_prompter(prompter)
{
    setObjectName(QStringLiteral("StampaP"));
    setWindowTitle(kCaption);
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    load();
}

void StampaP::buildControls()
{
    setFixedSize(4860 / 15, 3090 / 15);

    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    // Typing a name must not add it to the list of installed printers.
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    // Nor may completion turn what the user types into another printer's name.
    Combo1->setCompleter(nullptr);
    Combo1->setGeometry(twips(480, 480, 3855, 390));
    Combo1->setFont(boldFont("Arial"));

    Command1 = new QPushButton(QStringLiteral("Seleziona"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twips(480, 1200, 3855, 855));
    Command1->setFont(boldFont("Calibri"));
    // Enter on the focused button prints, as in a dialog.
    Command1->setAutoDefault(true);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twips(480, 2400, 3615, 495));
    Label1->setFont(boldFont("Calibri"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setFocusPolicy(Qt::NoFocus);

    setTabOrder(Command1, Combo1);
    Command1->setFocus();

    connect(Command1, &QPushButton::clicked, this, &StampaP::PrintAppointments);
}

void StampaP::load()
{
    Combo1->clear();
    // CUPS's order, untouched.
    Combo1->addItems(QPrinterInfo::availablePrinterNames());
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(kPrompt);
    QString name = QPrinterInfo::defaultPrinterName();
    if (Combo1->count() == 0)
        name = QStringLiteral("nessuna stampante installata");
    else if (name.isEmpty())
        name = QStringLiteral("nessuna");
    Label1->setText(kDefaultLine + QStringLiteral("\r\n") + name);
}

void StampaP::PrintAppointments()
{
    ::PrintAppointments job(m_book, m_prompter);
    job.run(Combo1->currentText());
    hide();
}
