#include "repeatwindow.h"

#include "entry/entryfields.h"
#include "forms/windowform.h"
#include "regional/regional.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

namespace {

// The choices of "Ripeti", in the order shown.
const Repetition::Rule kRules[] = {{Repetition::Unit::Day, 1}, {Repetition::Unit::Week, 1}, {Repetition::Unit::Week, 2},
                                   {Repetition::Unit::Month, 1}, {Repetition::Unit::Year, 1}};

} // namespace

RepeatWindow::RepeatWindow(const QString &dateText, const QString &timeText, const QString &text, QWidget *parent)
    : QDialog(parent)
{
    WindowForm form(this, QStringLiteral("Ripetuto"), QStringLiteral("Appuntamento ripetuto"));
    setModal(true);

    // The same limits as the entry fields of the main window.
    m_dateEdit = form.lineEdit(dateText, 10, QStringLiteral("Data"));
    m_timeEdit = form.lineEdit(timeText, 5, QStringLiteral("Ora"));
    m_textEdit = form.lineEdit(text, 1 << 20, QStringLiteral("Testo"));
    m_textEdit->setMinimumWidth(320);
    m_repeatCombo = new QComboBox(this);
    m_repeatCombo->addItems({QStringLiteral("ogni giorno"), QStringLiteral("ogni settimana"),
                             QStringLiteral("ogni due settimane"), QStringLiteral("ogni mese"),
                             QStringLiteral("ogni anno")});
    m_repeatCombo->setCurrentIndex(1);
    form.row(QStringLiteral("&Data 00/00/0000"), m_dateEdit, QStringLiteral("Text1"));
    form.row(QStringLiteral("&Ora  00.00"), m_timeEdit, QStringLiteral("Text2"));
    form.row(QStringLiteral("&Testo  Appuntamento"), m_textEdit, QStringLiteral("Text3"));
    form.row(QStringLiteral("&Ripeti"), m_repeatCombo, QStringLiteral("Combo1"));

    // How the series ends: on a date, or after a number of times.
    m_untilOption = new QRadioButton(QStringLiteral("&Fino al"), this);
    m_untilOption->setObjectName(QStringLiteral("Option1"));
    m_untilOption->setAccessibleName(QStringLiteral("Fino al"));
    m_untilEdit = form.lineEdit(QString(), 10, QStringLiteral("Fino al"));
    m_untilEdit->setObjectName(QStringLiteral("Text4"));
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
    auto *end = new QGridLayout;
    end->addWidget(m_untilOption, 0, 0);
    end->addWidget(m_untilEdit, 0, 1);
    end->addWidget(m_countOption, 1, 0);
    end->addWidget(m_countSpin, 1, 1);
    form.below(end);
    m_previewLabel = new QLabel(this);
    m_previewLabel->setObjectName(QStringLiteral("Label1"));
    m_previewLabel->setTextFormat(Qt::PlainText);
    form.below(m_previewLabel);
    form.button(QDialogButtonBox::Ok, QStringLiteral("Command1"));
    form.button(QDialogButtonBox::Cancel, QStringLiteral("Command2"));

    connect(m_untilOption, &QRadioButton::toggled, m_untilEdit, &QWidget::setEnabled);
    connect(m_countOption, &QRadioButton::toggled, m_countSpin, &QWidget::setEnabled);
    for (QLineEdit *edit : {m_dateEdit, m_untilEdit})
        connect(edit, &QLineEdit::textChanged, this, &RepeatWindow::updatePreview);
    connect(m_repeatCombo, &QComboBox::currentIndexChanged, this, &RepeatWindow::updatePreview);
    connect(m_untilOption, &QRadioButton::toggled, this, &RepeatWindow::updatePreview);
    connect(m_countSpin, &QSpinBox::valueChanged, this, &RepeatWindow::updatePreview);
    connect(form.buttons(), &QDialogButtonBox::accepted, this, &RepeatWindow::confirmed);
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
