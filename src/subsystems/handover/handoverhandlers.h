#pragma once

#include "tasks/handover.h"

#include <QObject>

class QAction;

// The menu entry that hands the workbook over to the spreadsheet.
class HandOverHandlers : public QObject
{
    Q_OBJECT

public:
    HandOverHandlers(QAction *handOverAction, Diary &diary, Prompter &prompter, StoreFailure &storeFailure,
                     QObject *parent);

signals:
    // The workbook is the user's now: the run ends without closing it.
    void handedOver();

private:
    HandOver m_handOver;
};
