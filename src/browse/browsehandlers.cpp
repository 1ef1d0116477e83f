#include "browsehandlers.h"

#include "shell/form1.h"

BrowseHandlers::BrowseHandlers(Form1 &form) : QObject(&form), m_form(form)
{
}
