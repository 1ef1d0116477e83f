#include "browse/browsefixture.h"
#include "domain/diary.h"
#include "exchange/exchangehandlers.h"
#include "services/filechooser.h"
#include "support/diarywalk.h"

#include <QAction>
#include <QRegularExpression>

// "Esporta calendario..." and "Importa calendario..." on the real office and the real window.
class TestCalendarExchange : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void roundTripLeavesTheWorkbookUnchanged();
    void readsAFileWrittenByAnotherProgram();
    void refusesWhatIsNotICalendarBeforeWriting();

private:
    struct Files : FileChooser
    {
        QString chosen;
        QString fileToSave(const QString &, const QString &, const QString &) override { return chosen; }
        QString fileToOpen(const QString &, const QString &, const QString &) override { return chosen; }
    } m_files;
    QTemporaryDir m_dir;
    std::unique_ptr<TempWorkbook> m_workbook;
    std::unique_ptr<RunningDiary> m_diary;
    Diary &diary() { return m_diary->appointments(); }
    CellBlock cells();
    QString choose(const char *menuEntry, const QString &file);
};

void TestCalendarExchange::initTestCase()
{
    qputenv("TZ", "Europe/Rome");
    BrowseFixture::useItalian();
    m_workbook = std::make_unique<TempWorkbook>();
    const CellRow pair = DiaryWalk::row(QDate(2026, 3, 2), QTime(9, 30), QStringLiteral("Riunione, sala 2; \"carte\""));
    DiaryWalk::storeBeforeStart(m_workbook->path(),
                                {pair, pair,
                                 {CellValue::fromDate(QDate(2026, 3, 3)), CellValue::empty(),
                                  CellValue::fromText(QStringLiteral("Ferie in città 🎉"))},
                                 DiaryWalk::row(QDate(2026, 7, 15), QTime(18, 0), QStringLiteral("Cena"))});
    m_diary = std::make_unique<RunningDiary>(m_workbook->folder());
    m_diary->form().findChild<ExchangeHandlers *>()->setFileChooser(m_files);
}

void TestCalendarExchange::init()
{
    m_diary->prompter.clear();
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

void TestCalendarExchange::readsAFileWrittenByAnotherProgram()
{
    BrowseFixture::replaceRows(m_diary->book(), {});
    const QString path = m_dir.filePath(QStringLiteral("altro.ics"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Altro programma//EN\r\n"
               "BEGIN:VTIMEZONE\r\nTZID:Tokyo\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\n"
               "TZOFFSETFROM:+0900\r\nTZOFFSETTO:+0900\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n"
               "BEGIN:VEVENT\r\nUID:t1\r\nDTSTART;TZID=Tokyo:20261110T170000\r\nSUMMARY:Call\\, Tokyo\r\n"
               "LOCATION:Sala\r\n  grande\r\nEND:VEVENT\r\n"
               "BEGIN:VEVENT\r\nUID:u1\r\nDTSTART:20260810T060000Z\r\nSUMMARY:Volo\r\nEND:VEVENT\r\n"
               "BEGIN:VEVENT\r\nUID:d1\r\nDTSTART;VALUE=DATE:20261225\r\nSUMMARY:Natale\r\nEND:VEVENT\r\n"
               "BEGIN:VEVENT\r\nUID:w1\r\nDTSTART;TZID=America/New_York:20260105T083000\r\nRRULE:FREQ=WEEKLY;COUNT=3\r\n"
               "EXDATE;TZID=America/New_York:20260112T083000\r\nSUMMARY:Corso\r\nEND:VEVENT\r\n"
               "BEGIN:VEVENT\r\nUID:old\r\nDTSTART;VALUE=DATE:18991231\r\nSUMMARY:Vecchio\r\nEND:VEVENT\r\n"
               "BEGIN:VEVENT\r\nUID:no\r\nSTATUS:CANCELLED\r\nDTSTART:20260101T100000Z\r\nSUMMARY:No\r\nEND:VEVENT\r\n"
               "END:VCALENDAR\r\n");
    file.close();
    QCOMPARE(choose("Mimporta", path), QStringLiteral("Importati 5 appuntamenti\n"
                                                      "Rifiutati 1 con data anteriore al 01/03/1900\n"
                                                      "Saltati 1 annullati"));
    const auto stored = [](const QDate &d, const QTime &t, const QString &text) {
        return CellRow{CellValue::fromNumber(CellValue::fromDate(d).number),
                       t.isValid() ? CellValue::fromNumber(CellValue::fromTime(t).number) : CellValue(),
                       CellValue::fromText(text)};
    };
    const CellBlock expected{stored(QDate(2026, 1, 5), QTime(14, 30), QStringLiteral("Corso")),
                             stored(QDate(2026, 1, 19), QTime(14, 30), QStringLiteral("Corso")),
                             stored(QDate(2026, 8, 10), QTime(8, 0), QStringLiteral("Volo")),
                             stored(QDate(2026, 11, 10), QTime(9, 0), QStringLiteral("Call, Tokyo - Sala grande")),
                             stored(QDate(2026, 12, 25), QTime(), QStringLiteral("Natale"))};
    QCOMPARE(cells(), expected);
}

void TestCalendarExchange::refusesWhatIsNotICalendarBeforeWriting()
{
    const CellBlock before = cells();
    const bool couldUndo = diary().canUndo();
    const QString path = m_dir.filePath(QStringLiteral("elenco.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Data;Ora;Testo\n01/01/2026;9.30;Dentista\n");
    file.close();
    QCOMPARE(choose("Mimporta", path), QStringLiteral("Il file %1 non è stato importato.\n"
                                                      "Il file non contiene un calendario iCalendar.").arg(path));
    QCOMPARE(m_diary->prompter.messages.value(0).icon, Prompter::Icon::Stop);
    QCOMPARE(cells(), before);
    QCOMPARE(diary().canUndo(), couldUndo);
}

QTEST_MAIN(TestCalendarExchange)
#include "tst_calendarexchange.moc"
