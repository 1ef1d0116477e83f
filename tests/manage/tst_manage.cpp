// Changing, deleting and taking back, on the real office and the real window.
#include "managefixture.h"

#include "domain/datelimits.h"
#include "support/shareddiary.h"
#include "support/biffreader.h"
#include "support/diarywalk.h"
#include "store/storeerror.h"

#include <QApplication>
#include <QDir>
#include <QCheckBox>
#include <QListWidget>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <unistd.h>

using namespace ManageFixture;

namespace {

const QDate kDay(2024, 3, 7);

CellBlock fixtureRows()
{
    return {row(kDay.addDays(-1), QTime(8, 0), QStringLiteral("Ieri")),
            row(kDay, QTime(9, 30), QStringLiteral("Dentista")),
            row(kDay, QTime(11, 0), QStringLiteral("Banca")),
            row(kDay, QTime(15, 0), QStringLiteral("Palestra")),
            row(kDay.addDays(1), QTime(10, 0), QStringLiteral("Domani"))};
}

} // namespace

class TestManage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void choosingALineChoosesTheSameInTheOtherList();
    void entriesActOnlyOnAChosenStoredAppointment();
    void changeOfTimeAndText();
    void changeOfDateToAnotherDayAndBack();
    void changeOfAHandEditedRow();
    void refusalsLeaveTheWorkbookByteIdentical();
    void deleteThenUndoRestoresTheExactRow();
    void busyDaysFollowADeletionAndItsUndo();
    void undoAfterAnInsertionBringsTheAppointmentBack();
    void severalStepsAreTakenBackInTurn();
    void anInsertionIsTakenBackTooAfterWhatCameSince();
    void failedSavesKeepEveryStepForTheNextSave();
    void officeKilledDuringADeletion();
    void officeGoneDuringAChangesSaveIsRecoveredOnce();
    void undoOfAChangeAfterRowsMovedAndOneThatFails();
    void aBatchIsTakenBackByOneUndoOrRefusedWhole();
    void officeGoneBetweenAnInsertionsWriteAndItsSave();
    void walkThroughWithTheKeyboard();
    void rowsHeldMatchAFreshReadAfterEveryWrite();

private:
    void listDay(const QDate &day = kDay);
    // The fixture saved, so that the file and a recovered office hold it.
    QByteArray saveFixture();

    SharedDiary m_diary;
    Form1 &form() { return m_diary->form(); }
    RecordingPrompter &prompter() { return m_diary->prompter; }
};

void TestManage::initTestCase()
{
    m_diary.start();
}

void TestManage::init()
{
    if (ChangeWindow *open = changeWindow(form()))
        open->reject();
    m_diary.reset(fixtureRows());
}

void TestManage::listDay(const QDate &day)
{
    clickDay(form(), day);
    prompter().clear();
}

QByteArray TestManage::saveFixture()
{
    m_diary->book().save();
    return contents(m_diary.workbook().path());
}

void TestManage::choosingALineChoosesTheSameInTheOtherList()
{
    listDay();
    ui(form()).List1->setCurrentRow(2);
    QCOMPARE(ui(form()).List2->currentRow(), 2);
    ui(form()).List2->setCurrentRow(0);
    QCOMPARE(ui(form()).List1->currentRow(), 0);
    QVERIFY(action(form(), "Mmodifica")->isEnabled());
    QVERIFY(action(form(), "Melimina")->isEnabled());
    // The same entries in the lists' context menu, and "Cerca..." after them.
    for (QWidget *list : {static_cast<QWidget *>(ui(form()).List1), static_cast<QWidget *>(ui(form()).List2)}) {
        QCOMPARE(list->contextMenuPolicy(), Qt::ActionsContextMenu);
        QCOMPARE(list->actions().mid(0, 3), (QList<QAction *>{action(form(), "Mmodifica"),
                                                              action(form(), "Melimina"), action(form(), "Mannulla")}));
        QCOMPARE(list->actions().last(), action(form(), "Mcerca"));
    }
}

