#include "domain/datelimits.h"
#include "domain/diary.h"
#include "shell/form1.h"
#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"
#include "support/biffreader.h"
#include "support/diarywalk.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTest>

#include <csignal>

namespace {
struct TypingDiary;
}

// "Inserisci  Appuntamento" on the real office: the checks, the free row, the sort and the save.
class TestInsertion : public QObject
{
    Q_OBJECT

private slots:
    void checksComeInOrderAndWriteNothing_data();
    void checksComeInOrderAndWriteNothing();
    void firstAppointmentIsStoredAndSaved();
    void firstAcceptedDateReadsTheSameElsewhere();
    void textIsStoredExactlyAsTyped();
    void nextFreeRowFollowsTheStoredOnes();
    void earlierDateIsSortedToTheTop();
    void sameDayReadsAsAnAgenda();
    void sortKeepsInsertionOrderForEqualDateAndTime();
    void freeRowSearchGoesPastRow32767();
    void fullSheetOverwritesNothing();
    void officeGoneLeavesTheFieldsAsTyped();
    void failedSaveIsReportedAndRetriedLater();
    void saveFailingWhileTheWindowIsInUse();
    void officeGoneDuringTheSaveWritesItAgain();
    void exitDuringASaveWaitsForIt();
    void cleanupTestCase();

private:
    std::unique_ptr<TypingDiary> m_checks;
};

namespace {

const QString kDone = QStringLiteral("Inserimento avvenuto");

struct TypingDiary
{
    TempWorkbook wb;
    RunningDiary run{wb.folder()};
    Form1 &form() { return run.form(); }
    CalcWorkbook &book() { return run.book(); }

    void type(const QString &date, const QString &time, const QString &text)
    {
        DiaryWalk::typeEntry(form(), date, time, text);
    }
    void insert(const QString &date, const QString &time, const QString &text)
    {
        DiaryWalk::insert(form(), date, time, text);
    }
};

// A stored row as "date time text", read the way the browsing views read it (values, not shown text).
QStringList rows(const CalcWorkbook &book, int first, int last)
{
    QStringList out;
    for (const CellRow &r : book.readBlock(first, 1, last, 3)) {
        if (r.value(0).isEmpty() && r.value(1).isEmpty() && r.value(2).isEmpty()) {
            out << QString();
            continue;
        }
        out << QStringLiteral("%1 %2 %3")
                   .arg(r.value(0).toDate().toString(QStringLiteral("dd/MM/yyyy")),
                        r.value(1).toTime().toString(QStringLiteral("hh:mm")), r.value(2).text);
    }
    return out;
}

// A copy of the workbook on disk, opened in an office of its own.
std::unique_ptr<CalcWorkbook> onDisk(const QString &path, QTemporaryDir &copyDir)
{
    const QString copy = copyDir.filePath(SheetLayout::kFileName);
    QFile::remove(copy);
    if (!QFile::copy(path, copy))
        return nullptr;
    return openForInspection(copy);
}

} // namespace

