#include "printhandlers.h"

#include "shell/form1.h"

PrintHandlers::PrintHandlers(Form1 &form) : QObject(&form), m_form(form)
{
}
