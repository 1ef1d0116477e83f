#include "radicale.h"
#include "browse/browsefixture.h"
#include "support/testsupport.h"

#include "domain/diary.h"
#include "domain/icalendar.h"
#include "shell/form1.h"
#include "sync/serverwindow.h"
#include "sync/synchandlers.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

// Two diaries on two workbooks kept in step through a real Radicale, by the real windows.
class TestSync : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void twoDiariesSeeEachOther_data();
    void twoDiariesSeeEachOther();
    void aServerDownInTheMiddle();
    void aWrongPasswordIsSaid();
    void aSeriesFromElsewhereComesAsItsOccurrences();
    void withoutAnAddressNothingIsAsked();
    void aModalWindowHoldsBackTheServersChangesOnly();
    void onlyWhatIsOnDiskIsSent();
};

namespace {

ServerWindow *openServerWindow(RunningDiary &d)
{
    d.form().findChild<QAction *>(QStringLiteral("Mserver"))->trigger();
    return d.form().findChild<ServerWindow *>();
}

// Typed into "Calendario sul server" and saved, as the user does.
void connectTo(RunningDiary &d, const QString &address, const QString &user = {}, const QString &password = {})
{
    ServerWindow *w = openServerWindow(d);
    w->findChild<QLineEdit *>(QStringLiteral("indirizzo"))->setText(address);
    w->findChild<QLineEdit *>(QStringLiteral("utente"))->setText(user);
    w->findChild<QLineEdit *>(QStringLiteral("password"))->setText(password);
    w->findChild<QPushButton *>(QStringLiteral("salva"))->click();
    w->close();
}

SyncEngine &engine(RunningDiary &d)
{
    return d.form().findChild<SyncHandlers *>()->engine();
}

QStringList texts(RunningDiary &d)
{
    QStringList all;
    for (const Appointment &a : d.appointments().stored())
        all << a.date.toDate().toString(Qt::ISODate) + QLatin1Char(' ') + a.time.toTime().toString(QStringLiteral("HH:mm"))
                   + QLatin1Char(' ') + a.text.text;
    return all;
}

// F5 until the diary holds what is expected, as a user waiting for a change would press it.
bool refreshedTo(RunningDiary &d, const QStringList &expected)
{
    for (int i = 0; i < 100; ++i) {
        if (!engine(d).isRunning()) {
            if (texts(d) == expected)
                return true;
            d.form().findChild<QAction *>(QStringLiteral("Maggiorna"))->trigger();
        }
        QTest::qWait(100);
    }
    qWarning() << texts(d) << "instead of" << expected;
    return false;
}

} // namespace

void TestSync::init()
{
    QSettings(QStringLiteral("vespolari"), QStringLiteral("vespolari")).remove(QStringLiteral("server"));
}

void TestSync::twoDiariesSeeEachOther_data()
{
    QTest::addColumn<QString>("user");
    QTest::newRow("senza autenticazione") << QString();
    QTest::newRow("utente htpasswd") << QStringLiteral("anna");
}

void TestSync::twoDiariesSeeEachOther()
{
    QFETCH(QString, user);
    Radicale server(user, QStringLiteral("segreta"));
    TempWorkbook wbA, wbB;
    RunningDiary a(wbA.folder()), b(wbB.folder());
    connectTo(a, server.calendar(), user, QStringLiteral("segreta"));
    connectTo(b, server.calendar(), user, QStringLiteral("segreta"));

    a.appointments().insertAll({Appointment::typed(QDate(2026, 5, 4), QTime(9, 30), QStringLiteral("Dentista"))});
    QVERIFY(refreshedTo(b, {"2026-05-04 09:30 Dentista"}));
    QCOMPARE(server.events(), 1);

    a.appointments().replace(a.appointments().stored().first().row,
                             Appointment::typed(QDate(2026, 5, 4), QTime(11, 0), QStringLiteral("Dentista, spostato")));
    QVERIFY(refreshedTo(b, {"2026-05-04 11:00 Dentista, spostato"}));

    b.appointments().remove(b.appointments().stored().first().row);
    QVERIFY(refreshedTo(a, {}));
    QCOMPARE(server.events(), 0);
    QVERIFY(engine(a).last().failure.isEmpty());
}

