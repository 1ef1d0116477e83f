#include "managehandlers.h"

#include "changewindow.h"

#include "domain/appointmenttext.h"
#include "domain/diary.h"
#include "domain/entryrules.h"
#include "services/prompter.h"
#include "regional/regional.h"
#include "services/storefailure.h"
#include "store/storeerror.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QItemSelectionModel>
#include <QListView>

namespace {

// The texts "Modifica..." starts from: as the user would type them.
QString dateField(const CellValue &value)
{
    if (value.isNumeric())
        return Regional::dateText(value.toDate());
    return value.kind == CellValue::Text ? value.text : QString();
}

QString timeField(const CellValue &value)
{
    if (value.isNumeric())
        return value.toTime().toString(QStringLiteral("hh.mm"));
    return value.kind == CellValue::Text ? value.text : QString();
}

// "09.30" as it stands in the question, whatever the cell holds.
QString timeWords(const CellValue &value)
{
    return value.isNumeric() ? timeField(value) : AppointmentText().time(value);
}

QString dateWords(const CellValue &value)
{
    return value.isNumeric() ? dateField(value) : AppointmentText().date(value);
}

} // namespace

ManageHandlers::ManageHandlers(const Controls &controls, Diary &diary, Prompter &prompter,
                               StoreFailure &storeFailure, QObject *parent)
    : QObject(parent), m_controls(controls), m_diary(diary), m_prompter(prompter), m_storeFailure(storeFailure)
{
    // Either list, an item list or a view over lines, through what both are.
    for (QListView *list : {controls.timesList, controls.textsList}) {
        connect(list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this, list](const QModelIndex &current) { chooseLine(list, current.row()); });
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { updateActions(); });
        connect(list->model(), &QAbstractItemModel::modelReset, this, [this] { updateActions(); });
        list->setContextMenuPolicy(Qt::ActionsContextMenu);
        auto *separator = new QAction(list);
        separator->setSeparator(true);
        list->addActions({controls.changeAction, controls.deleteAction, controls.undoAction, separator,
                          controls.findAction});
    }
    connect(controls.changeAction, &QAction::triggered, this, &ManageHandlers::change);
    connect(controls.deleteAction, &QAction::triggered, this, &ManageHandlers::remove);
    connect(controls.undoAction, &QAction::triggered, this, &ManageHandlers::undo);
    // A bulk insertion is taken back by "Annulla" too, whoever made it.
    connect(&diary, &Diary::changed, this, &ManageHandlers::updateActions);
    updateActions();
}

void ManageHandlers::setListed(const Appointments &listed)
{
    m_listed = listed;
    updateActions();
}

void ManageHandlers::chooseLine(QListView *from, int line)
{
    QListView *other = from == m_controls.timesList ? m_controls.textsList : m_controls.timesList;
    // Only lists that show the same appointments line for line go together.
    if (line >= 0 && other->model()->rowCount() == from->model()->rowCount() && other->currentIndex().row() != line)
        other->setCurrentIndex(other->model()->index(line, 0));
    updateActions();
}

std::optional<Appointment> ManageHandlers::selected() const
{
    for (QListView *list : {m_controls.timesList, m_controls.textsList}) {
        const QModelIndexList chosen = list->selectionModel()->selectedIndexes();
        if (chosen.size() != 1 || list->model()->rowCount() != m_listed.size())
            continue;
        const Appointment &listed = m_listed[chosen.first().row()];
        // Never a neighbour: the row must still hold what was listed.
        const std::optional<Appointment> stored = m_diary.at(listed.row);
        if (stored && stored->cells() == listed.cells())
            return stored;
        return std::nullopt;
    }
    return std::nullopt;
}

void ManageHandlers::updateActions()
{
    bool chosen = false;
    try {
        chosen = selected().has_value();
    } catch (const StoreError &) {
        // Without the office nothing can be changed; the next step says why.
    }
    const bool free = !m_changeWindow;
    m_controls.changeAction->setEnabled(chosen && free);
    m_controls.deleteAction->setEnabled(chosen && free);
    m_controls.undoAction->setEnabled(m_diary.canUndo() && free);
}

