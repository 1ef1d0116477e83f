#include "browsehandlers.h"

#include "shell/errorreport.h"
#include "shell/form1.h"
#include "shell/storefailure.h"
#include "store/storeerror.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QListWidget>

BrowseHandlers::BrowseHandlers(Form1 &form) : QObject(&form), m_form(form), m_day(form), m_all(form)
{
    // Every line is one line of text in one font: measuring tens of thousands of them one by one
    // would cost the full listing half a second for nothing.
    form.List1->setUniformItemSizes(true);
    form.List2->setUniformItemSizes(true);
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
        if (OfficeIsGone(m_form.book(), e)) {
            // Replaced on the last save, so the next click works.
            HandleStoreFailure(m_form.book(), m_form.prompter(), e);
            return;
        }
        // Anything else is unforeseen: reported, and the run ends as after any uncaught error.
        ReportError(m_form.prompter(), e);
        m_form.endWithoutShutdown();
    }
}
