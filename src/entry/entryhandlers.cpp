#include "entryhandlers.h"

#include "shell/form1.h"

EntryHandlers::EntryHandlers(Form1 &form) : QObject(&form), m_form(form)
{
}
