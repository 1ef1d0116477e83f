#include "shell/form1.h"
#include "store/calcworkbook.h"
#include "support/shareddiary.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTest>

// The entry fields while they are edited, and "Pulisci", on a running diary.
class TestEntryFields : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void dateChangeEmptiesBothLists();
    void commaInTimeWarnsAndSelectsTheTime();
    void pulisciResetsInItsOrder();

private:
    void fillLists(int lines);

    SharedDiary m_diary;
    const QString kComma = QStringLiteral("Orario non corretto. Scritto con virgola anzichè punto");
};

void TestEntryFields::initTestCase()
{
    m_diary.start();
    m_diary->form().show();
    QApplication::setActiveWindow(&m_diary->form());
    QVERIFY(QTest::qWaitForWindowActive(&m_diary->form()));
}

void TestEntryFields::init()
{
    m_diary.reset();
}

void TestEntryFields::cleanupTestCase()
{
    m_diary.stop();
}

void TestEntryFields::fillLists(int lines)
{
    for (int i = 0; i < lines; ++i) {
        ui(m_diary->form()).List1->addItem(QStringLiteral("9:%1").arg(i + 10));
        ui(m_diary->form()).List2->addItem(QStringLiteral("Appuntamento %1").arg(i));
    }
}

void TestEntryFields::dateChangeEmptiesBothLists()
{
    Form1 &f = m_diary->form();
    for (int lines : {1, 3}) {
        {
            const QSignalBlocker quiet(ui(f).Text1);
            ui(f).Text1->clear();
        }
        fillLists(lines);
        QTest::keyClick(ui(f).Text1, Qt::Key_2);
        QCOMPARE(ui(f).List1->count(), 0);
        QCOMPARE(ui(f).List2->count(), 0);
        // The program's own writing of a date counts as a change too; the text itself is left alone.
        fillLists(lines);
        ui(f).Text1->setText(QStringLiteral("31/02/20xx"));
        QCOMPARE(ui(f).List1->count(), 0);
        QCOMPARE(ui(f).List2->count(), 0);
        QCOMPARE(ui(f).Text1->text(), QStringLiteral("31/02/20xx"));
    }
    QVERIFY(m_diary->prompter.messages.isEmpty());
}

void TestEntryFields::commaInTimeWarnsAndSelectsTheTime()
{
    Form1 &f = m_diary->form();
    ui(f).Text2->setFocus();
    QStringList textsAtMessage;
    m_diary->prompter.onMessage = [&](const QString &) { textsAtMessage << ui(f).Text2->text(); };

    QTest::keyClicks(ui(f).Text2, QStringLiteral("9"));
    QVERIFY(m_diary->prompter.messages.isEmpty());
    QTest::keyClicks(ui(f).Text2, QStringLiteral(","));
    QCOMPARE(m_diary->prompter.texts(), QStringList{kComma});
    QCOMPARE(m_diary->prompter.messages[0].icon, Prompter::Icon::None);
    QCOMPARE(textsAtMessage, QStringList{QStringLiteral("9,")});
    QCOMPARE(ui(f).Text2->text(), QStringLiteral("9,"));
    QCOMPARE(ui(f).Text2->selectedText(), QStringLiteral("9,"));
    QCOMPARE(ui(f).Text2->selectionStart(), 0);
    QCOMPARE(QApplication::focusWidget(), ui(f).Text2);

    // The next keys replace the selected text, and without a comma nothing more is said.
    QTest::keyClicks(ui(f).Text2, QStringLiteral("30"));
    QCOMPARE(ui(f).Text2->text(), QStringLiteral("30"));
    QCOMPARE(m_diary->prompter.messages.size(), 1);

    // Every change that still holds a comma warns again.
    m_diary->prompter.clear();
    ui(f).Text2->setText(QStringLiteral("9,3"));
    QTest::keyClick(ui(f).Text2, Qt::Key_End);
    QTest::keyClick(ui(f).Text2, Qt::Key_0);
    QTest::keyClick(ui(f).Text2, Qt::Key_End);
    QTest::keyClick(ui(f).Text2, Qt::Key_Backspace);
    QCOMPARE(m_diary->prompter.texts(), QStringList(3, kComma));
    QCOMPARE(ui(f).Text2->selectedText(), ui(f).Text2->text());

    // Emptying the field says nothing.
    m_diary->prompter.clear();
    ui(f).Text2->clear();
    QVERIFY(m_diary->prompter.messages.isEmpty());
}

void TestEntryFields::pulisciResetsInItsOrder()
{
    Form1 &f = m_diary->form();
    const int usedBefore = m_diary->book().lastUsedRow();
    ui(f).Text1->setText(QStringLiteral("25/05/2009"));
    ui(f).Text2->setText(QStringLiteral("9.30"));
    ui(f).Text3->setText(QStringLiteral("Caffè con l'avvocato"));
    fillLists(2);
    {
        const QSignalBlocker quiet(ui(f).Check1);
        ui(f).Check1->setChecked(true);
    }
    ui(f).Command1->setFocus();

    QStringList steps;
    auto note = [&](const QString &what) {
        steps << QStringLiteral("%1 [%2|%3|%4] lists %5/%6")
                     .arg(what, ui(f).Text1->text(), ui(f).Text2->text(), ui(f).Text3->text())
                     .arg(ui(f).List1->count())
                     .arg(ui(f).List2->count());
    };
    QMetaObject::Connection c[] = {
        connect(ui(f).Text1, &QLineEdit::textChanged, this, [&] { note(QStringLiteral("Text1")); }),
        connect(ui(f).Text2, &QLineEdit::textChanged, this, [&] { note(QStringLiteral("Text2")); }),
        connect(ui(f).Text3, &QLineEdit::textChanged, this, [&] { note(QStringLiteral("Text3")); }),
        connect(ui(f).Check1, &QCheckBox::toggled, this, [&] { note(QStringLiteral("Check1")); }),
    };
    QTest::mouseClick(ui(f).Command4, Qt::LeftButton);
    for (const auto &connection : c)
        disconnect(connection);

    // The date's change handling has emptied the lists before the time and the text are emptied.
    QCOMPARE(steps, (QStringList{QStringLiteral("Text1 [|9.30|Caffè con l'avvocato] lists 0/0"),
                                 QStringLiteral("Text2 [||Caffè con l'avvocato] lists 0/0"),
                                 QStringLiteral("Text3 [||] lists 0/0"), QStringLiteral("Check1 [||] lists 0/0")}));
    QVERIFY(!ui(f).Check1->isChecked());
    QCOMPARE(QApplication::focusWidget(), ui(f).Text1);
    QVERIFY(m_diary->prompter.messages.isEmpty());
    QCOMPARE(m_diary->book().lastUsedRow(), usedBefore);

    // With nothing to reset it still puts the cursor into the date field.
    ui(f).Command1->setFocus();
    QTest::mouseClick(ui(f).Command4, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), ui(f).Text1);
    QVERIFY(m_diary->prompter.messages.isEmpty());
}

QTEST_MAIN(TestEntryFields)
#include "tst_entryfields.moc"