void TestManage::entriesActOnlyOnAChosenStoredAppointment()
{
    QVERIFY(!action(form(), "Mmodifica")->isEnabled());
    listDay();
    QVERIFY(!action(form(), "Melimina")->isEnabled());  // nothing chosen yet
    ui(form()).List1->setCurrentRow(1);
    QVERIFY(action(form(), "Melimina")->isEnabled());
    // A row that no longer holds what was listed is never acted on, neighbour or not.
    m_diary->book().writeBlock(7, 1, {row(kDay, QTime(11, 0), QStringLiteral("Altro"))});
    const QByteArray before = saveFixture();
    prompter().replies = {true};
    action(form(), "Melimina")->trigger();
    QVERIFY(prompter().questions.isEmpty());
    QCOMPARE(contents(m_diary.workbook().path()), before);
    QCOMPARE(m_diary->appointments().at(7)->text.text, QStringLiteral("Altro"));
    // Ticking the full listing lists every appointment, and a line of it can be chosen too.
    ui(form()).Check1->setChecked(true);
    ui(form()).List2->setCurrentRow(4);
    QVERIFY(action(form(), "Mmodifica")->isEnabled());
    QCOMPARE(ui(form()).List1->count(), 0);
    ui(form()).Check1->setChecked(false);
    QVERIFY(!action(form(), "Mmodifica")->isEnabled());
}

void TestManage::changeOfTimeAndText()
{
    listDay();
    const QByteArray before = saveFixture();
    ui(form()).List1->setCurrentRow(1);
    action(form(), "Mmodifica")->trigger();
    ChangeWindow *window = changeWindow(form());
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Modifica appuntamento"));
    QVERIFY(window->isModal());
    QCOMPARE(field(window, "Text1")->text(), QStringLiteral("07/03/2024"));
    QCOMPARE(field(window, "Text2")->text(), QStringLiteral("11.00"));
    QCOMPARE(field(window, "Text3")->text(), QStringLiteral("Banca"));
    QVERIFY(!action(form(), "Melimina")->isEnabled());  // one thing at a time

    typeAndConfirm(window, QStringLiteral("07/03/2024"), QStringLiteral("8.15"), QStringLiteral("Banca Intesa"));
    QVERIFY(!changeWindow(form()));
    // Sorted by date and time, saved, and the day listed again as a click does.
    CellBlock expected = fixtureRows();
    expected.insert(1, row(kDay, QTime(8, 15), QStringLiteral("Banca Intesa")));
    expected.removeAt(3);
    QVERIFY(sameRows(dataRows(m_diary->book()), expected));
    QVERIFY(contents(m_diary.workbook().path()) != before);
    QCOMPARE(prompter().texts(), QStringList{QStringLiteral("Sono Presenti 3 Vespolari")});
    QCOMPARE(lines(ui(form()).List1),
             (QStringList{QStringLiteral("08:15:00"), QStringLiteral("09:30:00"), QStringLiteral("15:00:00")}));
    QCOMPARE(lines(ui(form()).List2), (QStringList{QStringLiteral("Banca Intesa"), QStringLiteral("Dentista"),
                                                   QStringLiteral("Palestra")}));
    QVERIFY(action(form(), "Mannulla")->isEnabled());
    // The lists answer from the rows kept in memory, which match the office.
    QCOMPARE(m_diary->appointments().stored().size(), 5);
    QCOMPARE(m_diary->appointments().at(5 + 1)->text.text, QStringLiteral("Banca Intesa"));
}

void TestManage::changeOfDateToAnotherDayAndBack()
{
    listDay();
    ui(form()).List2->setCurrentRow(2);
    action(form(), "Mmodifica")->trigger();
    typeAndConfirm(changeWindow(form()), QStringLiteral("08/03/2024"), QStringLiteral("15.00"),
                   QStringLiteral("Palestra"));
    m_diary->appointments().waitForSave();  // the day is listed again once saved
    QCOMPARE(ui(form()).Text1->text(), QStringLiteral("08/03/2024"));
    QCOMPARE(ui(form()).MonthView1->selectedDate(), kDay.addDays(1));
    QCOMPARE(prompter().texts(), QStringList{QStringLiteral("Sono Presenti 2 Vespolari")});
    QCOMPARE(lines(ui(form()).List2), (QStringList{QStringLiteral("Domani"), QStringLiteral("Palestra")}));

    prompter().clear();
    ui(form()).List1->setCurrentRow(1);
    action(form(), "Mmodifica")->trigger();
    QCOMPARE(field(changeWindow(form()), "Text1")->text(), QStringLiteral("08/03/2024"));
    typeAndConfirm(changeWindow(form()), QStringLiteral("07/03/2024"), QStringLiteral("15.00"),
                   QStringLiteral("Palestra"));
    m_diary->appointments().waitForSave();
    QCOMPARE(prompter().texts(), QStringList{QStringLiteral("Sono Presenti 3 Vespolari")});
    QVERIFY(sameRows(dataRows(m_diary->book()), fixtureRows()));
}

