#include "entryhandlers.h"

#include <QLineEdit>
#include <QPushButton>

EntryHandlers::EntryHandlers(const Controls &controls, Diary &diary, Prompter &prompter, StoreFailure &storeFailure,
                             QObject *parent)
    : QObject(parent),
      m_fields(controls.dateEdit, controls.timeEdit, controls.textEdit, prompter),
      m_insertion(m_fields, diary, prompter, storeFailure, [this] { clearEntryArea(); })
{
    connect(controls.dateEdit, &QLineEdit::textChanged, this, &EntryHandlers::dateEdited);
    connect(controls.timeEdit, &QLineEdit::textChanged, this, [this] { m_fields.timeChanged(); });
    connect(controls.clearButton, &QPushButton::clicked, this, [this] {
        clearEntryArea();
        m_fields.focusDate();
    });
    connect(controls.insertButton, &QPushButton::clicked, this, [this] { m_insertion.run(); });
}

void EntryHandlers::clearEntryArea()
{
    m_fields.clear();
    emit entryAreaCleared();
}
