#include "guardedstart.h"

#include "errorreport.h"
#include "startup.h"
#include "startupsplash.h"
#include "storefailure.h"
#include "store/appointmentbook.h"
#include "store/storeerror.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <exception>

namespace {

StoreError unforeseen(const char *what)
{
    return StoreError(StoreError::Unforeseen,
                      QStringLiteral("Errore imprevisto all'avvio: %1").arg(QString::fromLocal8Bit(what)));
}

// Runs a step once the watched window has been painted for the first time.
class AfterFirstPaint : public QObject
{
public:
    AfterFirstPaint(QWidget &window, std::function<void()> step) : QObject(&window), m_step(std::move(step))
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_step) {
            watched->removeEventFilter(this);
            // Queued: the painted window reaches the screen before the office gets busy.
            QTimer::singleShot(0, this, [step = std::move(m_step)] { step(); });
            m_step = nullptr;
        }
        return false;
    }

private:
    std::function<void()> m_step;
};

} // namespace

StartOutcome StartDiary(const QString &folder, AppointmentBook &book, InstanceLock &lock, Prompter &prompter)
{
    StartupSplash splash;
    book.setWhileStarting([&splash] { splash.tick(); });
    struct Untie
    {
        AppointmentBook &book;
        ~Untie() { book.setWhileStarting(nullptr); }
    } untie{book};
    try {
        const bool started = LoadWorkbook(folder, book, lock, prompter);
        splash.close();
        return started ? StartOutcome::Started : StartOutcome::Refused;
    } catch (const StoreError &e) {
        splash.close();
        book.quit();
        ReportError(prompter, e);
    } catch (const std::exception &e) {
        splash.close();
        book.quit();
        ReportError(prompter, unforeseen(e.what()));
    } catch (...) {
        splash.close();
        book.quit();
        ReportError(prompter, unforeseen("eccezione sconosciuta"));
    }
    return StartOutcome::Failed;
}

void FinishWhenShown(QWidget &window, AppointmentBook &book, Prompter &prompter)
{
    QPointer<QWidget> shown(&window);
    new AfterFirstPaint(window, [shown, &book, &prompter] {
        // A window closed meanwhile has saved, fitting first, and given the office back.
        if (!shown || !shown->isVisible())
            return;
        try {
            book.runDeferred();
        } catch (const StoreError &e) {
            HandleStoreFailure(book, prompter, e);
        }
    });
}
