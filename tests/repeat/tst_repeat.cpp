// A repeated appointment through the real window and the real office, and its one "Annulla".
#include "support/browsefixture.h"
#include "domain/diary.h"
#include "repeat/repeatwindow.h"
#include "support/diarywalk.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

using namespace BrowseFixture;

class TestRepeat : public QObject
{
    Q_OBJECT

private slots:
    void seriesStoredAndTakenBackAtOnce();
};

void TestRepeat::seriesStoredAndTakenBackAtOnce()
{
    TempWorkbook workbook;
    RunningDiary running(workbook.folder());
    Form1 &form = running.form();
    running.appointments().insertAll({Appointment::typed(QDate(2024, 3, 20), QTime(8, 0), QStringLiteral("Prima"))});
    clickDay(form, QDate(2024, 3, 20));
    ui(form).Text2->setText(QStringLiteral("25.00"));
    ui(form).Text3->setText(QStringLiteral("Riunione"));

    form.findChild<QAction *>(QStringLiteral("Mripetuto"))->trigger();
    auto *window = form.findChild<RepeatWindow *>(QStringLiteral("Ripetuto"));
    QVERIFY(window && window->isVisible());
    const auto named = [window](const QString &accessible) {
        for (QWidget *w : window->findChildren<QWidget *>())
            if (w->accessibleName() == accessible && !qobject_cast<QAbstractButton *>(w))
                return w;
        return static_cast<QWidget *>(nullptr);
    };
    // Pre-filled from the entry area.
    auto *date = qobject_cast<QLineEdit *>(named(QStringLiteral("Data")));
    QCOMPARE(date->text(), QStringLiteral("20/03/2024"));
    date->setText(QStringLiteral("31/01/2024"));
    auto *repeat = qobject_cast<QComboBox *>(named(QStringLiteral("Ripeti")));
    repeat->setCurrentText(QStringLiteral("ogni mese"));
    qobject_cast<QSpinBox *>(named(QStringLiteral("Numero di volte")))->setValue(4);
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("Label1"))->text(),
             QStringLiteral("Verranno inseriti 4 appuntamenti, dal 31/01/2024 al 30/04/2024."));

    // The insertion's check of the first one, pointing at the time; nothing written.
    QPushButton *ok = window->findChild<QPushButton *>(QStringLiteral("Command1"));
    ok->click();
    QCOMPARE(running.prompter.texts().last(), QStringLiteral("Orario inesistente: 25.00\nUsare la forma: 09.30"));
    auto *time = qobject_cast<QLineEdit *>(named(QStringLiteral("Ora")));
    QCOMPARE(time->selectedText(), QStringLiteral("25.00"));
    QCOMPARE(running.appointments().stored().size(), 1);

    running.prompter.clear();
    time->setText(QStringLiteral("09.30"));
    ok->click();
    QCOMPARE(running.prompter.texts(), QStringList{QStringLiteral("Inseriti 4 appuntamenti")});
    QStringList stored;
    for (const Appointment &a : running.appointments().stored())
        stored << a.date.toDate().toString(Qt::ISODate) + QLatin1Char(' ') + a.text.text;
    QCOMPARE(stored, (QStringList{"2024-01-31 Riunione", "2024-02-29 Riunione", "2024-03-20 Prima",
                                  "2024-03-31 Riunione", "2024-04-30 Riunione"}));
    // As after an insertion: the entry area and the lists are empty.
    QVERIFY(ui(form).Text1->text().isEmpty() && ui(form).Text3->text().isEmpty());
    QCOMPARE(ui(form).List2->count(), 0);

    QAction *undo = form.findChild<QAction *>(QStringLiteral("Mannulla"));
    QVERIFY(undo->isEnabled());
    undo->trigger();
    QCOMPARE(running.appointments().stored().size(), 1);
}

QTEST_MAIN(TestRepeat)
#include "tst_repeat.moc"
