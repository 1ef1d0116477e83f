#include "entryfields.h"

#include "shell/form1.h"
#include "shell/prompter.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>

void EntryFields::dateChanged()
{
    m_form.List1->clear();
    m_form.List2->clear();
}

void EntryFields::timeChanged()
{
    QLineEdit *time = m_form.Text2;
    if (!time->text().contains(QLatin1Char(',')))
        return;
    m_form.prompter().message(QStringLiteral("Orario non corretto. Scritto con virgola anzichè punto"));
    time->setSelection(0, time->text().size());
}

void EntryFields::clearEntryArea(Form1 &form)
{
    form.Text1->clear();
    form.Text2->clear();
    form.Text3->clear();
    form.List1->clear();
    form.List2->clear();
    // Unchecking runs the all-appointments view's own handling.
    form.Check1->setChecked(false);
}

void EntryFields::reset()
{
    clearEntryArea(m_form);
    m_form.Text1->setFocus();
}
