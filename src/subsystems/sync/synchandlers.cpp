#include "synchandlers.h"

#include "tasks/serveraccount.h"
#include "serverwindow.h"
#include "tasks/syncstate.h"

#include "domain/diary.h"
#include "services/prompter.h"
#include "services/storefailure.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QInputDialog>
#include <QMessageBox>
#include <QStatusBar>

namespace {

constexpr int kEveryMs = 5 * 60 * 1000;
// Writes of one user action (a write, then its sort) come as one run.
constexpr int kAfterWriteMs = 300;
// How long the exit and the hand-over wait for a run under way.
constexpr int kFinishMs = 3000;

const QString kPlainHttp = QStringLiteral("Il server non è su questo computer e l'indirizzo non usa https: "
                                          "password e appuntamenti viaggerebbero in chiaro. Continuare?");
const QString kBadAddress = QStringLiteral("Indirizzo non valido: scrivere per esempio "
                                           "https://server/percorso/del/calendario/");

} // namespace

SyncHandlers::SyncHandlers(const Controls &controls, Diary &diary, Prompter &prompter, StoreFailure &storeFailure,
                           QObject *parent)
    : QObject(parent),
      m_controls(controls),
      m_diary(diary),
      m_prompter(prompter),
      m_storeFailure(storeFailure),
      m_account(new ServerAccount(this)),
      m_engine(diary, SyncState::fileFor(diary.path()), this),
      m_prober(this)
{
    m_controls.serverAction->setEnabled(true);
    m_every.setInterval(kEveryMs);
    m_afterWrite.setSingleShot(true);
    m_afterWrite.setInterval(kAfterWriteMs);
    // Rows held by a modal window (a change under way) are not moved under it.
    m_engine.setDiaryWritable([] { return !QApplication::activeModalWidget(); });

    connect(m_controls.serverAction, &QAction::triggered, this, &SyncHandlers::showWindow);
    connect(m_controls.refreshAction, &QAction::triggered, &m_engine, &SyncEngine::syncNow);
    connect(&m_every, &QTimer::timeout, &m_engine, &SyncEngine::syncNow);
    connect(&m_afterWrite, &QTimer::timeout, &m_engine, &SyncEngine::sendNow);
    connect(&diary, &Diary::changed, this, &SyncHandlers::diaryChanged);
    connect(&m_engine, &SyncEngine::runFinished, this, &SyncHandlers::runFinished);
    connect(&m_engine, &SyncEngine::progressed, this, &SyncHandlers::progressed);
    connect(&m_engine, &SyncEngine::diaryFailed, this,
            [this](const StoreError &e) { m_storeFailure.recoverIfGone(e); });
    connect(&m_engine, &SyncEngine::diaryNotSaved, this,
            [this](const StoreError &e) { m_storeFailure.saveFailed(e, StoreFailure::Written::Appointments); });
    if (!diary.path().isEmpty())
        configure();
}

SyncHandlers::~SyncHandlers() = default;

void SyncHandlers::configure()
{
    const CalDavClient::Account account = m_account->account();
    if (!account.calendar.isValid() || m_finished) {
        m_engine.setAccount({});
        m_every.stop();
        m_controls.refreshAction->setEnabled(false);
        return;
    }
    if (ServerAccount::needsConsent(account.calendar) && !m_account->consentGiven(account.calendar)) {
        // Written into the settings by hand: asked about as "Salva" asks, once the window stands,
        // before anything is sent. A no leaves the server alone for this run.
        m_engine.setAccount({});
        m_controls.refreshAction->setEnabled(false);
        QTimer::singleShot(0, this, [this, url = account.calendar] {
            if (m_finished || m_account->account().calendar != url || !plainHttpAllowed(url))
                return;
            m_account->giveConsent(url);
            configure();
        });
        return;
    }
    if (account.user.isEmpty() || m_account->passwordKnown())
        return startWith(account);
    m_account->readPassword([this](bool found) {
        if (found)
            startWith(m_account->account());
        else
            askPassword();
    });
}

