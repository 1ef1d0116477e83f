// The life of the office and of the workbook it holds: start, open, save, close, quit, hand over
// and the recovery after the office went away.

#include "calcworkbook_p.h"

#include "storeerror.h"
#include "storeliterals.h"
#include "workbookfile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QUrl>

#include <rtl/ref.hxx>

#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/util/XCloseable.hpp>

namespace {

constexpr int kConnectTimeoutMs = 60000;
// The office's error code for a password that does not decrypt the file.
constexpr sal_Int32 kWrongPassword = 0x11b;

} // namespace

void OfficeConnection::connect()
{
    QElapsedTimer clock;
    clock.start();
    Reference<bridge::XUnoUrlResolver> resolver = bridge::UnoUrlResolver::create(localContext());
    QString lastFailure;
    for (;;) {
        // Built anew each time: the restart a new profile asks for listens on a new pipe.
        const OUString url = toOU(QStringLiteral("uno:pipe,name=%1;urp;StarOffice.ComponentContext")
                                      .arg(process.pipeName()));
        try {
            remote.set(resolver->resolve(url), UNO_QUERY_THROW);
            desktop = frame::Desktop::create(remote);
            return;
        } catch (const connection::NoConnectException &) {
        } catch (const uno::Exception &e) {
            // An office dying mid-handshake breaks the bridge in various ways; whether it
            // is still there decides below.
            lastFailure = fromOU(e.Message);
            remote.clear();
            desktop.clear();
        }
        if (process.hasExited()) {
            if (!process.exitedForRestart())
                throw StoreError(StoreError::CannotStartOffice,
                                 QStringLiteral("Il foglio di calcolo si è chiuso all'avvio (codice %1)")
                                     .arg(process.exitCode()));
            process.spawn();
        }
        if (clock.elapsed() > kConnectTimeoutMs)
            throw StoreError(StoreError::CannotStartOffice,
                             lastFailure.isEmpty()
                                 ? QStringLiteral("Il foglio di calcolo non risponde all'avvio")
                                 : QStringLiteral("Il foglio di calcolo non risponde all'avvio (%1)").arg(lastFailure));
        if (whileStarting)
            whileStarting();
        QThread::msleep(20);
    }
}

void CalcWorkbook::Impl::load(const QString &url, const Sequence<beans::PropertyValue> &args,
                              RefuseEveryQuestion *handler, const QString &path)
{
    Reference<frame::XComponentLoader> loader(desktop, UNO_QUERY_THROW);
    Reference<lang::XComponent> doc;
    QString reason;
    try {
        doc = loader->loadComponentFromURL(toOU(url), "_blank", 0, args);
    } catch (const lang::DisposedException &) {
        throw StoreError(StoreError::OfficeGone, StoreLiterals::kOfficeGone);
    } catch (const uno::Exception &e) {
        reason = fromOU(e.Message);
    }
    if (!doc.is() || !Reference<sheet::XSpreadsheetDocument>(doc, UNO_QUERY).is()) {
        if (doc.is())
            Reference<util::XCloseable>(doc, UNO_QUERY_THROW)->close(true);
        QString why = QStringLiteral("il file è danneggiato o non è una cartella di lavoro");
        if (handler && (handler->asked.contains(QLatin1String("Password")) || handler->errorCode == kWrongPassword))
            why = QStringLiteral("la password non è valida o il file è danneggiato");
        else if (handler && handler->asked.contains(QLatin1String("Lock")))
            why = QStringLiteral("il file è bloccato da un altro programma");
        if (!reason.isEmpty())
            why += QStringLiteral(" (%1)").arg(reason);
        throw StoreError(StoreError::CannotOpen,
                         StoreLiterals::kCannotOpen.arg(path, why));
    }
    document = doc;
}

CalcWorkbook::CalcWorkbook() : d(*this) {}

CalcWorkbook::~CalcWorkbook()
{
    if (d->handedOver)
        return;
    try {
        close();
    } catch (...) {
        // The office is ended below all the same.
    }
    quit();
}

void CalcWorkbook::start()
{
    try {
        d->process.spawn();
        d->connect();
    } catch (...) {
        d->desktop.clear();
        d->remote.clear();
        d->process.stop(0);
        rethrow("avvio");
    }
}

void CalcWorkbook::setWhileStarting(std::function<void()> tick)
{
    d->whileStarting = std::move(tick);
}

void CalcWorkbook::tieOfficeToProgram()
{
    d.bare()->process.tieToProgram();
}

void CalcWorkbook::deferUntilOutput(std::function<void()> step)
{
    d->deferred = step;
    d->lastDeferred = std::move(step);
}

bool CalcWorkbook::hasDeferred() const
{
    return bool(d->deferred);
}

void CalcWorkbook::runDeferred()
{
    if (!d->deferred)
        return;
    std::function<void()> step = std::move(d->deferred);
    d->deferred = nullptr;
    try {
        step();
    } catch (...) {
        d->deferred = std::move(step);
        throw;
    }
}

void CalcWorkbook::runDeferredBeforeOutput()
{
    // A failure here must not stop the output itself; the step stays due and any real
    // trouble of the office shows in the output that follows.
    try {
        runDeferred();
    } catch (const StoreError &) {
    }
}

bool CalcWorkbook::isStarted() const
{
    return d->desktop.is();
}

qint64 CalcWorkbook::officePid() const
{
    return d.bare()->process.pid();
}

bool CalcWorkbook::canBeShown() const
{
    return isStarted() && !d->process.headless();
}

