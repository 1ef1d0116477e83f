#include "entryhandlers.h"

#include "shell/form1.h"

#include <QLineEdit>
#include <QPushButton>

EntryHandlers::EntryHandlers(Form1 &form) : QObject(&form), m_form(form), m_fields(form), m_insertion(form)
{
    connect(form.Text1, &QLineEdit::textChanged, this, [this] { m_fields.dateChanged(); });
    connect(form.Text2, &QLineEdit::textChanged, this, [this] { m_fields.timeChanged(); });
    connect(form.Command4, &QPushButton::clicked, this, [this] { m_fields.reset(); });
    connect(form.Command1, &QPushButton::clicked, this, [this] { m_insertion.run(); });
}
