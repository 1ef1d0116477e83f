#include "browsehandlers.h"

#include "shell/errorreport.h"
#include "shell/form1.h"
#include "store/storeerror.h"

#include <QCalendarWidget>
#include <QCheckBox>

BrowseHandlers::BrowseHandlers(Form1 &form) : QObject(&form), m_form(form), m_day(form), m_all(form)
{
    // The day comes from the calendar's selection, not from the signal.
    connect(form.MonthView1, &QCalendarWidget::clicked, this, [this] { guarded([this] { m_day.show(); }); });
    // Toggled, not clicked: unchecking from code must empty the listing too.
    connect(form.Check1, &QCheckBox::toggled, this, [this] { guarded([this] { m_all.update(); }); });
}

template <typename F>
void BrowseHandlers::guarded(F &&handler)
{
    try {
        handler();
    } catch (const StoreError &e) {
        ReportError(m_form.prompter(), e);
        m_form.endWithoutShutdown();
    }
}
