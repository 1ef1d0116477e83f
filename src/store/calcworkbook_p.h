#pragma once

// Only the engine's own files include this: it is where the office's types live.

#include "calcworkbook.h"
#include "officeprocess.h"
#include "officewatch.h"

#include <QString>
#include <functional>
#include <future>

#include <cppuhelper/implbase1.hxx>
#include <rtl/ustring.hxx>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

using namespace com::sun::star;
using com::sun::star::uno::Reference;
using com::sun::star::uno::Sequence;
using com::sun::star::uno::UNO_QUERY;
using com::sun::star::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace CalcBridge {

OUString toOU(const QString &s);
QString fromOU(const OUString &s);
beans::PropertyValue prop(const char *name, const uno::Any &value);
// This process's side of the bridge, bootstrapped once.
Reference<uno::XComponentContext> localContext();

// Answers every question of the office with "abort": a hidden office must never wait for
// a user who cannot see it. What it was asked is kept for the error report.
class RefuseEveryQuestion : public cppu::WeakImplHelper1<task::XInteractionHandler>
{
public:
    void SAL_CALL handle(const Reference<task::XInteractionRequest> &request) override;
    QString asked;
    sal_Int32 errorCode = 0;
};

// Turns the exception being handled into a StoreError naming what was being done; a StoreError
// passes unchanged. Only to be called from a catch block.
[[noreturn]] void rethrow(const char *what);

// Runs body; whatever the office throws comes out as a StoreError about what.
template <typename F>
auto guarded(const char *what, F &&body) -> decltype(body())
{
    try {
        return body();
    } catch (...) {
        rethrow(what);
    }
}

table::CellRangeAddress addressOf(const Reference<uno::XInterface> &range);

// The office we run and our line to it.
struct OfficeConnection
{
    OfficeProcess process;
    Reference<uno::XComponentContext> remote;
    Reference<frame::XDesktop2> desktop;
    std::function<void()> whileStarting;

    // Waits for the spawned office to accept us; throws StoreError::CannotStartOffice.
    void connect();
};

// The one workbook the office holds for us.
struct OpenWorkbook
{
    Reference<lang::XComponent> document;
    // Kept to reopen the workbook after the office went away.
    QString path;
    QString password;

    void requireDocument() const;
    // Kept for the open document: finding it costs several calls over the bridge, and while we
    // hold the workbook nobody else can move its sheets.
    mutable Reference<sheet::XSpreadsheet> sheet;
    mutable Reference<lang::XComponent> sheetOf;

    void forgetDocument();
    Reference<sheet::XSpreadsheet> firstSheet() const;
    Reference<table::XCellRange> range(int r1, int c1, int r2, int c2) const;
    Reference<sheet::XSpreadsheetView> view() const;
    sal_Int32 formatKey(const QString &code) const;
};

} // namespace CalcBridge

using namespace CalcBridge;

// Work lent to a thread of its own (see CalcWorkbook::startBackground).
struct LentOffice
{
    std::future<void> job;
    std::function<void()> collect;
    // Long enough for the save of a full workbook on a busy machine.
    int patienceMs = 30000;
};

struct CalcWorkbook::Impl : OfficeConnection, OpenWorkbook
{
    // A print or a PDF of thousands of rows may take minutes; nothing else should.
    static constexpr int kOutputPatienceMs = 10 * 60 * 1000;

    LentOffice lent;
    bool handedOver = false;
    // Work put off until the workbook leaves us (see deferUntilOutput); the last one is kept to
    // be armed again after a recovery.
    std::function<void()> deferred;
    std::function<void()> lastDeferred;
    quint64 contentVersion = 0;

    // Runs body as guarded() does, with the office ended should it not answer within the patience.
    template <typename F>
    auto call(const char *what, F &&body, int patienceMs = 0) -> decltype(body())
    {
        const OfficeWatch::Call watch(process.pid(), patienceMs > 0 ? patienceMs : lent.patienceMs);
        return guarded(what, std::forward<F>(body));
    }

    // Has the office load url as our workbook; a failure says why, in the user's words, about path.
    void load(const QString &url, const Sequence<beans::PropertyValue> &args,
              RefuseEveryQuestion *handler, const QString &path);
};