void TestManage::changeOfAHandEditedRow()
{
    // A time typed as text and a gap: the chosen row changes, the others stay as they were.
    CellBlock rows = fixtureRows();
    rows[2][1] = CellValue::fromText(QStringLiteral("mattina"));
    rows.insert(4, CellRow{CellValue::empty(), CellValue::empty(), CellValue::fromText(QStringLiteral("nota"))});
    replaceRows(m_diary->book(), rows);
    listDay();
    QCOMPARE(lines(ui(form()).List1).value(1), QStringLiteral("mattina"));
    ui(form()).List1->setCurrentRow(1);
    action(form(), "Mmodifica")->trigger();
    QCOMPARE(field(changeWindow(form()), "Text2")->text(), QStringLiteral("mattina"));
    typeAndConfirm(changeWindow(form()), QStringLiteral("07/03/2024"), QStringLiteral("12.00"),
                   QStringLiteral("Banca"));
    const CellBlock after = dataRows(m_diary->book());
    QCOMPARE(SheetRows::rowAt(after, 5, 7).value(1).number, CellValue::fromTime(QTime(12, 0)).number);
    int notes = 0;
    for (const CellRow &r : after)
        notes += r.value(2).text == QStringLiteral("nota") ? 1 : 0;
    QCOMPARE(notes, 1);
    // Taken back: the rows as they were, gap included.
    action(form(), "Mannulla")->trigger();
    QVERIFY(sameRows(dataRows(m_diary->book()), rows));
}

