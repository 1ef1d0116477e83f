#include "handoverhandlers.h"

#include <QAction>

HandOverHandlers::HandOverHandlers(QAction *handOverAction, Diary &diary, Prompter &prompter,
                                   StoreFailure &storeFailure, QObject *parent)
    : QObject(parent), m_handOver(diary, prompter, storeFailure)
{
    connect(handOverAction, &QAction::triggered, this, [this] {
        if (m_handOver.run())
            emit handedOver();
    });
}
