#include "printappointments.h"

#include "domain/diary.h"
#include "services/prompter.h"
#include "regional/regional.h"
#include "services/storefailure.h"
#include "store/sheetprinting.h"
#include "store/storeerror.h"
#include "regional/clock.h"

#include <QPrinterInfo>

#include <cfenv>
#include <cmath>
#include <limits>

const QString PrintAppointments::kEmptyListMessage =
    QStringLiteral(" La stampa non può essere eseguita in assenza di Vespolari   inseriti ..................");
const QString PrintAppointments::kZoomPrompt =
    QStringLiteral("Digita la percentuale di Zoom della Stampa 50-60-70-80-90-100..................");
const QString PrintAppointments::kZoomTitle = QStringLiteral("Quarzeno Professional");
const QString PrintAppointments::kZoomDefault = QStringLiteral("110");

namespace {

const QString kHeaderTitle = QStringLiteral("Stampa Elenco Vespolari     ");
const QString kHeaderRule = QStringLiteral("------");
const QString kHeaderDel = QStringLiteral(" del     ");
constexpr double kSideMargin = 0.21;  // inches
constexpr double kTopMargin = 0.5;
const QSize kA4(21000, 29700);  // 1/100 mm

} // namespace

PrintAppointments::PrintAppointments(Diary &diary, Prompter &prompter, StoreFailure &storeFailure,
                                     std::optional<Period> period)
    : m_diary(diary), m_prompter(prompter), m_storeFailure(storeFailure), m_period(period)
{
}

std::optional<int> PrintAppointments::parseZoom(const QString &text, const QLocale &locale)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = locale.toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double whole = std::nearbyint(value);
    std::fesetround(saved);
    if (whole < std::numeric_limits<qint32>::min() || whole > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return int(whole);
}

QString PrintAppointments::headerText(const QDateTime &moment)
{
    return kHeaderTitle + kHeaderRule + kHeaderDel + Regional::generalDateText(moment);
}

int PrintAppointments::hundredthsMm(double inches)
{
    return int(std::lround(inches * 2540.0));
}

void PrintAppointments::step(const QString &what, const std::function<void()> &body)
{
    try {
        body();
    } catch (const StoreError &e) {
        m_failures << QStringLiteral("%1 (%2)").arg(what, e.description());
    }
}

bool PrintAppointments::listIsEmpty()
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            m_diary.waitForSave();
            return !m_diary.hasAny();
        } catch (const StoreError &e) {
            // A vanished office is replaced on the last save; then the list is looked at again.
            if (!m_storeFailure.recoverIfGone(e))
                break;
        }
    }
    return true;  // unreadable counts as nothing to print
}

void PrintAppointments::setUpPage(int zoom)
{
    SheetPrinting &book = m_diary.printing();
    step(QStringLiteral("selezione del foglio"), [&] { book.activateFirstSheet(); });
    step(QStringLiteral("area di stampa"), [&] {
        const QRect range = m_diary.printRange();
        if (m_rows) {
            // The header row on top of the period's rows, which lie further down.
            book.setPrintArea(m_rows->first, range.left(), m_rows->last, range.right());
            book.setTitleRow(range.top());
        } else {
            book.setPrintArea(range.top(), range.left(), range.bottom(), range.right());
        }
    });
    step(QStringLiteral("intestazione"), [&] {
        // Whole seconds, as the clock is read: exactly midnight shows the date alone.
        QDateTime now = Clock::now();
        now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
        book.setCenterHeader(headerText(now));
    });
    step(QStringLiteral("margini"), [&] {
        const int side = hundredthsMm(kSideMargin);
        book.setMargins({side, side, hundredthsMm(kTopMargin), side, side, side});
    });
    step(QStringLiteral("adattamento alla pagina"), [&] { book.setFitToPages(1, 1); });
    step(QStringLiteral("griglia"), [&] { book.setPrintGridlines(true); });
    step(QStringLiteral("orientamento"), [&] { book.setLandscape(false); });
    step(QStringLiteral("formato carta"), [&] { book.setPaperSize(kA4); });
    // A zoom the office does not take (0 after a cancel, or out of its range) leaves the
    // fit-to-page scaling in charge; that is expected, not a failure.
    if (zoom >= SheetPrinting::kMinZoom && zoom <= SheetPrinting::kMaxZoom)
        step(QStringLiteral("zoom"), [&] { book.setZoom(zoom); });
}

