#include "support/shareddiary.h"

#include "support/browsefixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>

void SharedDiary::start(const CellBlock &rows)
{
    m_workbook = std::make_unique<TempWorkbook>();
    if (!rows.isEmpty())
        DiaryWalk::storeBeforeStart(m_workbook->path(), rows);
    m_diary = std::make_unique<RunningDiary>(m_workbook->folder());
}

void SharedDiary::stop()
{
    m_diary.reset();
    m_workbook.reset();
}

void SharedDiary::reset(const CellBlock &rows)
{
    // Unticked and cleared as the user would, through the window's own handling.
    Form1Controls form = ui(m_diary->form());
    form.Check1->setChecked(false);
    form.Text1->clear();
    form.Text2->clear();
    form.Text3->clear();
    form.List1->clear();
    form.List2->clear();
    BrowseFixture::replaceRows(m_diary->book(), rows);
    // Last, so that nothing said while resetting is left for the case to read.
    RecordingPrompter &prompter = m_diary->prompter;
    prompter.clear();
    prompter.answers.clear();
    prompter.replies.clear();
    prompter.onQuestion = nullptr;
    prompter.onMessage = nullptr;
}
