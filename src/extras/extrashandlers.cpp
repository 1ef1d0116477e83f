#include "extrashandlers.h"

#include "linkimage.h"
#include "shell/form1.h"

#include <QAction>

ExtrasHandlers::ExtrasHandlers(Form1 &form)
    : QObject(&form), m_form(form), m_handOver(form), m_webLink(*form.Image1)
{
    connect(m_form.Mexcel, &QAction::triggered, this, [this] { m_handOver.run(); });
    connect(m_form.Image1, &LinkImage::pressed, this, [this] { m_webLink.open(); });
}