void SyncHandlers::askPassword()
{
    // No keyring answered: asked once in this run, without holding up the window.
    auto *dialog = new QInputDialog(m_controls.window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Calendario sul server"));
    dialog->setLabelText(QStringLiteral("Password di \"%1\" per il calendario sul server:").arg(m_account->user()));
    dialog->setTextEchoMode(QLineEdit::Password);
    connect(dialog, &QInputDialog::textValueSelected, this, [this](const QString &password) {
        m_account->rememberForThisRun(password);
        startWith(m_account->account());
    });
    dialog->open();
}

void SyncHandlers::startWith(const CalDavClient::Account &account)
{
    if (m_finished)
        return;
    m_engine.setAccount(account);
    m_controls.refreshAction->setEnabled(true);
    m_every.start();
    m_engine.syncNow();
}

void SyncHandlers::diaryChanged()
{
    // The engine's own writes are what the server already holds.
    if (m_engine.isConfigured() && !m_engine.isApplying() && !m_finished)
        m_afterWrite.start();
}

void SyncHandlers::runFinished(const SyncEngine::Summary &summary)
{
    if (summary.received + summary.deletedHere > 0)
        emit diaryUpdated();
    if (summary.diaryBusy && !m_finished)
        afterModalWindows();
    if (m_window)
        m_window->showLastRun(summary.describe());
    if (summary.failure.isEmpty() || m_noticeGiven || m_finished)
        return;
    // Said once in this run, and never in the way.
    m_noticeGiven = true;
    auto *notice = new QMessageBox(QMessageBox::Information, QStringLiteral("Calendario sul server"),
                                   QStringLiteral("Sincronizzazione con il calendario sul server non riuscita: %1\n"
                                                  "Il diario funziona come sempre; riproverà da solo.")
                                       .arg(summary.failure),
                                   QMessageBox::Ok, m_controls.window);
    notice->setObjectName(QStringLiteral("avvisoServer"));
    notice->setTextFormat(Qt::PlainText);
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->setModal(false);
    notice->show();
}

void SyncHandlers::progressed(const SyncEngine::Progress &progress)
{
    QStatusBar *line = m_controls.statusLine;
    if (progress.total == 0 || m_finished) {
        if (line->isHidden())
            return;
        line->clearMessage();
        line->hide();
        // The window goes back to its drawn size.
        m_controls.window->adjustSize();
        return;
    }
    line->showMessage(QStringLiteral("Calendario sul server: %1").arg(progress.describe()));
    line->show();
    if (m_window)
        m_window->showLastRun(progress.describe());
}

// Not a run after run while the window stands open: one once it closes, or once the one behind
// it does.
void SyncHandlers::afterModalWindows()
{
    if (m_finished)
        return;
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal) {
        QTimer::singleShot(0, &m_engine, [this] {
            if (!m_finished)
                m_engine.syncNow();
        });
        return;
    }
    if (modal == m_modal)
        return;
    stopWatching();
    m_modal = modal;
    modal->installEventFilter(this);
    connect(modal, &QObject::destroyed, this, &SyncHandlers::afterModalWindows, Qt::QueuedConnection);
}

void SyncHandlers::stopWatching()
{
    if (!m_modal)
        return;
    m_modal->removeEventFilter(this);
    disconnect(m_modal, &QObject::destroyed, this, nullptr);
    m_modal = nullptr;
}

bool SyncHandlers::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_modal && event->type() == QEvent::Hide) {
        stopWatching();
        // Looked at once the window has left the modal stack.
        QTimer::singleShot(0, this, &SyncHandlers::afterModalWindows);
    }
    return QObject::eventFilter(watched, event);
}

void SyncHandlers::showWindow()
{
    if (!m_window) {
        m_window = new ServerWindow(m_controls.window);
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_window, &ServerWindow::probeRequested, this, &SyncHandlers::probe);
        connect(m_window, &ServerWindow::saveRequested, this, &SyncHandlers::save);
        m_window->setFields(m_account->address(), m_account->user(), m_account->password());
        m_window->showLastRun(m_engine.last().describe());
    }
    m_window->show();
    m_window->raise();
}

// Plain http away from this machine only once the user has said yes to that address.
bool SyncHandlers::plainHttpAllowed(const QUrl &url)
{
    if (!ServerAccount::needsConsent(url) || url == m_allowed || m_account->consentGiven(url))
        return true;
    if (!m_prompter.question(kPlainHttp))
        return false;
    m_allowed = url;
    return true;
}

void SyncHandlers::probe()
{
    // Credentials go in their own fields, never in the address.
    const QUrl url(ServerAccount::withoutUserInfo(m_window->address()));
    if (!url.isValid() || !url.scheme().startsWith(QLatin1String("http")) || url.host().isEmpty())
        return m_window->showProbe(kBadAddress);
    if (!plainHttpAllowed(url))
        return;
    m_window->showProbe(QStringLiteral("Attendere..."));
    m_prober.setAccount({url, m_window->user(), m_window->password()});
    m_prober.probe([this](const CalDavClient::Result &result) {
        if (m_window)
            m_window->showProbe(result.describe());
    });
}

void SyncHandlers::save()
{
    const QString address = ServerAccount::withoutUserInfo(m_window->address());
    const QUrl url(address);
    if (!address.isEmpty()
        && (!url.isValid() || !url.scheme().startsWith(QLatin1String("http")) || url.host().isEmpty()))
        return m_window->showProbe(kBadAddress);
    if (!plainHttpAllowed(url))
        return;
    if (address != m_window->address())
        m_window->setFields(address, m_window->user(), m_window->password());
    m_account->store(address, m_window->user(), m_window->password());
    if (ServerAccount::needsConsent(url))
        m_account->giveConsent(url);
    m_window->showProbe(QStringLiteral("Impostazioni salvate."));
    configure();
}

void SyncHandlers::finish()
{
    m_finished = true;
    m_every.stop();
    m_afterWrite.stop();
    stopWatching();
    m_engine.finish(kFinishMs);
    m_engine.setAccount({});
}