void ManageHandlers::change()
{
    std::optional<Appointment> original;
    try {
        // A save still under way may yet fail and put its rows back: the choice is made after it.
        m_diary.waitForSave();
        original = selected();
    } catch (const StoreError &e) {
        failed(QStringLiteral("Appuntamento non modificato."), e);
        return;
    }
    if (!original || m_changeWindow)
        return;
    m_changeWindow = new ChangeWindow(dateField(original->date), timeField(original->time),
                                      AppointmentText().plain(original->text), m_controls.window);
    m_changeWindow->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_changeWindow, &ChangeWindow::confirmed, this, [this, original] { applyChange(*original); });
    connect(m_changeWindow, &QDialog::finished, this, [this] {
        m_changeWindow = nullptr;
        updateActions();
    });
    updateActions();
    m_changeWindow->show();
}

void ManageHandlers::applyChange(const Appointment &original)
{
    ChangeWindow *window = m_changeWindow;
    const std::variant<EntryRules::Entry, EntryRules::Refusal> checked =
        EntryRules::check(window->dateText(), window->timeText(), window->text());
    if (const auto *refusal = std::get_if<EntryRules::Refusal>(&checked)) {
        if (!refusal->message.isEmpty())
            m_prompter.message(refusal->message);
        window->select(refusal->field);
        return;
    }
    const EntryRules::Entry &entry = std::get<EntryRules::Entry>(checked);
    const Appointment changed = Appointment::typed(entry.date, entry.time, entry.text);
    try {
        m_diary.waitForSave();
        // The row may have moved or gone while the window stood open (an insertion sorts).
        const std::optional<Appointment> stored = m_diary.at(original.row);
        if (!stored || !(stored->cells() == original.cells()))
            throw StoreError(StoreError::OperationFailed,
                             QStringLiteral("L'appuntamento non è più nella riga in cui era elencato."));
        m_diary.replace(original.row, changed, whenSaved(changed.date));
    } catch (const StoreError &e) {
        window->close();
        failed(QStringLiteral("Appuntamento non modificato."), e);
        return;
    }
    window->close();
}

void ManageHandlers::remove()
{
    std::optional<Appointment> chosen;
    try {
        m_diary.waitForSave();
        chosen = selected();
    } catch (const StoreError &e) {
        failed(QStringLiteral("Appuntamento non eliminato."), e);
        return;
    }
    if (!chosen || m_changeWindow)
        return;
    if (!m_prompter.question(QStringLiteral("Eliminare l'appuntamento del %1 alle %2?")
                                 .arg(dateWords(chosen->date), timeWords(chosen->time))))
        return;
    try {
        m_diary.remove(chosen->row, whenSaved(chosen->date));
    } catch (const StoreError &e) {
        failed(QStringLiteral("Appuntamento non eliminato."), e);
        return;
    }
    updateActions();
}

void ManageHandlers::undo()
{
    // The step the user takes back is the one there when the key was pressed, whatever a save
    // still under way turns out to do.
    const quint64 chosen = m_diary.nextUndo();
    try {
        m_diary.waitForSave();
    } catch (const StoreError &e) {
        failed(QStringLiteral("Annullamento non riuscito."), e);
        return;
    }
    if (chosen == 0 || m_changeWindow)
        return;
    try {
        const CellValue day = m_diary.undoDate();
        m_diary.undo(chosen, whenSaved(day));
    } catch (const StoreError &e) {
        failed(QStringLiteral("Annullamento non riuscito."), e);
        return;
    }
    updateActions();
}

void ManageHandlers::done(const CellValue &date)
{
    emit dayToShow(date.isNumeric() ? date.toDate() : QDate());
    updateActions();
}

Diary::SaveEnded ManageHandlers::whenSaved(const CellValue &date)
{
    return [this, date](const std::optional<StoreError> &failure) {
        // Saved or not, the step stands: a failed save only leaves it for the next one.
        if (failure)
            m_storeFailure.saveFailed(*failure, StoreFailure::Written::Change);
        done(date);
    };
}

void ManageHandlers::failed(const QString &what, const StoreError &error)
{
    m_prompter.message(what + QLatin1Char('\n') + error.description());
    m_storeFailure.recoverIfGone(error);
    updateActions();
}
