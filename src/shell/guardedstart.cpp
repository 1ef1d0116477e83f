#include "guardedstart.h"

#include "startup.h"
#include "startupsplash.h"
#include "domain/diary.h"
#include "services/errorreport.h"
#include "store/calcworkbook.h"
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

StartOutcome startDiary(const QString &folder, CalcWorkbook &book, InstanceLock &lock, Prompter &prompter)
{
    StartupSplash splash;
    book.setWhileStarting([&splash] { splash.tick(); });
    struct Untie
    {
        CalcWorkbook &book;
        ~Untie() { book.setWhileStarting(nullptr); }
    } untie{book};
    try {
        const bool started = loadWorkbook(folder, book, lock, prompter);
        splash.close();
        return started ? StartOutcome::Started : StartOutcome::Refused;
    } catch (const StoreError &e) {
        splash.close();
        book.quit();
        reportError(prompter, e);
    } catch (const std::exception &e) {
        splash.close();
        book.quit();
        reportError(prompter, unforeseen(e.what()));
    } catch (...) {
        splash.close();
        book.quit();
        reportError(prompter, unforeseen("eccezione sconosciuta"));
    }
    return StartOutcome::Failed;
}

void finishWhenShown(QWidget &window, Diary &diary, std::function<void()> next)
{
    QPointer<QWidget> shown(&window);
    const auto fit = [shown, &diary] {
        // A window closed meanwhile has saved, fitting first, and given the office back.
        if (shown && shown->isVisible())
            diary.finishStart();
    };
    new AfterFirstPaint(window, [shown, next = std::move(next), fit] {
        if (!next || !shown || !shown->isVisible()) {
            fit();
            return;
        }
        next();
        // Queued behind the repaint that `next` asked for, so it reaches the screen first.
        QTimer::singleShot(0, shown, fit);
    });
}