void TestManage::refusalsLeaveTheWorkbookByteIdentical()
{
    const QByteArray before = saveFixture();
    const QString usage = QStringLiteral("Usare la forma: 09.30");
    struct Case
    {
        QString date, time, text, message;
    };
    const QVector<Case> cases{
        {QStringLiteral("07/03/2024"), QString(), QStringLiteral("x"),
         QStringLiteral("Orario non corretto. Scritto senza il punto")},
        {QStringLiteral("07/03/2024"), QStringLiteral("930"), QStringLiteral("x"),
         QStringLiteral("Orario non corretto. Scritto senza il punto")},
        {QStringLiteral("07/03/2024"), QStringLiteral("9.3"), QStringLiteral("x"),
         QStringLiteral("Orario scritto errato.\n") + usage},
        {QString(), QStringLiteral("09.30"), QStringLiteral("x"), QStringLiteral("Devi scegliere la data")},
        {QStringLiteral("07/03/2024"), QStringLiteral("25.99"), QStringLiteral("x"),
         QStringLiteral("Orario inesistente: 25.99\n") + usage},
        {QStringLiteral("31/02/2024"), QStringLiteral("09.30"), QStringLiteral("x"),
         QStringLiteral("Data inesistente: 31/02/2024\nUsare la forma: 25/05/2009")},
        {QStringLiteral("28/02/1900"), QStringLiteral("09.30"), QStringLiteral("x"),
         DateLimits::tooEarlyMessage(QStringLiteral("28/02/1900"))},
        {QStringLiteral("07/03/2024"), QStringLiteral("09.30"), QStringLiteral("a\x01z"),
         QStringLiteral("Il testo contiene caratteri di controllo che non si possono memorizzare.\n"
                        "Riscrivere il testo senza di essi.")},
        {QStringLiteral("07/03/2024"), QStringLiteral("09.30"), QString(32768, QLatin1Char('x')),
         QStringLiteral("Testo troppo lungo: 32768 caratteri.\nUn appuntamento ne può avere al massimo 32767.")},
        // An empty text is not stored, and nothing is said, as at insertion.
        {QStringLiteral("07/03/2024"), QStringLiteral("09.30"), QString(), QString()},
    };
    listDay();
    ui(form()).List1->setCurrentRow(1);
    action(form(), "Mmodifica")->trigger();
    ChangeWindow *window = changeWindow(form());
    for (const Case &c : cases) {
        prompter().clear();
        typeAndConfirm(window, c.date, c.time, c.text);
        QCOMPARE(prompter().texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        QCOMPARE(changeWindow(form()), window);  // open for the correction
        QVERIFY(sameRows(dataRows(m_diary->book()), fixtureRows()));
        QCOMPARE(contents(m_diary.workbook().path()), before);
    }
    // "Annulla" changes nothing either.
    windowButton(window, "Command2")->click();
    QVERIFY(!changeWindow(form()));
    // Nor does "No" to the deletion, the default answer.
    prompter().clear();
    action(form(), "Melimina")->trigger();
    QCOMPARE(prompter().questions, QStringList{QStringLiteral("Eliminare l'appuntamento del 07/03/2024 alle 11.00?")});
    QVERIFY(sameRows(dataRows(m_diary->book()), fixtureRows()));
    QCOMPARE(contents(m_diary.workbook().path()), before);
    QCOMPARE(lines(ui(form()).List1).size(), 3);
}

void TestManage::deleteThenUndoRestoresTheExactRow()
{
    const QByteArray before = saveFixture();
    listDay();
    ui(form()).List2->setCurrentRow(1);
    prompter().replies = {true};
    action(form(), "Melimina")->trigger();
    QCOMPARE(prompter().questions, QStringList{QStringLiteral("Eliminare l'appuntamento del 07/03/2024 alle 11.00?")});
    CellBlock without = fixtureRows();
    without.removeAt(2);
    // Contiguous from row 5 and still sorted.
    QVERIFY(sameRows(dataRows(m_diary->book()), without));
    QVERIFY(contents(m_diary.workbook().path()) != before);
    QCOMPARE(prompter().texts(), QStringList{QStringLiteral("Sono Presenti 2 Vespolari")});
    QCOMPARE(lines(ui(form()).List2), (QStringList{QStringLiteral("Dentista"), QStringLiteral("Palestra")}));
    QVERIFY(!action(form(), "Melimina")->isEnabled());  // the listing is new, nothing chosen

    prompter().clear();
    QVERIFY(action(form(), "Mannulla")->isEnabled());
    action(form(), "Mannulla")->trigger();
    QVERIFY(sameRows(dataRows(m_diary->book()), fixtureRows()));
    QCOMPARE(prompter().texts(), QStringList{QStringLiteral("Sono Presenti 3 Vespolari")});
    // Saved: the file holds the row again, as another program reads it.
    const QVector<Biff::Record> saved = Biff::readWorkbook(m_diary.workbook().path(), SheetLayout::kPassword);
    const QMap<int, double> dates = Biff::firstSheetNumbers(saved, 0);
    const QMap<int, double> times = Biff::firstSheetNumbers(saved, 1);
    const CellBlock rows = fixtureRows();
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(dates.value(SheetLayout::kFirstDataRow - 1 + i), rows[i][0].number);
        QCOMPARE(times.value(SheetLayout::kFirstDataRow - 1 + i), rows[i][1].number);
    }
    QVERIFY(!dates.contains(SheetLayout::kFirstDataRow - 1 + rows.size()));
}

void TestManage::busyDaysFollowADeletionAndItsUndo()
{
    const QDate yesterday = kDay.addDays(-1);
    // Turned to the month afresh, so its marks come from the rows this case starts with.
    ui(form()).MonthView1->setCurrentPage(2000, 1);
    listDay(yesterday);
    const QVector<QDate> busy = {yesterday, kDay, kDay.addDays(1)};
    QCOMPARE(DiaryWalk::boldDays(ui(form()).MonthView1), busy);
    ui(form()).List2->setCurrentRow(0);
    prompter().replies = {true};
    action(form(), "Melimina")->trigger();
    QCOMPARE(DiaryWalk::boldDays(ui(form()).MonthView1), (QVector<QDate>{kDay, kDay.addDays(1)}));
    action(form(), "Mannulla")->trigger();
    QCOMPARE(DiaryWalk::boldDays(ui(form()).MonthView1), busy);
}

void TestManage::undoAfterAnInsertionBringsTheAppointmentBack()
{
    listDay();
    ui(form()).List1->setCurrentRow(0);
    prompter().replies = {true};
    action(form(), "Melimina")->trigger();
    // An insertion from elsewhere, not the user's to take back, sorts the rows in between.
    m_diary->appointments().exchange({}, {Appointment::typed(QDate(2024, 1, 1), QTime(7, 0), QStringLiteral("Capodanno"))});
    action(form(), "Mannulla")->trigger();
    CellBlock expected = fixtureRows();
    expected.prepend(row(QDate(2024, 1, 1), QTime(7, 0), QStringLiteral("Capodanno")));
    QVERIFY(sameRows(dataRows(m_diary->book()), expected));
}

