#include "stampap.h"

#include "printappointments.h"
#include "services/twips.h"

#include <QComboBox>
#include <QLabel>
#include <QPrinterInfo>
#include <QPushButton>

const QString StampaP::kCaption = QStringLiteral("Seleziona Stampante");
const QString StampaP::kDefaultLine = QStringLiteral("La stampante predefinita è: ");

namespace {

QFont boldFont(const char *family)
{
    QFont f{QString::fromLatin1(family)};
    f.setBold(true);
    f.setPointSizeF(11.25);
    return f;
}

} // namespace

StampaP::StampaP(Diary &diary, Prompter &prompter, StoreFailure &storeFailure, std::optional<Period> period)
    : QWidget(nullptr, Qt::Window), m_diary(diary), m_prompter(prompter), m_storeFailure(storeFailure),
      m_period(period)
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

    printerCombo = new QComboBox(this);
    printerCombo->setObjectName(QStringLiteral("Combo1"));
    printerCombo->setEditable(true);
    // Typing a name must not add it to the list of installed printers.
    printerCombo->setInsertPolicy(QComboBox::NoInsert);
    // Nor may completion turn what the user types into another printer's name.
    printerCombo->setCompleter(nullptr);
    printerCombo->setGeometry(twips(480, 480, 3855, 390));
    printerCombo->setFont(boldFont("Arial"));

    printButton = new QPushButton(QStringLiteral("Seleziona"), this);
    printButton->setObjectName(QStringLiteral("Command1"));
    printButton->setGeometry(twips(480, 1200, 3855, 855));
    printButton->setFont(boldFont("Calibri"));
    // Enter on the focused button prints, as in a dialog.
    printButton->setAutoDefault(true);

    defaultPrinterLabel = new QLabel(this);
    defaultPrinterLabel->setObjectName(QStringLiteral("Label1"));
    defaultPrinterLabel->setGeometry(twips(480, 2400, 3615, 495));
    defaultPrinterLabel->setFont(boldFont("Calibri"));
    defaultPrinterLabel->setTextFormat(Qt::PlainText);
    defaultPrinterLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    defaultPrinterLabel->setFocusPolicy(Qt::NoFocus);

    setTabOrder(printButton, printerCombo);
    printButton->setFocus();

    connect(printButton, &QPushButton::clicked, this, &StampaP::printOnChosen);
}

void StampaP::load()
{
    printerCombo->clear();
    // CUPS's order, untouched.
    printerCombo->addItems(QPrinterInfo::availablePrinterNames());
    printerCombo->setCurrentIndex(-1);
    printerCombo->setEditText(PrintAppointments::kNoPrinterChosen);
    QString name = QPrinterInfo::defaultPrinterName();
    if (printerCombo->count() == 0)
        name = QStringLiteral("nessuna stampante installata");
    else if (name.isEmpty())
        name = QStringLiteral("nessuna");
    defaultPrinterLabel->setText(kDefaultLine + QStringLiteral("\r\n") + name);
}

void StampaP::printOnChosen()
{
    PrintAppointments job(m_diary, m_prompter, m_storeFailure, m_period);
    job.run(printerCombo->currentText());
    hide();
}
