#include "findwindow.h"

#include "findresults.h"
#include "forms/windowform.h"

#include <QAccessible>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>

FindWindow::FindWindow(QWidget *parent) : QDialog(parent)
{
    setModal(false);
    buildControls();
}

void FindWindow::buildControls()
{
    WindowForm form(this, QStringLiteral("Cerca"), QStringLiteral("Cerca appuntamenti"));
    queryEdit = new QLineEdit(this);
    queryEdit->setClearButtonEnabled(true);
    form.row(QStringLiteral("&Parole da cercare:"), queryEdit, QStringLiteral("Text1"))
        ->setObjectName(QStringLiteral("Label1"));

    m_results = new FindResults(this);
    resultsView = new QTreeView(this);
    resultsView->setObjectName(QStringLiteral("List1"));
    resultsView->setAccessibleName(QStringLiteral("Appuntamenti trovati"));
    resultsView->setModel(m_results);
    resultsView->setRootIsDecorated(false);
    resultsView->setItemsExpandable(false);
    resultsView->setUniformRowHeights(true);  // no row measured one by one, however many are found
    resultsView->setAllColumnsShowFocus(true);
    resultsView->setSelectionMode(QAbstractItemView::SingleSelection);
    resultsView->setSelectionBehavior(QAbstractItemView::SelectRows);
    resultsView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultsView->setTabKeyNavigation(false);
    const QFontMetrics metrics(resultsView->font());
    resultsView->setColumnWidth(0, metrics.horizontalAdvance(QStringLiteral("00/00/0000")) + 24);
    resultsView->setColumnWidth(1, metrics.horizontalAdvance(QStringLiteral("00:00:00")) + 24);
    resultsView->header()->setStretchLastSection(true);

    countLabel = new QLabel(this);
    countLabel->setObjectName(QStringLiteral("Label2"));
    // No accessible name of its own: a screen reader reads the count itself, and is told when
    // it changes.

    form.below(resultsView, 1);
    form.below(countLabel);
    setTabOrder(queryEdit, resultsView);
    resize(560, 360);

    connect(queryEdit, &QLineEdit::textChanged, this, &FindWindow::search);
    // Not "activated": some styles activate on a single click, which must only select.
    connect(resultsView, &QAbstractItemView::doubleClicked, this, &FindWindow::choose);
    queryEdit->installEventFilter(this);
    resultsView->installEventFilter(this);
}

void FindWindow::setAppointments(const Appointments &stored)
{
    m_search = AppointmentSearch(stored);
    search();
}

void FindWindow::focusQuery()
{
    queryEdit->setFocus(Qt::ShortcutFocusReason);
    queryEdit->selectAll();
}

QString FindWindow::countText(int found)
{
    if (found == 0)
        return QStringLiteral("Nessun appuntamento trovato");
    if (found == 1)
        return QStringLiteral("1 appuntamento trovato");
    return QStringLiteral("%1 appuntamenti trovati").arg(found);
}

void FindWindow::search()
{
    const QString query = queryEdit->text();
    m_results->setFound(m_search.appointments(), m_search.matching(query));
    // Nothing typed is no search, and finds nothing worth counting.
    const QString counted = AppointmentSearch::words(query).isEmpty() ? QString() : countText(m_results->rowCount());
    if (counted == countLabel->text())
        return;
    countLabel->setText(counted);
    // The label's name is its text: a screen reader is told it changed.
    QAccessibleEvent changed(countLabel, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void FindWindow::choose(const QModelIndex &index)
{
    if (index.isValid())
        emit appointmentChosen(m_results->at(index.row()));
}

bool FindWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (watched == resultsView && enter) {
        choose(resultsView->currentIndex());
        return true;
    }
    if (watched == queryEdit && enter) {
        const QModelIndex current = resultsView->currentIndex();
        choose(current.isValid() ? current : m_results->index(0, 0));
        return true;
    }
    if (watched == queryEdit && key->key() == Qt::Key_Down && m_results->rowCount() > 0) {
        resultsView->setFocus(Qt::TabFocusReason);
        if (!resultsView->currentIndex().isValid())
            resultsView->setCurrentIndex(m_results->index(0, 0));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
