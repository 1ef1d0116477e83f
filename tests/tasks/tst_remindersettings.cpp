#include "tasks/remindersettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// A settings file as a hand edit may leave it: whatever it holds, the reminders read a lead they can use.
class TestReminderSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8()); }
    void handEditedValues_data();
    void handEditedValues();

private:
    QTemporaryDir m_dir;
};

void TestReminderSettings::handEditedValues_data()
{
    QTest::addColumn<QString>("active");
    QTest::addColumn<QString>("minutes");
    QTest::addColumn<bool>("readActive");
    QTest::addColumn<int>("readMinutes");
    QTest::newRow("none ahead") << "false" << "0" << false << 0;
    QTest::newRow("a day ahead") << "FALSE " << "1440" << false << 1440;
    QTest::newRow("past a day") << "true" << "1441" << true << 15;
    QTest::newRow("negative") << "no" << "-1" << true << 15;
    QTest::newRow("past an int") << "0" << "4294967311" << true << 15;
    QTest::newRow("lists") << "false, false" << "30, 45" << true << 15;
    QTest::newRow("words") << "" << "30 minuti" << true << 15;
}

void TestReminderSettings::handEditedValues()
{
    QFETCH(QString, active);
    QFETCH(QString, minutes);
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("vespolari")));
    QFile file(m_dir.filePath(QStringLiteral("vespolari/vespolari.conf")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QStringLiteral("[promemoria]\nattivi=%1\nminuti=%2\n").arg(active, minutes).toUtf8());
    // QSettings reads a file again only when its size or time changed: each edit a time of its own.
    static int edits = 0;
    file.setFileTime(QDateTime(QDate(2026, 1, 1), QTime(0, 0)).addSecs(++edits), QFileDevice::FileModificationTime);
    file.close();

    const ReminderSettings read = ReminderSettings::load();
    QTEST(read.active, "readActive");
    QTEST(read.minutes, "readMinutes");
}

QTEST_MAIN(TestReminderSettings)
#include "tst_remindersettings.moc"