void TestInsertion::checksComeInOrderAndWriteNothing_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");

    const QString noPoint = QStringLiteral("Orario non corretto. Scritto senza il punto");
    const QString badForm = QStringLiteral("Orario scritto errato.\nUsare la forma: 09.30");
    QTest::newRow("empty time") << "25/05/2009" << "" << "Dentista" << noPoint << "Text2";
    QTest::newRow("930") << "25/05/2009" << "930" << "Dentista" << noPoint << "Text2";
    QTest::newRow("9.3") << "25/05/2009" << "9.3" << "Dentista" << badForm << "Text2";
    QTest::newRow("empty date, no point") << "" << "930" << "Dentista" << noPoint << "Text2";
    QTest::newRow("empty date, short time") << "" << "9.3" << "" << badForm << "Text2";
    QTest::newRow("empty date") << "" << "9.30" << "Dentista" << "Devi scegliere la data"
                                << "Command1";
    QTest::newRow("empty text") << "25/05/2009" << "9.30" << "" << "" << "Command1";
    QTest::newRow("empty text, bad date") << "31/02/2009" << "25.99" << "" << "" << "Command1";
    QTest::newRow("hour 25") << "25/05/2009" << "25.99" << "Dentista"
                             << "Orario inesistente: 25.99\nUsare la forma: 09.30" << "Text2";
    QTest::newRow("letters in time") << "31/02/2009" << "ab.cd" << "Dentista"
                                     << "Orario inesistente: ab.cd\nUsare la forma: 09.30" << "Text2";
    QTest::newRow("31 February") << "31/02/2009" << "9.30" << "Dentista"
                                 << "Data inesistente: 31/02/2009\nUsare la forma: 25/05/2009" << "Text1";
    QTest::newRow("letters in date") << "xx/yy" << "09.30" << "Dentista"
                                     << "Data inesistente: xx/yy\nUsare la forma: 25/05/2009" << "Text1";
    // Other readers of the file would show another day for these.
    const QString firstDay = QStringLiteral("\nLa prima data accettata è il 01/03/1900.");
    QTest::newRow("28 February 1900") << "28/02/1900" << "9.30" << "Dentista"
                                      << "Data non accettata: 28/02/1900" + firstDay << "Text1";
    QTest::newRow("31 December 1899") << "31/12/1899" << "9.30" << "Dentista"
                                      << "Data non accettata: 31/12/1899" + firstDay << "Text1";
    QTest::newRow("first of the calendar") << "1/1/1753" << "9.30" << "Dentista"
                                           << "Data non accettata: 1/1/1753" + firstDay << "Text1";
}