void TestManage::severalStepsAreTakenBackInTurn()
{
    listDay();
    ui(form()).List1->setCurrentRow(2);
    action(form(), "Mmodifica")->trigger();
    typeAndConfirm(changeWindow(form()), QStringLiteral("07/03/2024"), QStringLiteral("16.00"),
                   QStringLiteral("Piscina"));
    const CellBlock changed = dataRows(m_diary->book());
    ui(form()).List1->setCurrentRow(0);
    prompter().replies = {true};
    action(form(), "Melimina")->trigger();
    action(form(), "Mannulla")->trigger();
    QVERIFY(sameRows(dataRows(m_diary->book()), changed));
    action(form(), "Mannulla")->trigger();
    QVERIFY(sameRows(dataRows(m_diary->book()), fixtureRows()));
}

void TestManage::anInsertionIsTakenBackTooAfterWhatCameSince()
{
    saveFixture();
    DiaryWalk::insert(form(), QStringLiteral("08/03/2024"), QStringLiteral("9.00"), QStringLiteral("Nuovo"));
    CellBlock inserted = fixtureRows();
    inserted.insert(4, row(kDay.addDays(1), QTime(9, 0), QStringLiteral("Nuovo")));
    QVERIFY(sameRows(dataRows(m_diary->book()), inserted));
    // Changed since: the change goes back first, then the insertion itself, and the day shows.
    listDay(kDay.addDays(1));
    ui(form()).List1->setCurrentRow(0);
    action(form(), "Mmodifica")->trigger();
    typeAndConfirm(changeWindow(form()), QStringLiteral("08/03/2024"), QStringLiteral("9.15"), QStringLiteral("Spostato"));
    action(form(), "Mannulla")->trigger();
    QVERIFY(sameRows(dataRows(m_diary->book()), inserted));
    action(form(), "Mannulla")->trigger();
    QVERIFY(sameRows(dataRows(m_diary->book()), fixtureRows()));
    QCOMPARE(lines(ui(form()).List2), QStringList{QStringLiteral("Domani")});
    // What is on disk agrees: the save after the undo holds the rows as they were.
    m_diary->appointments().waitForSave();
    CellBlock onDisk;
    for (const Appointment &a : m_diary->appointments().saved())
        onDisk << a.cells();
    QVERIFY(sameRows(onDisk, fixtureRows()));
    QCOMPARE(prompter().texts().filter(QStringLiteral("non riuscit")), QStringList());
}

void TestManage::failedSavesKeepEveryStepForTheNextSave()
{
    listDay();
    ui(form()).List1->setCurrentRow(0);
    action(form(), "Mmodifica")->trigger();
    typeAndConfirm(changeWindow(form()), QStringLiteral("07/03/2024"), QStringLiteral("10.00"),
                   QStringLiteral("Dentista"));
    const QByteArray saved = saveFixture();
    // From here on every save fails: the folder has gone elsewhere, and a file holds its name.
    const QString folder = m_diary.workbook().folder(), away = folder + QStringLiteral("-altrove");
    QVERIFY(QDir().rename(folder, away));
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    listDay();
    ui(form()).List1->setCurrentRow(1);
    action(form(), "Mmodifica")->trigger();
    typeAndConfirm(changeWindow(form()), QStringLiteral("07/03/2024"), QStringLiteral("12.00"),
                   QStringLiteral("Banca"));
    // Ctrl+Z before that save's news: it takes back this change, not the saved one before it.
    action(form(), "Mannulla")->trigger();
    m_diary->appointments().waitForSave();
    QStringList said = prompter().texts();
    listDay();
    ui(form()).List1->setCurrentRow(2);
    prompter().replies = {true};
    action(form(), "Melimina")->trigger();
    m_diary->appointments().waitForSave();
    said << prompter().texts();
    QVERIFY(blocker.remove() && QDir().rename(away, folder));

    QVERIFY2(said.filter(QStringLiteral("Attenzione: la modifica è nella cartella aperta ma non è ancora salvata "
                                        "su disco.\nVerrà salvata al prossimo salvataggio.\nSalvataggio non riuscito"))
                     .size() == 3,
             qPrintable(said.join(QLatin1Char('|'))));
    QVERIFY(said.filter(QStringLiteral("Annullamento non riuscito")).isEmpty());
    CellBlock expected = fixtureRows();
    expected[1] = row(kDay, QTime(10, 0), QStringLiteral("Dentista"));
    expected.removeAt(3);
    QVERIFY(sameRows(dataRows(m_diary->book()), expected));
    QCOMPARE(contents(m_diary.workbook().path()), saved);
    // The next save takes them all, and every date cell keeps its date format.
    m_diary->appointments().save();
    QTemporaryDir copyDir;
    const QString copy = copyDir.filePath(SheetLayout::kFileName);
    QVERIFY(QFile::copy(m_diary.workbook().path(), copy));
    const std::unique_ptr<CalcWorkbook> disk = openForInspection(copy);
    QVERIFY(sameRows(dataRows(*disk), expected));
    for (int r = SheetLayout::kFirstDataRow; r < SheetLayout::kFirstDataRow + expected.size() + 1; ++r)
        QVERIFY2(disk->numberFormat(r, 1).contains(QLatin1String("YY")), qPrintable(disk->numberFormat(r, 1)));
}