void TestSync::aServerDownInTheMiddle()
{
    Radicale server;
    TempWorkbook wbA, wbB;
    RunningDiary a(wbA.folder());
    connectTo(a, server.calendar());
    a.appointments().insertAll({Appointment::typed(QDate(2026, 6, 1), QTime(8, 0), QStringLiteral("Prima"))});
    QTRY_COMPARE_WITH_TIMEOUT(server.events(), 1, 10000);

    server.stop();
    a.appointments().insertAll({Appointment::typed(QDate(2026, 6, 2), QTime(8, 0), QStringLiteral("Durante"))});
    QTRY_VERIFY_WITH_TIMEOUT(!engine(a).last().failure.isEmpty(), 10000);
    // The diary goes on, and says it once, in a notice that blocks nothing.
    a.appointments().insertAll({Appointment::typed(QDate(2026, 6, 3), QTime(8, 0), QStringLiteral("Ancora"))});
    QTRY_VERIFY_WITH_TIMEOUT(!engine(a).isRunning() && engine(a).last().when.isValid(), 10000);
    QTest::qWait(1500);
    const auto notices = a.form().findChildren<QMessageBox *>(QStringLiteral("avvisoServer"));
    QCOMPARE(notices.size(), 1);
    QVERIFY(!notices.first()->isModal());
    QCOMPARE(a.appointments().stored().size(), 3);

    server.start();
    RunningDiary b(wbB.folder());
    connectTo(b, server.calendar());
    // The next run, F5 here, sends what is pending.
    a.form().findChild<QAction *>(QStringLiteral("Maggiorna"))->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(server.events(), 3, 10000);
    QVERIFY(refreshedTo(b, {"2026-06-01 08:00 Prima", "2026-06-02 08:00 Durante", "2026-06-03 08:00 Ancora"}));
}

