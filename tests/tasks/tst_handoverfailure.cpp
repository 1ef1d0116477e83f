#include "domain/diary.h"
#include "services/storefailure.h"
#include "store/calcworkbook.h"
#include "store/storeerror.h"
#include "store/storeliterals.h"
#include "support/startparts.h"
#include "tasks/handover.h"

#include <QTest>

#include <csignal>

// The hand-over on a real office, without the window: where it cannot be done, the diary goes on.
class TestHandOverFailure : public QObject
{
    Q_OBJECT

private slots:
    void officeGoneBeforeTheSaveIsReplaced();
};

void TestHandOverFailure::officeGoneBeforeTheSaveIsReplaced()
{
    TempWorkbook workbook;
    StartParts parts;
    QVERIFY(parts.load(workbook.folder()));
    Diary diary(parts.book);
    diary.reload();
    StoreFailure storeFailure(diary, parts.prompter);
    HandOver handOver(diary, parts.prompter, storeFailure);
    ::kill(pid_t(parts.book.officePid()), SIGKILL);
    QTRY_VERIFY(!diary.officeAlive());

    QVERIFY(!handOver.run());
    const QStringList said = parts.prompter.texts();
    QCOMPARE(said.value(0),
             HandOver::saveFailedMessage(StoreError(StoreError::OfficeGone, StoreLiterals::kOfficeGone).description()));
    QVERIFY2(said.value(1).startsWith(QStringLiteral("Il foglio di calcolo si è chiuso in modo imprevisto.")),
             qPrintable(said.join(QLatin1Char('|'))));
    QVERIFY(diary.officeAlive());
    // The new office is the program's still: the next try gets as far as the display.
    parts.prompter.clear();
    QVERIFY(!handOver.run());
    QCOMPARE(parts.prompter.texts(), QStringList{HandOver::noDisplayMessage()});
}

QTEST_MAIN(TestHandOverFailure)
#include "tst_handoverfailure.moc"
