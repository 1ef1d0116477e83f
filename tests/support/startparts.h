#pragma once

#include "shell/guardedstart.h"
#include "shell/startup.h"
#include "store/calcworkbook.h"
#include "store/workbookfile.h"
#include "support/testsupport.h"

// What a start needs and leaves behind: the engine, the instance lock, the boxes it showed.
struct StartParts
{
    CalcWorkbook book;
    InstanceLock lock;
    RecordingPrompter prompter;

    bool load(const QString &folder) { return loadWorkbook(folder, book, lock, prompter); }
    StartOutcome start(const QString &folder) { return startDiary(folder, book, lock, prompter); }
};