void TestInsertion::checksComeInOrderAndWriteNothing()
{
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(QString, focus);

    // One diary for all the refusals: none of them may write anything.
    std::unique_ptr<TypingDiary> &d = m_checks;
    if (!d) {
        d = std::make_unique<TypingDiary>();
        d->form().show();
        QApplication::setActiveWindow(&d->form());
        QVERIFY(QTest::qWaitForWindowActive(&d->form()));
    }
    Form1 &f = d->form();
    d->type(date, time, text);
    ui(f).List1->addItem(QStringLiteral("9:00"));
    ui(f).List2->addItem(QStringLiteral("Riunione"));
    {
        const QSignalBlocker quiet(ui(f).Check1);
        ui(f).Check1->setChecked(true);
    }
    ui(f).Command1->setFocus();
    d->run.prompter.clear();

    QTest::mouseClick(ui(f).Command1, Qt::LeftButton);

    QCOMPARE(d->run.prompter.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    for (const auto &m : d->run.prompter.messages)
        QCOMPARE(m.icon, Prompter::Icon::None);
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    if (auto *field = qobject_cast<QLineEdit *>(QApplication::focusWidget()))
        QCOMPARE(field->selectedText(), field->text());
    // Nothing was cleared and nothing was written.
    QCOMPARE(ui(f).Text1->text(), date);
    QCOMPARE(ui(f).Text2->text(), time);
    QCOMPARE(ui(f).Text3->text(), text);
    QCOMPARE(ui(f).List1->count(), 1);
    QCOMPARE(ui(f).List2->count(), 1);
    QVERIFY(ui(f).Check1->isChecked());
    QVERIFY(d->book().cell(5, 1).isEmpty());
    QCOMPARE(d->book().lastUsedRow(), 4);
    ui(f).List1->clear();
    ui(f).List2->clear();
}

void TestInsertion::firstAppointmentIsStoredAndSaved()
{
    TypingDiary d;
    Form1 &f = d.form();
    const QString text = QStringLiteral("Visita dall'oculista: è già l'ora \"giusta\", perché sì");
    ui(f).List1->addItem(QStringLiteral("8:00"));
    ui(f).List2->addItem(QStringLiteral("Colazione"));
    {
        const QSignalBlocker quiet(ui(f).Check1);
        ui(f).Check1->setChecked(true);
    }
    // The confirmation comes once the row is written, before the fields are emptied.
    QStringList atConfirmation;
    d.run.prompter.onMessage = [&](const QString &) {
        atConfirmation << ui(f).Text1->text() << ui(f).Text3->text() << rows(d.book(), 5, 5);
    };
    d.insert(QStringLiteral("25/05/2009"), QStringLiteral("9.30"), text);

    QCOMPARE(d.run.prompter.texts(), QStringList{kDone});
    QCOMPARE(d.run.prompter.messages[0].icon, Prompter::Icon::None);
    QCOMPARE(atConfirmation, (QStringList{QStringLiteral("25/05/2009"), text, "25/05/2009 09:30 " + text}));
    for (QLineEdit *field : {ui(f).Text1, ui(f).Text2, ui(f).Text3})
        QVERIFY(field->text().isEmpty());
    QCOMPARE(ui(f).List1->count(), 0);
    QCOMPARE(ui(f).List2->count(), 0);
    QVERIFY(!ui(f).Check1->isChecked());
    QCOMPARE(d.book().lastUsedRow(), 5);
    QCOMPARE(d.book().selection(), QRect(1, 5, 1, 1));

    // On disk: a date, a time of day and the text, in a file that still needs its password.
    QTemporaryDir copyDir;
    {
        auto saved = onDisk(d.wb.path(), copyDir);
        QVERIFY(saved);
        const CellValue date = saved->cell(5, 1), time = saved->cell(5, 2), note = saved->cell(5, 3);
        QCOMPARE(date.kind, CellValue::Date);
        QCOMPARE(date.toDate(), QDate(2009, 5, 25));
        QCOMPARE(date.number, 39958.0);
        QCOMPARE(time.kind, CellValue::Time);
        QCOMPARE(time.toTime(), QTime(9, 30));
        QVERIFY(time.number > 0 && time.number < 1);
        QCOMPARE(note.kind, CellValue::Text);
        QCOMPARE(note.text, text);
    }
    CalcWorkbook withoutPassword;
    withoutPassword.start();
    try {
        withoutPassword.open(copyDir.filePath(SheetLayout::kFileName), QString());
        QFAIL("the saved workbook opened without its password");
    } catch (const StoreError &e) {
        QCOMPARE(e.number(), int(StoreError::CannotOpen));
    }
}

void TestInsertion::firstAcceptedDateReadsTheSameElsewhere()
{
    QVERIFY(!DateLimits::isAccepted(QDate(1900, 2, 28)));
    QVERIFY(!DateLimits::isAccepted(QDate()));
    QVERIFY(DateLimits::isAccepted(DateLimits::firstAcceptedDate()));

    TypingDiary d;
    d.insert(QStringLiteral("01/03/1900"), QStringLiteral("9.30"), QStringLiteral("Primo giorno"));
    d.insert(QStringLiteral("25/05/2009"), QStringLiteral("9.30"), QStringLiteral("Dentista"));
    QCOMPARE(d.run.prompter.texts(), QStringList(2, kDone));
    QCOMPARE(rows(d.book(), 5, 5), QStringList{QStringLiteral("01/03/1900 09:30 Primo giorno")});

    // The saved file's date cells, decrypted and decoded here the way other readers count days.
    QString error;
    const QVector<Biff::Record> records = Biff::readWorkbook(d.wb.path(), SheetLayout::kPassword, &error);
    QVERIFY2(!records.isEmpty(), qPrintable(error));
    for (const Biff::Record &r : records) {
        if (r.type == 0x0022)  // DATEMODE: days from 1900, not 1904
            QCOMPARE(r.data.at(0), '\0');
    }
    const QMap<int, double> dates = Biff::firstSheetNumbers(records, 0);
    QCOMPARE(dates.size(), 2);
    QCOMPARE(Biff::dateFromSerial(dates.value(4)), QDate(1900, 3, 1));
    QCOMPARE(Biff::dateFromSerial(dates.value(5)), QDate(2009, 5, 25));
    QVERIFY(Biff::readWorkbook(d.wb.path(), QStringLiteral("altra"), &error).isEmpty());
}

void TestInsertion::textIsStoredExactlyAsTyped()
{
    TypingDiary d;
    const QStringList texts = {QStringLiteral("'apostrofo iniziale"), QStringLiteral("  spazi  doppi  "),
                               QStringLiteral("=1+1"), QStringLiteral("0930"), QStringLiteral("25/05/2009")};
    for (const QString &text : texts)
        d.insert(QStringLiteral("25/05/2009"), QStringLiteral("09.30"), text);
    QCOMPARE(d.run.prompter.texts(), QStringList(texts.size(), kDone));
    const CellBlock block = d.book().readBlock(5, 3, 4 + texts.size(), 3);
    for (int i = 0; i < texts.size(); ++i) {
        QCOMPARE(block[i][0].kind, CellValue::Text);
        QCOMPARE(block[i][0].text, texts[i]);
    }
}

void TestInsertion::nextFreeRowFollowsTheStoredOnes()
{
    TypingDiary d;
    CellBlock five;
    for (int i = 0; i < 5; ++i)
        five << DiaryWalk::row(QDate(2009, 5, 1 + i), QTime(8 + i, 0), QStringLiteral("Vecchio %1").arg(i));
    d.book().writeBlock(5, 1, five);
    d.insert(QStringLiteral("25/05/2009"), QStringLiteral("9.30"), QStringLiteral("Nuovo"));
    QCOMPARE(d.run.prompter.texts(), QStringList{kDone});
    QCOMPARE(rows(d.book(), 9, 11), (QStringList{QStringLiteral("05/05/2009 12:00 Vecchio 4"),
                                                 QStringLiteral("25/05/2009 09:30 Nuovo"), QString()}));
}

void TestInsertion::earlierDateIsSortedToTheTop()
{
    TypingDiary d;
    d.book().writeBlock(5, 1, {DiaryWalk::row(QDate(2009, 6, 1), QTime(8, 0), QStringLiteral("Giugno")),
                               DiaryWalk::row(QDate(2009, 7, 1), QTime(17, 45), QStringLiteral("Luglio")),
                               DiaryWalk::row(QDate(2010, 1, 1), QTime(0, 5), QStringLiteral("Capodanno"))});
    d.insert(QStringLiteral("5/3/09"), QStringLiteral("23.15"), QStringLiteral("Marzo"));
    QCOMPARE(rows(d.book(), 5, 9),
             (QStringList{QStringLiteral("05/03/2009 23:15 Marzo"), QStringLiteral("01/06/2009 08:00 Giugno"),
                          QStringLiteral("01/07/2009 17:45 Luglio"), QStringLiteral("01/01/2010 00:05 Capodanno"),
                          QString()}));
    // The moved date still shows as a date.
    QCOMPARE(d.book().cell(5, 1).kind, CellValue::Date);
    QCOMPARE(d.book().cell(5, 2).kind, CellValue::Time);
}

void TestInsertion::sameDayReadsAsAnAgenda()
{
    TypingDiary d;
    d.insert(QStringLiteral("25/05/2009"), QStringLiteral("11.00"), QStringLiteral("C"));
    d.insert(QStringLiteral("25/05/2009"), QStringLiteral("9.30"), QStringLiteral("A"));
    d.insert(QStringLiteral("26/05/2009"), QStringLiteral("8.00"), QStringLiteral("Dopo"));
    d.insert(QStringLiteral("25/05/2009"), QStringLiteral("10.15"), QStringLiteral("B"));
    d.insert(QStringLiteral("24/05/2009"), QStringLiteral("18.00"), QStringLiteral("Prima"));
    d.insert(QStringLiteral("25/05/2009"), QStringLiteral("09.30"), QStringLiteral("A bis"));
    QCOMPARE(d.run.prompter.texts(), QStringList(6, kDone));
    QCOMPARE(rows(d.book(), 5, 11),
             (QStringList{QStringLiteral("24/05/2009 18:00 Prima"), QStringLiteral("25/05/2009 09:30 A"),
                          QStringLiteral("25/05/2009 09:30 A bis"), QStringLiteral("25/05/2009 10:15 B"),
                          QStringLiteral("25/05/2009 11:00 C"), QStringLiteral("26/05/2009 08:00 Dopo"), QString()}));
}

void TestInsertion::sortKeepsInsertionOrderForEqualDateAndTime()
{
    TempWorkbook wb;
    RunningDiary run(wb.folder());
    CalcWorkbook &book = run.book();
    // An empty sheet is left alone.
    Diary(book).sortByDate();
    QCOMPARE(book.lastUsedRow(), 4);

    // Few distinct keys among many rows: a sort that is not stable shuffles the numbered texts.
    CellBlock block;
    quint32 seed = 7;
    for (int i = 0; i < 3000; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int day = (seed >> 16) % 4, hour = (seed >> 8) % 3;
        block << DiaryWalk::row(QDate(2009, 5, 25).addDays(day), QTime(9 + hour, 0), QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0')));
    }
    book.writeBlock(5, 1, block);
    Diary(book).sortByDate();
    const CellBlock sorted = book.readBlock(5, 1, 5 + block.size(), 3);
    QVERIFY(sorted.last().value(0).isEmpty());
    for (int i = 1; i < block.size(); ++i) {
        const CellRow &a = sorted[i - 1], &b = sorted[i];
        const auto key = [](const CellRow &r) { return std::make_pair(r[0].number, r[1].number); };
        QVERIFY2(key(a) < key(b) || (key(a) == key(b) && a[2].text < b[2].text),
                 qPrintable(QStringLiteral("row %1: %2 before %3").arg(5 + i).arg(a[2].text, b[2].text)));
    }
    QCOMPARE(book.selection(), QRect(1, 5, 1, 1));
}

void TestInsertion::freeRowSearchGoesPastRow32767()
{
    TypingDiary d;
    CellBlock block;
    for (int row = 5; row <= 32767; ++row)
        block << DiaryWalk::row(QDate(2000, 1, 1).addDays((row - 5) / 9), QTime(9, 0), QStringLiteral("Riga %1").arg(row));
    d.book().writeBlock(5, 1, block);
    d.insert(QStringLiteral("1/1/2030"), QStringLiteral("9.30"), QStringLiteral("Oltre"));
    QCOMPARE(d.run.prompter.texts(), QStringList{kDone});
    const QString lastDate = QDate(2000, 1, 1).addDays((32767 - 5) / 9).toString(QStringLiteral("dd/MM/yyyy"));
    QCOMPARE(rows(d.book(), 32767, 32769), (QStringList{lastDate + QStringLiteral(" 09:00 Riga 32767"),
                                                        QStringLiteral("01/01/2030 09:30 Oltre"), QString()}));
}

void TestInsertion::fullSheetOverwritesNothing()
{
    TypingDiary d;
    CellBlock block;
    for (int row = 5; row <= 65536; ++row)
        block << DiaryWalk::row(QDate(2000, 1, 1).addDays((row - 5) / 20), QTime(9, 0), QStringLiteral("Riga %1").arg(row));
    d.book().writeBlock(5, 1, block);
    d.insert(QStringLiteral("25/05/2009"), QStringLiteral("9.30"), QStringLiteral("Di troppo"));
    QCOMPARE(d.run.prompter.texts(),
             QStringList{QStringLiteral("Appuntamento non inserito: il foglio è pieno.\n"
                                        "Non c'è posto per altri appuntamenti (al massimo 65532).")});
    QCOMPARE(ui(d.form()).Text3->text(), QStringLiteral("Di troppo"));
    QCOMPARE(ui(d.form()).Text1->text(), QStringLiteral("25/05/2009"));
    const QString lastDate = QDate(2000, 1, 1).addDays((65536 - 5) / 20).toString(QStringLiteral("dd/MM/yyyy"));
    QCOMPARE(rows(d.book(), 65535, 65536), (QStringList{lastDate + QStringLiteral(" 09:00 Riga 65535"),
                                                        lastDate + QStringLiteral(" 09:00 Riga 65536")}));
    QCOMPARE(d.book().cell(5, 3).text, QStringLiteral("Riga 5"));
}

void TestInsertion::officeGoneLeavesTheFieldsAsTyped()
{
    TypingDiary d;
    d.insert(QStringLiteral("24/05/2009"), QStringLiteral("8.00"), QStringLiteral("Salvato prima"));
    const QByteArray before = [&] {
        QFile f(d.wb.path());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    const qint64 pid = d.book().officePid();
    ::kill(pid_t(pid), SIGKILL);
    QTRY_VERIFY(!processAlive(pid));

    d.run.prompter.clear();
    d.insert(QStringLiteral("25/05/2009"), QStringLiteral("9.30"), QStringLiteral("Perso?"));
    const QStringList texts = d.run.prompter.texts();
    QVERIFY2(texts.size() == 2, qPrintable(texts.join(QLatin1Char('|'))));
    QVERIFY2(texts[0].startsWith(QStringLiteral("Appuntamento non inserito: ")), qPrintable(texts[0]));
    QVERIFY2(texts[1].startsWith(QStringLiteral("Il foglio di calcolo si è chiuso in modo imprevisto.")),
             qPrintable(texts[1]));
    QCOMPARE(ui(d.form()).Text1->text(), QStringLiteral("25/05/2009"));
    QCOMPARE(ui(d.form()).Text2->text(), QStringLiteral("9.30"));
    QCOMPARE(ui(d.form()).Text3->text(), QStringLiteral("Perso?"));
    QFile file(d.wb.path());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);

    // The office is back on the saved workbook: the same click now stores it.
    d.run.prompter.clear();
    ui(d.form()).Command1->click();
    QCOMPARE(d.run.prompter.texts(), QStringList{kDone});
    QCOMPARE(rows(d.book(), 5, 7), (QStringList{QStringLiteral("24/05/2009 08:00 Salvato prima"),
                                                QStringLiteral("25/05/2009 09:30 Perso?"), QString()}));
}

void TestInsertion::failedSaveIsReportedAndRetriedLater()
{
    TypingDiary d;
    const QString folder = d.wb.folder(), away = folder + QStringLiteral("-altrove");
    QVERIFY(QDir().rename(folder, away));
    d.insert(QStringLiteral("25/05/2009"), QStringLiteral("9.30"), QStringLiteral("Non ancora su disco"));
    QVERIFY(QDir().rename(away, folder));

    const QStringList texts = d.run.prompter.texts();
    QCOMPARE(texts.size(), 2);
    QCOMPARE(texts[0], kDone);
    QVERIFY2(texts[1].startsWith(QStringLiteral("Attenzione: l'appuntamento è nella cartella aperta ma non è ancora "
                                                "salvato su disco.\nVerrà salvato al prossimo salvataggio.\n")),
             qPrintable(texts[1]));
    // The appointment is stored in the open workbook, so the entry area is cleared as usual.
    QVERIFY(ui(d.form()).Text3->text().isEmpty());
    QCOMPARE(rows(d.book(), 5, 5), QStringList{QStringLiteral("25/05/2009 09:30 Non ancora su disco")});

    QTemporaryDir copyDir;
    QVERIFY(onDisk(d.wb.path(), copyDir)->cell(5, 1).isEmpty());
    d.book().save();
    QCOMPARE(rows(*onDisk(d.wb.path(), copyDir), 5, 5), QStringList{QStringLiteral("25/05/2009 09:30 Non ancora su disco")});
}

void TestInsertion::saveFailingWhileTheWindowIsInUse()
{
    TypingDiary d;
    d.run.prompter.whileRead = nullptr;  // the box is closed at once: the save outlives it
    const QString folder = d.wb.folder(), away = folder + QStringLiteral("-altrove");
    QVERIFY(QDir().rename(folder, away));
    d.insert(QStringLiteral("25/05/2009"), QStringLiteral("9.30"), QStringLiteral("In attesa"));
    QCOMPARE(d.run.prompter.texts(), QStringList{kDone});
    QVERIFY(d.run.appointments().saving());

    // The window answers from the rows held, and what is typed meanwhile stays.
    ui(d.form()).Text3->setText(QStringLiteral("Il prossimo"));
    QCOMPARE(d.run.appointments().ofDay(QDate(2009, 5, 25)).size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!d.run.appointments().saving(), 30000);
    const QStringList texts = d.run.prompter.texts();
    QVERIFY2(texts.size() == 2 && texts[1].startsWith(QStringLiteral("Attenzione: l'appuntamento è nella cartella")),
             qPrintable(texts.join(QLatin1Char('|'))));
    QCOMPARE(ui(d.form()).Text3->text(), QStringLiteral("Il prossimo"));

    // Still in the open workbook; the next insertion's save takes both to disk.
    QVERIFY(QDir().rename(away, folder));
    d.insert(QStringLiteral("26/05/2009"), QStringLiteral("8.00"), QStringLiteral("Il prossimo"));
    d.run.appointments().waitForSave();
    QTemporaryDir copyDir;
    QCOMPARE(rows(*onDisk(d.wb.path(), copyDir), 5, 6), (QStringList{QStringLiteral("25/05/2009 09:30 In attesa"),
                                                                    QStringLiteral("26/05/2009 08:00 Il prossimo")}));
}

void TestInsertion::officeGoneDuringTheSaveWritesItAgain()
{
    // The office stops answering as it is about to sort and save, and dies while the
    // confirmation is read: the save fails with it. Once mid-run, once with "Esci" before the news.
    for (const bool exitAtOnce : {false, true}) {
        TypingDiary d;
        d.run.prompter.whileRead = nullptr;
        const qint64 office = d.book().officePid();
        const QMetaObject::Connection stop =
            QObject::connect(&d.run.appointments(), &Diary::changed, [office] { ::kill(pid_t(office), SIGSTOP); });
        d.run.prompter.onMessage = [&](const QString &text) {
            if (text == kDone)
                ::kill(pid_t(office), SIGKILL);
        };
        d.insert(QStringLiteral("25/05/2009"), QStringLiteral("9.30"), QStringLiteral("Da non perdere"));
        QObject::disconnect(stop);
        d.run.prompter.onMessage = nullptr;
        if (exitAtOnce) {
            d.form().show();
            QTest::mouseClick(ui(d.form()).Command3, Qt::LeftButton);
            QVERIFY(d.form().hasEnded());
            QCOMPARE(d.run.prompter.texts(), QStringList{kDone});
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(d.run.prompter.texts().size() >= 3, 60000);
            const QStringList texts = d.run.prompter.texts();
            QCOMPARE(texts[0], kDone);
            QVERIFY(texts[1].startsWith(QStringLiteral("Il foglio di calcolo si è chiuso in modo imprevisto.")));
            QVERIFY2(texts[2].startsWith(QStringLiteral("Gli appuntamenti non ancora salvati sono stati scritti di nuovo"))
                         && texts[2].contains(QStringLiteral("Da non perdere")),
                     qPrintable(texts[2]));
            // Confirmed, so never given back to be typed again: that would store it twice.
            QVERIFY(ui(d.form()).Text3->text().isEmpty());
            QVERIFY(d.book().officePid() != office);
            QCOMPARE(d.run.appointments().stored().size(), 1);
        }
        QTemporaryDir copyDir;
        QCOMPARE(rows(*onDisk(d.wb.path(), copyDir), 5, 5),
                 QStringList{QStringLiteral("25/05/2009 09:30 Da non perdere")});
    }
}

void TestInsertion::exitDuringASaveWaitsForIt()
{
    TypingDiary d;
    d.run.prompter.whileRead = nullptr;
    const qint64 office = d.book().officePid();
    d.form().show();
    d.insert(QStringLiteral("26/05/2009"), QStringLiteral("9.30"), QStringLiteral("Ultimo"));
    // The second waits for the first save; the first one's news, coming late, never makes the
    // window wait for the second.
    d.insert(QStringLiteral("25/05/2009"), QStringLiteral("9.30"), QStringLiteral("Penultimo"));
    QCoreApplication::processEvents();
    QVERIFY(d.run.appointments().saving());
    QTest::mouseClick(ui(d.form()).Command3, Qt::LeftButton);
    QVERIFY(d.form().hasEnded());
    QCOMPARE(d.run.prompter.texts(), (QStringList{kDone, kDone}));
    QTRY_VERIFY(!processAlive(office));
    QTemporaryDir copyDir;
    QCOMPARE(rows(*onDisk(d.wb.path(), copyDir), 5, 6), (QStringList{QStringLiteral("25/05/2009 09:30 Penultimo"),
                                                                    QStringLiteral("26/05/2009 09:30 Ultimo")}));
}

void TestInsertion::cleanupTestCase()
{
    m_checks.reset();
}

QTEST_MAIN(TestInsertion)
#include "tst_insertion.moc"