bool PrintAppointments::printerKnown(const QString &printerName)
{
    const QStringList installed = QPrinterInfo::availablePrinterNames();
    if (installed.isEmpty()) {
        m_prompter.message(QStringLiteral("Nessuna stampante installata: la stampa non è stata eseguita."),
                           Prompter::Icon::Stop);
        return false;
    }
    if (printerName.trimmed().isEmpty() || printerName == kNoPrinterChosen) {
        m_prompter.message(QStringLiteral("Nessuna stampante scelta: scegli una stampante dall'elenco. "
                                          "La stampa non è stata eseguita."),
                           Prompter::Icon::Stop);
        return false;
    }
    if (!installed.contains(printerName)) {
        m_prompter.message(QStringLiteral("La stampante \"%1\" non è installata: scegli una stampante dall'elenco. "
                                          "La stampa non è stata eseguita.")
                               .arg(printerName),
                           Prompter::Icon::Stop);
        return false;
    }
    return true;
}

bool PrintAppointments::nothingToPrint()
{
    if (!m_period) {
        if (!listIsEmpty())
            return false;
        m_prompter.message(kEmptyListMessage, Prompter::Icon::Information);
        return true;
    }
    try {
        // After any save under way: the rows printed are those the office holds once it has ended.
        m_rows = m_period->rowsIn(m_diary.settled());
    } catch (const StoreError &e) {
        if (!m_storeFailure.recoverIfGone(e))
            m_storeFailure.unforeseen(e);
        return true;
    }
    if (m_rows)
        return false;
    m_prompter.message(m_period->emptyMessage(), Prompter::Icon::Information);
    return true;
}

int PrintAppointments::askZoom()
{
    if (const std::optional<QString> answer = m_prompter.input(kZoomPrompt, kZoomTitle, kZoomDefault)) {
        if (const std::optional<int> parsed = parseZoom(*answer, Regional::locale()))
            return *parsed;
    }
    return 0;
}

void PrintAppointments::leaveWholeListSetup()
{
    if (!m_rows)
        return;
    SheetPrinting &book = m_diary.printing();
    step(QStringLiteral("area di stampa"), [&] {
        const QRect range = m_diary.printRange();
        book.setPrintArea(range.top(), range.left(), range.bottom(), range.right());
        book.setTitleRow(0);
    });
}

QString PrintAppointments::setupTrouble() const
{
    return m_failures.isEmpty()
        ? QString()
        : QStringLiteral("\nImpostazione della pagina incompleta: %1.").arg(m_failures.join(QStringLiteral("; ")));
}

template <typename Output>
bool PrintAppointments::withPageSetUp(Output output)
{
    m_failures.clear();
    if (nothingToPrint())
        return false;
    setUpPage(askZoom());
    const QString trouble = setupTrouble();
    // Whatever the output does, the workbook keeps the whole list's print settings afterwards.
    struct Leave
    {
        PrintAppointments &job;
        ~Leave() { job.leaveWholeListSetup(); }
    } leave{*this};
    return output(trouble);
}

void PrintAppointments::run(const QString &printerName)
{
    withPageSetUp([&](const QString &trouble) {
        if (!printerKnown(printerName))
            return false;
        try {
            m_diary.printing().printOut(printerName, 1);
        } catch (const StoreError &e) {
            m_prompter.message(QStringLiteral("La stampa non è riuscita: %1%2").arg(e.description(), trouble),
                               Prompter::Icon::Stop);
            return false;
        }
        if (!trouble.isEmpty())
            m_prompter.message(QStringLiteral("Stampa inviata a \"%1\".%2").arg(printerName, trouble),
                               Prompter::Icon::Information);
        return true;
    });
}

bool PrintAppointments::savePdf(const QString &path)
{
    return withPageSetUp([&](const QString &trouble) {
        try {
            m_diary.printing().exportPdf(path);
        } catch (const StoreError &e) {
            m_prompter.message(
                QStringLiteral("Il PDF %1 non è stato salvato: %2%3").arg(path, e.description(), trouble),
                Prompter::Icon::Stop);
            return false;
        }
        if (!trouble.isEmpty())
            m_prompter.message(QStringLiteral("PDF salvato in %1.%2").arg(path, trouble),
                               Prompter::Icon::Information);
        return true;
    });
}
