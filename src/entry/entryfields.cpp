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

void EntryFields::select(EntryRules::Field field)
{
    QLineEdit *edit = field == EntryRules::Field::Date   ? m_dateEdit
                      : field == EntryRules::Field::Time ? m_timeEdit
                      : field == EntryRules::Field::Text ? m_textEdit
                                                         : nullptr;
    if (!edit)
        return;
    edit->setFocus();
    edit->setSelection(0, edit->text().size());
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