void TestManage::officeKilledDuringADeletion()
{
    const QByteArray before = saveFixture();
    listDay();
    ui(form()).List1->setCurrentRow(1);
    const QStringList listed = lines(ui(form()).List2);
    const qint64 office = m_diary->book().officePid();
    prompter().onQuestion = [office](const QString &) {
        ::kill(pid_t(office), SIGKILL);
        for (int i = 0; i < 500 && processAlive(office); ++i)
            QThread::msleep(10);
    };
    prompter().replies = {true};
    action(form(), "Melimina")->trigger();
    const QStringList said = prompter().texts();
    QCOMPARE(said.size(), 2);
    QVERIFY2(said[0].startsWith(QStringLiteral("Appuntamento non eliminato.\n")), qPrintable(said[0]));
    QVERIFY(said[1].startsWith(QStringLiteral("Il foglio di calcolo si è chiuso in modo imprevisto.")));
    QCOMPARE(contents(m_diary.workbook().path()), before);
    QVERIFY(m_diary->book().officePid() != office);
    QVERIFY(sameRows(dataRows(m_diary->book()), fixtureRows()));
    // The selection is still there, and still names the appointment in the new office.
    QCOMPARE(lines(ui(form()).List2), listed);
    QCOMPARE(ui(form()).List1->currentRow(), 1);
    QCOMPARE(ui(form()).List2->currentRow(), 1);
    QVERIFY(action(form(), "Melimina")->isEnabled());
    prompter().clear();
    prompter().onQuestion = nullptr;
    prompter().replies = {true};
    action(form(), "Melimina")->trigger();
    CellBlock without = fixtureRows();
    without.removeAt(2);
    QVERIFY(sameRows(dataRows(m_diary->book()), without));
}

void TestManage::officeGoneDuringAChangesSaveIsRecoveredOnce()
{
    saveFixture();
    // The find window reads again at every change: one more reader to meet the dead office.
    action(form(), "Mcerca")->trigger();
    listDay();
    ui(form()).List1->setCurrentRow(1);
    const qint64 office = m_diary->book().officePid();
    const QMetaObject::Connection stop =
        connect(&m_diary->appointments(), &Diary::changed, [office] { ::kill(pid_t(office), SIGSTOP); });
    action(form(), "Mmodifica")->trigger();
    typeAndConfirm(changeWindow(form()), QStringLiteral("07/03/2024"), QStringLiteral("12.00"),
                   QStringLiteral("Banca"));
    disconnect(stop);
    ::kill(pid_t(office), SIGKILL);
    CellBlock expected = fixtureRows();
    expected[2] = row(kDay, QTime(12, 0), QStringLiteral("Banca"));
    QVERIFY(sameRows(dataRows(m_diary->book()), expected));
    QCOMPARE(prompter().texts().filter(QStringLiteral("Il foglio di calcolo si è chiuso")).size(), 1);
    QVERIFY(m_diary->book().officePid() != office);
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("Cerca"))
            w->close();
}

