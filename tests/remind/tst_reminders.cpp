// Reminders on a private session bus of the test's own, with a notification service that records
// what it is sent; then without one, in the diary's own window. Real office, real window.
#include "support/browsefixture.h"
#include "regional/clock.h"
#include "regional/regional.h"
#include "remind/reminderpopup.h"
#include "remind/reminderwindow.h"
#include "support/diarywalk.h"
#include "tasks/remindersettings.h"

#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>

using namespace BrowseFixture;

// Stands for the desktop's notification service: keeps each call.
class Recorder : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList calls;

public slots:
    QStringList GetCapabilities() { return {QStringLiteral("body"), QStringLiteral("body-markup")}; }
    uint Notify(const QString &app, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &, int)
    {
        calls << app + QLatin1Char('|') + summary + QLatin1Char('|') + body;
        return uint(calls.size());
    }
};

class TestReminders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void announcedOnceOnTheBus();
    void settingsKeptAndBadValuesReadAsDefaults();

private:
    QTemporaryDir m_dir;
    QProcess m_bus;
};

void TestReminders::initTestCase()
{
    // Settings of the test's own: the default lead of 15 minutes.
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toUtf8());
    QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    // The bus refuses every message without the document type line.
    config.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                                "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                                "<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                                "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>")
                     .arg(m_dir.path())
                     .toUtf8());
    config.close();
    m_bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config.fileName(),
                                                 QStringLiteral("--print-address"), QStringLiteral("--nofork")});
    QVERIFY2(m_bus.waitForStarted(), "dbus-daemon is missing (package dbus)");
    QTRY_VERIFY(m_bus.canReadLine());
    // The program's session bus, before anything connects to one.
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.readLine().trimmed());
    QVERIFY(QDBusConnection::sessionBus().isConnected());
}

void TestReminders::cleanupTestCase()
{
    m_bus.terminate();
    m_bus.waitForFinished(5000);
}

void TestReminders::announcedOnceOnTheBus()
{
    QDBusConnection service = QDBusConnection::connectToBus(qgetenv("DBUS_SESSION_BUS_ADDRESS"), "service");
    Recorder recorder;
    QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &recorder,
                                   QDBusConnection::ExportAllSlots));
    QVERIFY(service.registerService(QStringLiteral("org.freedesktop.Notifications")));

    TempWorkbook workbook;
    RunningDiary running(workbook.folder());
    Form1 &form = running.form();
    // Inserted ten minutes ahead, with a lead of 15: announced at once. The clock stands at a
    // moment of the test's own, where midnight cannot come between.
    Clock::setNow(QDateTime(QDate(2027, 3, 9), QTime(9, 20)));
    const QDateTime soon = Clock::now().addSecs(600);
    const QString time = soon.time().toString(QStringLiteral("HH.mm"));
    DiaryWalk::insert(form, Regional::dateText(soon.date()), time, QStringLiteral("Dentista"));
    QTRY_COMPARE(recorder.calls,
                 QStringList{QStringLiteral("Vespolari|Appuntamento alle %1|Dentista").arg(time)});
    // The service reads markup in a body: the appointment's own "<" and "&" arrive as typed.
    DiaryWalk::insert(form, Regional::dateText(soon.date()), time, QStringLiteral("<b>Visita</b> & ritiro"));
    QTRY_COMPARE(recorder.calls.value(1),
                 QStringLiteral("Vespolari|Appuntamento alle %1|&lt;b&gt;Visita&lt;/b&gt; &amp; ritiro").arg(time));

    // No service answers any more: the diary's own window says it, without taking the keyboard.
    service.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    DiaryWalk::insert(form, Regional::dateText(soon.date()), time, QStringLiteral("Farmacia"));
    ReminderPopup *popup = nullptr;
    QTRY_VERIFY((popup = form.findChild<ReminderPopup *>()) && popup->isVisible());
    QVERIFY(popup->testAttribute(Qt::WA_ShowWithoutActivating));
    QCOMPARE(popup->findChild<QLabel *>()->text(), QStringLiteral("Appuntamento alle %1\nFarmacia").arg(time));
    QCOMPARE(recorder.calls.size(), 2);
    QDBusConnection::disconnectFromBus(QStringLiteral("service"));
    Clock::setNow({});
}

void TestReminders::settingsKeptAndBadValuesReadAsDefaults()
{
    ReminderWindow window(nullptr);
    auto *active = window.findChild<QCheckBox *>();
    auto *minutes = window.findChild<QSpinBox *>();
    QCOMPARE(minutes->accessibleName(), QStringLiteral("Minuti di anticipo"));
    QVERIFY(active->isChecked() && minutes->value() == 15);
    active->setChecked(false);
    minutes->setValue(30);
    window.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    const QString path = m_dir.filePath(QStringLiteral("config/vespolari/vespolari.conf"));
    QSettings file(path, QSettings::IniFormat);
    QCOMPARE(file.value(QStringLiteral("promemoria/attivi")).toString(), QStringLiteral("false"));
    QCOMPARE(file.value(QStringLiteral("promemoria/minuti")).toInt(), 30);

    // Not a number, or out of range: the default.
    file.setValue(QStringLiteral("promemoria/minuti"), QStringLiteral("quindici"));
    file.sync();
    QCOMPARE(ReminderSettings::load().minutes, 15);
}

QTEST_MAIN(TestReminders)
#include "tst_reminders.moc"
