#include "extrashandlers.h"

#include "linkimage.h"

#include <QAction>

ExtrasHandlers::ExtrasHandlers(QAction *handOverAction, LinkImage *linkImage, Diary &diary, Prompter &prompter,
                               StoreFailure &storeFailure, QObject *parent)
    : QObject(parent), m_handOver(diary, prompter, storeFailure), m_webLink(*linkImage)
{
    connect(handOverAction, &QAction::triggered, this, [this] {
        if (m_handOver.run())
            emit handedOver();
    });
    connect(linkImage, &LinkImage::pressed, this, [this] { m_webLink.open(); });
}