void TestManage::undoOfAChangeAfterRowsMovedAndOneThatFails()
{
    listDay();
    ui(form()).List1->setCurrentRow(1);
    action(form(), "Mmodifica")->trigger();
    typeAndConfirm(changeWindow(form()), QStringLiteral("07/03/2024"), QStringLiteral("16.00"),
                   QStringLiteral("Piscina"));
    // Rows moved by an insertion from elsewhere, which "Annulla" leaves alone.
    m_diary->appointments().exchange({}, {Appointment::typed(QDate(2024, 1, 1), QTime(7, 0), QStringLiteral("Capodanno"))});
    action(form(), "Mannulla")->trigger();
    CellBlock expected = fixtureRows();
    expected.prepend(row(QDate(2024, 1, 1), QTime(7, 0), QStringLiteral("Capodanno")));
    QVERIFY(sameRows(dataRows(m_diary->book()), expected));

    // Changed again, then its row typed over by hand: nothing left to take back.
    listDay();
    ui(form()).List1->setCurrentRow(1);
    action(form(), "Mmodifica")->trigger();
    typeAndConfirm(changeWindow(form()), QStringLiteral("07/03/2024"), QStringLiteral("16.00"),
                   QStringLiteral("Piscina"));
    m_diary->book().setCell(9, 3, CellValue::fromText(QStringLiteral("A mano")));
    const CellBlock before = dataRows(m_diary->book());
    prompter().clear();
    action(form(), "Mannulla")->trigger();
    QCOMPARE(prompter().texts(), QStringList{QStringLiteral("Annullamento non riuscito.\n"
                                                            "L'appuntamento modificato non è più nella cartella")});
    QVERIFY(sameRows(dataRows(m_diary->book()), before));
}

void TestManage::aBatchIsTakenBackByOneUndoOrRefusedWhole()
{
    const QByteArray before = saveFixture();
    Diary &diary = m_diary->appointments();
    const Appointments batch = {Appointment::typed(kDay.addDays(30), QTime(8, 0), QStringLiteral("Dopo")),
                                Appointment::typed(kDay, QTime(10, 0), QStringLiteral("Tra")),
                                Appointment::typed(kDay.addDays(-30), QTime(8, 0), QStringLiteral("Prima"))};
    diary.insertAll(batch);
    QCOMPARE(dataRows(m_diary->book()).size(), 8);
    QCOMPARE(dataRows(m_diary->book()).first().value(2).text, QStringLiteral("Prima"));
    QVERIFY(contents(m_diary.workbook().path()) != before);
    diary.undo();
    QVERIFY(sameRows(dataRows(m_diary->book()), fixtureRows()));
    // One more than fits: nothing written.
    const Appointments tooMany(diary.freeRows() + 1, batch.first());
    QVERIFY_THROWS_EXCEPTION(StoreError, diary.insertAll(tooMany));
    QVERIFY(sameRows(dataRows(m_diary->book()), fixtureRows()));
}

void TestManage::officeGoneBetweenAnInsertionsWriteAndItsSave()
{
    const QByteArray before = saveFixture();
    const qint64 office = m_diary->book().officePid();
    const QMetaObject::Connection killer = connect(&m_diary->appointments(), &Diary::changed, [office] {
        ::kill(pid_t(office), SIGKILL);
        for (int i = 0; i < 500 && processAlive(office); ++i)
            QThread::msleep(10);
    });
    DiaryWalk::insert(form(), QStringLiteral("08/03/2024"), QStringLiteral("9.00"), QStringLiteral("Perso"));
    disconnect(killer);
    // Confirmed before its save failed with the office: the new office holds it, and saves it.
    const QStringList said = prompter().texts();
    QVERIFY2(said.size() == 3 && said[0] == QStringLiteral("Inserimento avvenuto")
                 && said[1].startsWith(QStringLiteral("Il foglio di calcolo si è chiuso in modo imprevisto."))
                 && said[2].contains(QStringLiteral("Perso")),
             qPrintable(said.join(QLatin1Char('|'))));
    QVERIFY(ui(form()).Text3->text().isEmpty());
    QVERIFY(m_diary->book().officePid() != office);
    QVERIFY(contents(m_diary.workbook().path()) != before);
    CellBlock expected = fixtureRows();
    expected.insert(4, row(kDay.addDays(1), QTime(9, 0), QStringLiteral("Perso")));
    QVERIFY(sameRows(dataRows(m_diary->book()), expected));
}

