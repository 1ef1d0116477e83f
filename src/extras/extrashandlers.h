#pragma once

#include "weblink.h"
#include "tasks/handover.h"

#include <QObject>

class LinkImage;
class QAction;

// The menu entry that hands the workbook over, and the picture that links to the web site.
class ExtrasHandlers : public QObject
{
    Q_OBJECT

public:
    ExtrasHandlers(QAction *handOverAction, LinkImage *linkImage, Diary &diary, Prompter &prompter,
                   StoreFailure &storeFailure, QObject *parent);

signals:
    // The workbook is the user's now: the run ends without closing it.
    void handedOver();

private:
    HandOver m_handOver;
    WebLink m_webLink;
};
