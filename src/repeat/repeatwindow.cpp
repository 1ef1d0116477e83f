#include "repeatwindow.h"

#include "entry/entryfields.h"
#include "regional/regional.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QLineEdit *field(QWidget *parent, const char *name, const QString &accessibleName, const QString &text, int maxLength)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(accessibleName);
    edit->setMaxLength(maxLength);
    edit->setText(text);
    return edit;
}

// The choices of "Ripeti", in the order shown.
const Repetition::Rule kRules[] = {{Repetition::Unit::Day, 1}, {Repetition::Unit::Week, 1}, {Repetition::Unit::Week, 2},
                                   {Repetition::Unit::Month, 1}, {Repetition::Unit::Year, 1}};

} // namespace

RepeatWindow::RepeatWindow(const QString &dateText, const QString &timeText, const QString &text, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Ripetuto"));
    setWindowTitle(QStringLiteral("Appuntamento ripetuto"));
    setAccessibleName(QStringLiteral("Appuntamento ripetuto"));
    setModal(true);

    // The same limits as the entry fields of the main window.
    m_dateEdit = field(this, "Text1", QStringLiteral("Data"), dateText, 10);
    m_timeEdit = field(this, "Text2", QStringLiteral("Ora"), timeText, 5);
    m_textEdit = field(this, "Text3", QStringLiteral("Testo"), text, 1 << 20);
    m_textEdit->setMinimumWidth(320);
    m_repeatCombo = new QComboBox(this);
    m_repeatCombo->setObjectName(QStringLiteral("Combo1"));
    m_repeatCombo->setAccessibleName(QStringLiteral("Ripeti"));
    m_repeatCombo->addItems({QStringLiteral("ogni giorno"), QStringLiteral("ogni settimana"),
                             QStringLiteral("ogni due settimane"), QStringLiteral("ogni mese"),
                             QStringLiteral("ogni anno")});
    m_repeatCombo->setCurrentIndex(1);
    m_untilOption = new QRadioButton(QStringLiteral("&Fino al"), this);
    m_untilOption->setObjectName(QStringLiteral("Option1"));
    m_untilOption->setAccessibleName(QStringLiteral("Fino al"));
    m_untilEdit = field(this, "Text4", QStringLiteral("Fino al"), QString(), 10);
    m_countOption = new QRadioButton(QStringLiteral("&Numero di volte"), this);
    m_countOption->setObjectName(QStringLiteral("Option2"));
    m_countOption->setAccessibleName(QStringLiteral("Numero di volte"));
    m_countSpin = new QSpinBox(this);
    m_countSpin->setObjectName(QStringLiteral("Spin1"));
    m_countSpin->setAccessibleName(QStringLiteral("Numero di volte"));
    m_countSpin->setRange(1, Repetition::kMaxOccurrences);
    m_countSpin->setValue(10);
    m_countOption->setChecked(true);
    m_untilEdit->setEnabled(false);
    m_previewLabel = new QLabel(this);
    m_previewLabel->setObjectName(QStringLiteral("Label1"));
    m_previewLabel->setTextFormat(Qt::PlainText);
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Annulla"), this);
    cancel->setObjectName(QStringLiteral("Command2"));

    auto *form = new QFormLayout;
    const auto row = [&](const QString &caption, QWidget *w) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(w);
        form->addRow(label, w);
    };
    row(QStringLiteral("&Data 00/00/0000"), m_dateEdit);
    row(QStringLiteral("&Ora  00.00"), m_timeEdit);
    row(QStringLiteral("&Testo  Appuntamento"), m_textEdit);
    row(QStringLiteral("&Ripeti"), m_repeatCombo);
    auto *end = new QGridLayout;
    end->addWidget(m_untilOption, 0, 0);
    end->addWidget(m_untilEdit, 0, 1);
    end->addWidget(m_countOption, 1, 0);
    end->addWidget(m_countSpin, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(end);
    layout->addWidget(m_previewLabel);
    layout->addLayout(buttons);

    connect(m_untilOption, &QRadioButton::toggled, m_untilEdit, &QWidget::setEnabled);
    connect(m_countOption, &QRadioButton::toggled, m_countSpin, &QWidget::setEnabled);
    for (QLineEdit *edit : {m_dateEdit, m_untilEdit})
        connect(edit, &QLineEdit::textChanged, this, &RepeatWindow::updatePreview);
    connect(m_repeatCombo, &QComboBox::currentIndexChanged, this, &RepeatWindow::updatePreview);
    connect(m_untilOption, &QRadioButton::toggled, this, &RepeatWindow::updatePreview);
    connect(m_countSpin, &QSpinBox::valueChanged, this, &RepeatWindow::updatePreview);
    connect(ok, &QPushButton::clicked, this, &RepeatWindow::confirmed);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_timeEdit->setFocus();
    updatePreview();
}

QString RepeatWindow::dateText() const
{
    return m_dateEdit->text();
}

QString RepeatWindow::timeText() const
{
    return m_timeEdit->text();
}

QString RepeatWindow::text() const
{
    return m_textEdit->text();
}

QString RepeatWindow::untilText() const
{
    return m_untilEdit->text();
}

bool RepeatWindow::endsAtDate() const
{
    return m_untilOption->isChecked();
}

Repetition::Rule RepeatWindow::rule() const
{
    return kRules[qBound(0, m_repeatCombo->currentIndex(), int(std::size(kRules)) - 1)];
}

Repetition::Series RepeatWindow::series() const
{
    const QDate first = Regional::parseDate(dateText());
    if (endsAtDate())
        return Repetition::until(first, rule(), Regional::parseDate(untilText()));
    return Repetition::byCount(first, rule(), m_countSpin->value());
}

QString RepeatWindow::preview() const
{
    if (!Regional::parseDate(dateText()).isValid())
        return QStringLiteral("Scrivere la data del primo appuntamento.");
    if (endsAtDate() && !Regional::parseDate(untilText()).isValid())
        return QStringLiteral("Scrivere la data dell'ultimo giorno.");
    const Repetition::Series s = series();
    if (s.tooMany)
        return QStringLiteral("Troppi appuntamenti: una serie ne ha al massimo %1.").arg(Repetition::kMaxOccurrences);
    if (s.dates.isEmpty())
        return QStringLiteral("Nessun appuntamento: la data finale precede la prima.");
    if (s.dates.size() == 1)
        return QStringLiteral("Verrà inserito 1 appuntamento, il %1.").arg(Regional::dateText(s.dates.first()));
    return QStringLiteral("Verranno inseriti %1 appuntamenti, dal %2 al %3.")
        .arg(s.dates.size())
        .arg(Regional::dateText(s.dates.first()), Regional::dateText(s.dates.last()));
}

void RepeatWindow::updatePreview()
{
    m_previewLabel->setText(preview());
}

void RepeatWindow::select(EntryRules::Field field)
{
    selectForCorrection(field, m_dateEdit, m_timeEdit, m_textEdit);
}

void RepeatWindow::selectUntil()
{
    m_untilEdit->setFocus();
    m_untilEdit->selectAll();
}