void TestManage::walkThroughWithTheKeyboard()
{
    form().show();
    QApplication::setActiveWindow(&form());
    QVERIFY(QTest::qWaitForWindowActive(&form()));
    listDay();
    QListWidget *times = ui(form()).List1;
    times->setFocus();
    QTest::keyClick(times, Qt::Key_Home);
    QTest::keyClick(times, Qt::Key_Down);
    QCOMPARE(times->currentRow(), 1);
    QCOMPARE(ui(form()).List2->currentRow(), 1);

    QTest::keyClick(times, Qt::Key_F2);
    ChangeWindow *window = changeWindow(form());
    QVERIFY(window);
    // Reachable by keyboard and named for the accessibility tools.
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (w->focusPolicy() & Qt::TabFocus)
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
    }
    QLineEdit *time = field(window, "Text2");
    QCOMPARE(window->focusWidget(), time);
    time->selectAll();
    QTest::keyClicks(time, QStringLiteral("10.45"));
    QTest::keyClick(time, Qt::Key_Return);
    QVERIFY(!changeWindow(form()));
    m_diary->appointments().waitForSave();
    QCOMPARE(lines(times), (QStringList{QStringLiteral("09:30:00"), QStringLiteral("10:45:00"),
                                        QStringLiteral("15:00:00")}));
    const CellBlock changed = dataRows(m_diary->book());

    times->setFocus();
    QTest::keyClick(times, Qt::Key_Home);
    QTest::keyClick(times, Qt::Key_Down);
    QCOMPARE(times->currentRow(), 1);
    prompter().replies = {true};
    QTest::keyClick(times, Qt::Key_Delete);
    QCOMPARE(prompter().questions.size(), 1);
    m_diary->appointments().waitForSave();
    QCOMPARE(times->count(), 2);

    QTest::keyClick(times, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(sameRows(dataRows(m_diary->book()), changed));
    QCOMPARE(times->count(), 3);
    form().hide();
}

void TestManage::rowsHeldMatchAFreshReadAfterEveryWrite()
{
    const auto text = [](const char *s) { return CellValue::fromText(QString::fromUtf8(s)); };
    const CellValue day = CellValue::fromDate(kDay);
    // What hand edits leave for the sort to place: a text date, an empty and a text time, equal
    // date and time, accents and mixed case.
    replaceRows(m_diary->book(), {row(kDay, QTime(9, 30), QStringLiteral("zebra")),
                                  {text("lunedì"), {}, text("Àncora")},
                                  {day, {}, text("vuota")},
                                  {day, text("sera"), text("testo")},
                                  row(kDay, QTime(9, 30), QStringLiteral("Zebra")),
                                  row(kDay.addDays(-1), QTime(23, 0), QStringLiteral("ieri"))});
    Diary &diary = m_diary->appointments();
    const auto cells = [](const Appointments &all) {
        CellBlock block;
        for (const Appointment &a : all)
            block << a.cells();
        return block;
    };
    const auto heldAsRead = [&] {
        return sameRows(cells(diary.stored()), cells(SheetRows::appointments(dataRows(m_diary->book()), 5)));
    };
    QVERIFY(heldAsRead());
    diary.replace(5, Appointment::typed(kDay.addDays(2), QTime(8, 0), QStringLiteral("spostato")));
    QVERIFY2(heldAsRead(), "change");
    diary.write(diary.freeRow(), Appointment::typed(kDay, QTime(9, 30), QStringLiteral("èlite")));
    diary.sortByDate();
    QVERIFY2(heldAsRead(), "insertion");
    diary.undo();  // the change, moved by the insertion since: written back and sorted
    QVERIFY2(heldAsRead(), "undo of a change");
    diary.remove(6);
    QVERIFY2(heldAsRead(), "deletion");
    diary.undo();
    QVERIFY2(heldAsRead(), "undo of a deletion");
    diary.insertAll({Appointment::typed(kDay, QTime(7, 0), QStringLiteral("serie")),
                     Appointment::typed(kDay.addDays(7), QTime(7, 0), QStringLiteral("serie"))});
    QVERIFY2(heldAsRead(), "series");
    diary.undo();
    QVERIFY2(heldAsRead(), "undo of a series");
    // Two text dates: their order is the office's collation to say.
    diary.write(diary.freeRow(), {0, text("Martedì"), {}, text("altro")});
    diary.sortByDate();
    QVERIFY2(heldAsRead(), "text dates");
}

QTEST_MAIN(TestManage)
#include "tst_manage.moc"
