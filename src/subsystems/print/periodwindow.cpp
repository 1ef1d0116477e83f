#include "periodwindow.h"

#include "forms/windowform.h"
#include "regional/clock.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QPushButton>

const QString PeriodWindow::kCaption = QStringLiteral("Stampa periodo");

namespace {

QDateEdit *dateEdit(QWidget *parent)
{
    auto *edit = new QDateEdit(parent);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    edit->setDateRange(QDate(1753, 1, 1), QDate(9999, 12, 31));
    return edit;
}

} // namespace

PeriodWindow::PeriodWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    WindowForm form(this, QStringLiteral("StampaPeriodo"), kCaption);
    fromEdit = dateEdit(this);
    toEdit = dateEdit(this);
    form.row(QStringLiteral("&Dal"), fromEdit, QStringLiteral("Date1"));
    form.row(QStringLiteral("&Al"), toEdit, QStringLiteral("Date2"));

    auto *quick = new QHBoxLayout;
    const auto choice = [&](const QString &text, const QString &name, Period (*of)(const QDate &)) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(true);
        quick->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, of] { setPeriod(of(Clock::today())); });
    };
    choice(QStringLiteral("Oggi"), QStringLiteral("Command1"), &Period::day);
    choice(QStringLiteral("Questa settimana"), QStringLiteral("Command2"), &Period::week);
    choice(QStringLiteral("Questo mese"), QStringLiteral("Command3"), &Period::month);
    form.below(quick);

    QPushButton *print = form.button(QStringLiteral("Stampa..."), QDialogButtonBox::AcceptRole, QStringLiteral("Command4"));
    QPushButton *pdf = form.button(QStringLiteral("Salva PDF..."), QDialogButtonBox::ActionRole, QStringLiteral("Command5"));
    connect(print, &QPushButton::clicked, this, &PeriodWindow::printRequested);
    connect(pdf, &QPushButton::clicked, this, &PeriodWindow::pdfRequested);
    setPeriod(Period::day(Clock::today()));
}

void PeriodWindow::setPeriod(const Period &period)
{
    fromEdit->setDate(period.from);
    toEdit->setDate(period.to);
}

Period PeriodWindow::period() const
{
    return {fromEdit->date(), toEdit->date()};
}