void CalcWorkbook::open(const QString &path, const QString &password)
{
    // A file that is no compound document at all (empty, cut short to nothing, some other
    // kind): the office would open it as a new, empty workbook and later save over it.
    if (!WorkbookFile::hasWorkbookSignature(path))
        throw StoreError(StoreError::CannotOpen,
                         StoreLiterals::kCannotOpen.arg(
                             path, QStringLiteral("il file non è una cartella di lavoro o è vuoto")));
    rtl::Reference<RefuseEveryQuestion> handler(new RefuseEveryQuestion);
    Sequence<beans::PropertyValue> args(5);
    args[0] = prop("Hidden", uno::Any(true));
    args[1] = prop("Password", uno::Any(toOU(password)));
    args[2] = prop("InteractionHandler", uno::Any(Reference<task::XInteractionHandler>(handler.get())));
    args[3] = prop("MacroExecutionMode", uno::Any(sal_Int16(0)));  // never run macros
    args[4] = prop("ReadOnly", uno::Any(false));
    ++d->contentVersion;
    d->call("apertura", [&] { d->load(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded), args, handler.get(), path); });
    d->path = path;
    d->password = password;
}

void CalcWorkbook::createNew()
{
    Sequence<beans::PropertyValue> args(1);
    args[0] = prop("Hidden", uno::Any(true));
    ++d->contentVersion;
    d->call("nuova cartella", [&] { d->load(QStringLiteral("private:factory/scalc"), args, nullptr, QStringLiteral("nuova cartella")); });
}

void CalcWorkbook::saveAs(const QString &path, const QString &password)
{
    d->requireDocument();
    d->call("salvataggio", [&] {
        Sequence<beans::PropertyValue> args(3);
        args[0] = prop("FilterName", uno::Any(OUString("MS Excel 97")));
        args[1] = prop("Password", uno::Any(toOU(password)));
        args[2] = prop("Overwrite", uno::Any(true));
        Reference<frame::XStorable>(d->document, UNO_QUERY_THROW)
            ->storeAsURL(toOU(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)), args);
    });
}

void CalcWorkbook::storeCopy(const QString &path, const QString &password) const
{
    d->requireDocument();
    d->call("copia", [&] {
        Sequence<beans::PropertyValue> args(3);
        args[0] = prop("FilterName", uno::Any(OUString("MS Excel 97")));
        args[1] = prop("Password", uno::Any(toOU(password)));
        args[2] = prop("Overwrite", uno::Any(false));
        Reference<frame::XStorable>(d->document, UNO_QUERY_THROW)
            ->storeToURL(toOU(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)), args);
    });
}

QString CalcWorkbook::path() const
{
    return d.bare()->path;
}

void CalcWorkbook::save()
{
    d->requireDocument();
    runDeferredBeforeOutput();
    // The last good version stays beside the workbook; if it cannot be kept, the save goes on:
    // the office replaces the file only once the new one is complete.
    if (!d->path.isEmpty())
        WorkbookFile::keepBackup(d->path);
    try {
        const OfficeWatch::Call watch(d->process.pid(), d->lent.patienceMs);
        Reference<frame::XStorable>(d->document, UNO_QUERY_THROW)->store();
    } catch (const lang::DisposedException &) {
        throw StoreError(StoreError::OfficeGone, StoreLiterals::kOfficeGone);
    } catch (const uno::Exception &e) {
        throw StoreError(StoreError::CannotSave,
                         QStringLiteral("Salvataggio non riuscito: %1").arg(fromOU(e.Message)));
    }
}

void CalcWorkbook::close()
{
    if (!d->document.is())
        return;
    Reference<lang::XComponent> doc = d->document;
    d->forgetDocument();
    d->call("chiusura", [&] { Reference<util::XCloseable>(doc, UNO_QUERY_THROW)->close(true); });
}

void CalcWorkbook::quit()
{
    if (d->desktop.is()) {
        try {
            d->desktop->terminate();
        } catch (...) {
            // The bridge may die under the call; the process is waited for below.
        }
    }
    d->desktop.clear();
    d->remote.clear();
    d->process.stop(5000);
}

void CalcWorkbook::handOver()
{
    d->requireDocument();
    runDeferredBeforeOutput();
    d->call("visualizzazione", [&] {
        Reference<frame::XModel> model(d->document, UNO_QUERY_THROW);
        Reference<frame::XFrame> frame = model->getCurrentController()->getFrame();
        Reference<awt::XWindow> window = frame->getContainerWindow();
        window->setVisible(true);
        Reference<awt::XTopWindow> top(window, UNO_QUERY);
        if (top.is())
            top->toFront();
    });
    d->handedOver = true;
    d->forgetDocument();
    d->desktop.clear();
    d->remote.clear();
    d->process.release();
}

quint64 CalcWorkbook::contentVersion() const
{
    return d->contentVersion;
}

bool CalcWorkbook::officeAlive()
{
    OfficeProcess &process = d.bare()->process;
    if (process.hasExited())
        return false;
    // A killed office's main thread is a zombie while its other threads are still being torn
    // down, before the process can be waited for, and it is already exiting (PF_EXITING) before
    // that, when our line to it breaks: either way it answers nothing any more.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(process.pid()));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const int close = line.lastIndexOf(')');
    if (close < 0)
        return true;
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    constexpr quint64 kExiting = 0x4;
    return fields.value(0) != "Z" && !(fields.value(6).toULongLong() & kExiting);
}

void CalcWorkbook::recover()
{
    if (d->path.isEmpty())
        throw StoreError(StoreError::OperationFailed, QStringLiteral("Nessuna cartella di lavoro da riaprire"));
    d->forgetDocument();
    d->desktop.clear();
    d->remote.clear();
    d->process.stop(0);
    // The dead office's lock file would make the new one refuse the workbook.
    WorkbookFile::removeStaleLock(d->path);
    start();
    open(d->path, d->password);
    // What the dead office had done is lost with it.
    d->deferred = d->lastDeferred;
}
