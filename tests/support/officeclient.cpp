#include "officeclient.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/DispatchHelper.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

using namespace com::sun::star;
using com::sun::star::uno::Reference;
using com::sun::star::uno::UNO_QUERY;
using com::sun::star::uno::UNO_QUERY_THROW;

namespace {

rtl::OUString toOU(const QString &s)
{
    return rtl::OUString(reinterpret_cast<const sal_Unicode *>(s.utf16()), s.size());
}

QString pipeOf(qint64 pid)
{
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!cmdline.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &arg : cmdline.readAll().split('\0')) {
        if (arg.startsWith("--accept=pipe,name="))
            return QString::fromUtf8(arg.mid(19, arg.indexOf(';') - 19));
    }
    return {};
}

} // namespace

struct OfficeClient::Impl
{
    Reference<uno::XComponentContext> remote;
    Reference<frame::XDesktop2> desktop;
    Reference<sheet::XSpreadsheetDocument> document;

    // The commands the window runs for its user's keys and cell input line.
    void dispatch(const char *command, const char *argument, const QString &value)
    {
        Reference<frame::XModel> model(document, UNO_QUERY_THROW);
        Reference<frame::XDispatchProvider> frame(model->getCurrentController()->getFrame(), UNO_QUERY_THROW);
        uno::Sequence<beans::PropertyValue> args(1);
        args[0].Name = rtl::OUString::createFromAscii(argument);
        args[0].Value <<= toOU(value);
        frame::DispatchHelper::create(remote)->executeDispatch(frame, rtl::OUString::createFromAscii(command),
                                                                rtl::OUString(), 0, args);
    }
};

OfficeClient::OfficeClient(qint64 officePid) : d(std::make_unique<Impl>())
{
    const QString pipe = pipeOf(officePid);
    if (pipe.isEmpty()) {
        m_failure = QStringLiteral("no pipe on the office's command line");
        return;
    }
    try {
        // The same bootstrap as the diary's own (once per process, the office's types known).
        rtl::Bootstrap::setIniFilename("file:///usr/lib/libreoffice/program/fundamentalrc");
        static Reference<uno::XComponentContext> local = cppu::defaultBootstrap_InitialComponentContext();
        Reference<bridge::XUnoUrlResolver> resolver = bridge::UnoUrlResolver::create(local);
        d->remote.set(
            resolver->resolve(toOU(QStringLiteral("uno:pipe,name=%1;urp;StarOffice.ComponentContext").arg(pipe))),
            UNO_QUERY_THROW);
        d->desktop = frame::Desktop::create(d->remote);
        QElapsedTimer clock;
        clock.start();
        while (!d->document.is() && clock.elapsed() < 10000) {
            d->document.set(d->desktop->getCurrentComponent(), UNO_QUERY);
            if (!d->document.is())
                QThread::msleep(100);
        }
        if (!d->document.is())
            m_failure = QStringLiteral("the office shows no workbook");
    } catch (const uno::Exception &e) {
        m_failure = QString::fromUtf16(reinterpret_cast<const char16_t *>(e.Message.getStr()), e.Message.getLength());
    }
}

OfficeClient::~OfficeClient() = default;

bool OfficeClient::isConnected() const
{
    return d->document.is();
}

bool OfficeClient::type(int row, int col, const QString &text)
{
    try {
        // Not XCell::setFormula: that reads numbers and dates the English way, whatever the
        // office's locale. A user goes to the cell and enters the text.
        const QString cell = QStringLiteral("$%1$%2").arg(QChar(u'A' + col - 1)).arg(row);
        d->dispatch(".uno:GoToCell", "ToPoint", cell);
        d->dispatch(".uno:EnterString", "StringName", text);
        return true;
    } catch (const uno::Exception &) {
        return false;
    }
}

bool OfficeClient::save()
{
    try {
        Reference<frame::XStorable>(d->document, UNO_QUERY_THROW)->store();
        return true;
    } catch (const uno::Exception &) {
        return false;
    }
}

void OfficeClient::terminate()
{
    try {
        d->document.clear();
        if (d->desktop.is())
            d->desktop->terminate();
    } catch (const uno::Exception &) {
    }
    d->desktop.clear();
}
