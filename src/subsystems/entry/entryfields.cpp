#include "entryfields.h"

#include "services/prompter.h"

#include <QLineEdit>

QString EntryFields::dateText() const
{
    return m_dateEdit->text();
}

QString EntryFields::timeText() const
{
    return m_timeEdit->text();
}

QString EntryFields::text() const
{
    return m_textEdit->text();
}

void EntryFields::timeChanged()
{
    if (!m_timeEdit->text().contains(QLatin1Char(',')))
        return;
    m_prompter.message(QStringLiteral("Orario non corretto. Scritto con virgola anzichè punto"));
    m_timeEdit->setSelection(0, m_timeEdit->text().size());
}

void selectForCorrection(EntryRules::Field field, QLineEdit *dateEdit, QLineEdit *timeEdit, QLineEdit *textEdit)
{
    QLineEdit *edit = field == EntryRules::Field::Date   ? dateEdit
                      : field == EntryRules::Field::Time ? timeEdit
                      : field == EntryRules::Field::Text ? textEdit
                                                         : nullptr;
    if (!edit)
        return;
    edit->setFocus();
    edit->setSelection(0, edit->text().size());
}

void EntryFields::select(EntryRules::Field field)
{
    selectForCorrection(field, m_dateEdit, m_timeEdit, m_textEdit);
}

void EntryFields::clear()
{
    m_dateEdit->clear();
    m_timeEdit->clear();
    m_textEdit->clear();
}

void EntryFields::focusDate()
{
    m_dateEdit->setFocus();
}
