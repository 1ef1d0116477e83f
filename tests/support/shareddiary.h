#pragma once

#include "support/diarywalk.h"
#include "support/testsupport.h"

#include <memory>

// One running diary for a whole test class, on a workbook copy of its own: started once, each
// case putting its own rows on the sheet.
class SharedDiary
{
public:
    // On the supplied empty workbook, or on one holding these rows from the first data row on.
    void start(const CellBlock &rows = {});
    // The office goes before the folder that holds its workbook.
    void stop();
    // What a case starts from: these rows alone on the sheet, the entry fields, the lists and
    // "Visualizza tutti" emptied, and no box shown or scripted.
    void reset(const CellBlock &rows = {});

    RunningDiary &operator*() { return *m_diary; }
    RunningDiary *operator->() { return m_diary.get(); }
    const TempWorkbook &workbook() const { return *m_workbook; }

private:
    std::unique_ptr<TempWorkbook> m_workbook;
    std::unique_ptr<RunningDiary> m_diary;
};
