#include "support/shareddiary.h"
#include "support/browsefixture.h"
#include "domain/diary.h"
#include "domain/icalendar.h"
#include "calendarfiles/calendarfilehandlers.h"
#include "support/diarywalk.h"

#include <QAction>
#include <QDir>
#include <QRegularExpression>

// "Esporta calendario..." and "Importa calendario..." on the real office and the real window.
class TestCalendarExchange : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTripLeavesTheWorkbookUnchanged();
    void anImportWhoseSaveFailsStaysAndTheRunGoesOn();

private:
    ScriptedFiles m_files;
    QTemporaryDir m_dir;
    SharedDiary m_diary;
    Diary &diary() { return m_diary->appointments(); }
    CellBlock cells();
    QString choose(const char *menuEntry, const QString &file);
};

void TestCalendarExchange::initTestCase()
{
    qputenv("TZ", "Europe/Rome");
    const CellRow pair = DiaryWalk::row(QDate(2026, 3, 2), QTime(9, 30), QStringLiteral("Riunione, sala 2; \"carte\""));
    m_diary.start({pair, pair,
                   {CellValue::fromDate(QDate(2026, 3, 3)), CellValue::empty(),
                    CellValue::fromText(QStringLiteral("Ferie in città 🎉"))},
                   DiaryWalk::row(QDate(2026, 7, 15), QTime(18, 0), QStringLiteral("Cena"))});
    m_diary->form().findChild<CalendarFileHandlers *>()->setFileChooser(m_files);
}

CellBlock TestCalendarExchange::cells()
{
    CellBlock rows;
    for (const Appointment &a : diary().stored())
        rows << CellRow{CellValue::fromNumber(a.date.number), a.time.isEmpty() ? CellValue() : CellValue::fromNumber(a.time.number), a.text};
    return rows;
}

// The menu entry run on that file; what it said.
QString TestCalendarExchange::choose(const char *menuEntry, const QString &file)
{
    m_files.chosen = file;
    m_diary->prompter.clear();
    m_diary->form().findChild<QAction *>(QLatin1String(menuEntry))->trigger();
    return m_diary->prompter.texts().join(QLatin1Char('\n'));
}

void TestCalendarExchange::roundTripLeavesTheWorkbookUnchanged()
{
    const CellBlock before = cells();
    const QString path = m_dir.filePath(QStringLiteral("agenda.ics"));
    QCOMPARE(choose("Mesporta", path), QStringLiteral("Esportati 4 appuntamenti in %1").arg(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray ics = file.readAll();
    QVERIFY(ics.contains("SUMMARY:Riunione\\, sala 2\\; \"carte\""));
    QVERIFY(ics.contains("DTSTART;VALUE=DATE:20260303"));
    const QRegularExpression uid(QStringLiteral("UID:.*"));
    const auto uids = [&](const QByteArray &text) {
        QStringList found;
        for (auto it = uid.globalMatch(QString::fromUtf8(text)); it.hasNext();)
            found << it.next().captured();
        return found;
    };
    QCOMPARE(uids(ics).removeDuplicates(), 0);
    // A second export of the same diary: the same events, so a calendar updating by UID keeps them.
    QCOMPARE(choose("Mesporta", m_dir.filePath(QStringLiteral("again.ics"))).left(11), QStringLiteral("Esportati 4"));
    QFile again(m_dir.filePath(QStringLiteral("again.ics")));
    QVERIFY(again.open(QIODevice::ReadOnly));
    QCOMPARE(uids(again.readAll()), uids(ics));

    QCOMPARE(choose("Mimporta", path), QStringLiteral("Importati 0 appuntamenti\nSaltati 4 già presenti (stessa data, ora e testo)"));
    QCOMPARE(cells(), before);
    BrowseFixture::replaceRows(m_diary->book(), {});
    QCOMPARE(choose("Mimporta", path), QStringLiteral("Importati 4 appuntamenti"));
    QCOMPARE(cells(), before);
    // One "Annulla" takes the whole import back.
    QAction *undo = m_diary->form().findChild<QAction *>(QStringLiteral("Mannulla"));
    QVERIFY(undo->isEnabled());
    undo->trigger();
    QCOMPARE(diary().stored().size(), 0);
}

void TestCalendarExchange::anImportWhoseSaveFailsStaysAndTheRunGoesOn()
{
    const QString path = m_dir.filePath(QStringLiteral("nuovo.ics"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(ICalendar::write({{QStringLiteral("n@x"), QDate(2026, 9, 1), QTime(8, 0), QStringLiteral("Nuovo")}}));
    file.close();
    const int before = diary().settled().size();
    // The folder goes elsewhere and a file takes its name: the import's save fails.
    const QString folder = m_diary.workbook().folder(), away = folder + QStringLiteral("-altrove");
    QVERIFY(QDir().rename(folder, away));
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString said = choose("Mimporta", path);
    QVERIFY(blocker.remove() && QDir().rename(away, folder));
    QVERIFY2(said.startsWith(QStringLiteral("Importati 1 appuntamenti\nAttenzione: gli appuntamenti sono nella cartella "
                                            "aperta ma non sono ancora salvati su disco.")),
             qPrintable(said));
    QVERIFY(!m_diary->form().hasEnded());
    QCOMPARE(diary().stored().size(), before + 1);
    QVERIFY(diary().hasUnsavedWrites());
    diary().save();
    QVERIFY(!diary().hasUnsavedWrites());
}

QTEST_MAIN(TestCalendarExchange)
#include "tst_calendarexchange.moc"