void TestSync::aWrongPasswordIsSaid()
{
    Radicale server(QStringLiteral("anna"), QStringLiteral("segreta"));
    TempWorkbook wb;
    RunningDiary d(wb.folder());
    ServerWindow *w = openServerWindow(d);
    w->findChild<QLineEdit *>(QStringLiteral("indirizzo"))->setText(server.calendar());
    w->findChild<QLineEdit *>(QStringLiteral("utente"))->setText(QStringLiteral("anna"));
    w->findChild<QLineEdit *>(QStringLiteral("password"))->setText(QStringLiteral("sbagliata"));
    QLabel *answer = w->findChild<QLabel *>(QStringLiteral("rispostaProva"));
    w->findChild<QPushButton *>(QStringLiteral("prova"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(answer->text(), QStringLiteral("Utente o password errati: il server rifiuta l'accesso."),
                              10000);
    w->findChild<QLineEdit *>(QStringLiteral("password"))->setText(QStringLiteral("segreta"));
    w->findChild<QPushButton *>(QStringLiteral("prova"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(answer->text().startsWith(QStringLiteral("Calendario trovato")), 10000);
    w->findChild<QLineEdit *>(QStringLiteral("indirizzo"))->setText(server.calendar() + QStringLiteral("nessuno/"));
    w->findChild<QPushButton *>(QStringLiteral("prova"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(answer->text().startsWith(QStringLiteral("L'indirizzo non è quello di un calendario")),
                             10000);
}

void TestSync::aSeriesFromElsewhereComesAsItsOccurrences()
{
    Radicale server;
    const auto series = [&server](const char *summary) {
        const QByteArray body = QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//altro//IT\r\nBEGIN:VEVENT\r\n"
                                           "UID:corso-1\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:20260907T090000\r\n"
                                           "RRULE:FREQ=WEEKLY;COUNT=3\r\nSUMMARY:")
                                + summary + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
        return server.request("PUT", QStringLiteral("/u/cal/corso-1.ics"), body);
    };
    QCOMPARE(series("Corso"), 201);
    TempWorkbook wb;
    RunningDiary d(wb.folder());
    connectTo(d, server.calendar());
    QVERIFY(refreshedTo(d, {"2026-09-07 09:00 Corso", "2026-09-14 09:00 Corso", "2026-09-21 09:00 Corso"}));
    QVERIFY(series("Corso B") < 300);
    QVERIFY(refreshedTo(d, {"2026-09-07 09:00 Corso B", "2026-09-14 09:00 Corso B", "2026-09-21 09:00 Corso B"}));
    // One occurrence changed here becomes the diary's own; the series stays as it is there.
    d.appointments().replace(d.appointments().stored().at(1).row,
                             Appointment::typed(QDate(2026, 9, 15), QTime(9, 0), QStringLiteral("Corso B")));
    QTRY_COMPARE_WITH_TIMEOUT(server.events(), 2, 10000);
    QVERIFY(refreshedTo(d, {"2026-09-07 09:00 Corso B", "2026-09-15 09:00 Corso B", "2026-09-21 09:00 Corso B"}));
}

void TestSync::withoutAnAddressNothingIsAsked()
{
    TempWorkbook wb;
    RunningDiary d(wb.folder());
    ui(d.form()).Text1->setText(QStringLiteral("04/05/2026"));
    ui(d.form()).Text2->setText(QStringLiteral("9.30"));
    ui(d.form()).Text3->setText(QStringLiteral("Dentista"));
    ui(d.form()).Command1->click();
    QTRY_COMPARE(d.appointments().stored().size(), 1);
    QTest::qWait(800);
    QVERIFY(!engine(d).last().when.isValid());
    QVERIFY(d.form().findChildren<QMessageBox *>(QStringLiteral("avvisoServer")).isEmpty());
    QVERIFY(!d.form().findChild<QAction *>(QStringLiteral("Maggiorna"))->isEnabled());
    // An address typed later starts it.
    Radicale server;
    connectTo(d, server.calendar());
    QTRY_COMPARE_WITH_TIMEOUT(server.events(), 1, 10000);
    QVERIFY(d.form().findChild<QAction *>(QStringLiteral("Maggiorna"))->isEnabled());
}

void TestSync::aModalWindowHoldsBackTheServersChangesOnly()
{
    Radicale server;
    // The phone's appointments, timed in the zone of the run: Rome's carries summer-time rules.
    const auto put = [&server](const char *uid, int day, const QString &text) {
        return server.request("PUT", QStringLiteral("/u/cal/%1.ics").arg(uid),
                              ICalendar::writeEvent({uid, QDate(2026, 5, day), QTime(9, 30), text}));
    };
    QCOMPARE(put("tel", 4, QStringLiteral("Dal telefono")), 201);
    QCOMPARE(put("riu", 6, QStringLiteral("Riunione")), 201);
    TempWorkbook wbA, wbB;
    RunningDiary a(wbA.folder()), b(wbB.folder());
    connectTo(a, server.calendar());
    connectTo(b, server.calendar());
    const QStringList both{"2026-05-04 09:30 Dal telefono", "2026-05-06 09:30 Riunione"};
    QVERIFY(refreshedTo(a, both));
    QVERIFY(refreshedTo(b, both));

    // B deletes one; the day's message stays open 3 s, while the phone changes the other.
    int runs = 0, runsWhileOpen = -1;
    connect(&engine(b), &SyncEngine::runFinished, this, [&runs] { ++runs; });
    b.prompter.onMessage = [&](const QString &text) {
        if (text != QStringLiteral("Nessun Appuntamento per questa data"))
            return;
        QVERIFY(put("riu", 6, QStringLiteral("Riunione spostata")) < 300);
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Vespolari"), text, QMessageBox::Ok, &b.form());
        QTimer::singleShot(3000, &box, &QMessageBox::accept);
        box.exec();
        runsWhileOpen = runs;
    };
    BrowseFixture::clickDay(b.form(), QDate(2026, 5, 4));
    ui(b.form()).List1->setCurrentRow(0);
    b.prompter.replies = {true};
    b.form().findChild<QAction *>(QStringLiteral("Melimina"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(runsWhileOpen >= 0, 10000);
    QVERIFY2(runsWhileOpen >= 1 && runsWhileOpen <= 2, qPrintable(QString::number(runsWhileOpen)));
    QCOMPARE(server.events(), 1);
    // Once it closes, the change comes by itself; the deleted one comes back nowhere.
    QTRY_COMPARE_WITH_TIMEOUT(texts(b), QStringList{"2026-05-06 09:30 Riunione spostata"}, 10000);
    QVERIFY(refreshedTo(a, {"2026-05-06 09:30 Riunione spostata"}));
}

void TestSync::onlyWhatIsOnDiskIsSent()
{
    Radicale server;
    TempWorkbook wb;
    RunningDiary d(wb.folder());
    connectTo(d, server.calendar());
    const auto ranAgain = [&d] {
        const QDateTime before = engine(d).last().when;
        d.form().findChild<QAction *>(QStringLiteral("Maggiorna"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!engine(d).isRunning() && engine(d).last().when != before, 10000);
    };
    // Every save fails: the folder has gone, and a file holds its name.
    const QString folder = wb.folder(), away = folder + QStringLiteral("-altrove");
    QVERIFY(QDir().rename(folder, away));
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY_THROWS_EXCEPTION(StoreError, d.appointments().insertAll({Appointment::typed(
                                             QDate(2026, 5, 4), QTime(9, 30), QStringLiteral("Dentista"))}));
    ranAgain();
    // Not on disk, so not agreed on: a start from the last save would take it for deleted.
    QCOMPARE(server.events(), 0);
    QVERIFY(blocker.remove() && QDir().rename(away, folder));
    d.appointments().save();
    ranAgain();
    QCOMPARE(server.events(), 1);
}

int main(int argc, char **argv)
{
    // Settings, state files and keyring of the test's own: no keyring answers here.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    QApplication app(argc, argv);
    TestSync test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sync.moc"
