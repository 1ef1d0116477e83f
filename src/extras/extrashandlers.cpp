#include "extrashandlers.h"

#include "shell/form1.h"

ExtrasHandlers::ExtrasHandlers(Form1 &form) : QObject(&form), m_form(form)
{
}
