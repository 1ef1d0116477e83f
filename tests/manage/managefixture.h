#pragma once

#include "support/browsefixture.h"
#include "domain/diary.h"
#include "domain/sheetrows.h"
#include "manage/changewindow.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

// A running diary whose lists are listed and chosen from, and the change window driven.
namespace ManageFixture {

using namespace BrowseFixture;

inline QAction *action(Form1 &form, const char *name)
{
    QAction *found = form.findChild<QAction *>(QLatin1String(name));
    if (!found)
        qFatal("no action named %s", name);
    return found;
}

inline ChangeWindow *changeWindow(Form1 &form)
{
    for (ChangeWindow *w : form.findChildren<ChangeWindow *>(QStringLiteral("Modifica"))) {
        if (w->isVisible())
            return w;
    }
    return nullptr;
}

inline QLineEdit *field(ChangeWindow *window, const char *name)
{
    return window->findChild<QLineEdit *>(QLatin1String(name));
}

inline QPushButton *windowButton(ChangeWindow *window, const char *name)
{
    return window->findChild<QPushButton *>(QLatin1String(name));
}

// The three fields of the change window typed over, then OK.
inline void typeAndConfirm(ChangeWindow *window, const QString &date, const QString &time, const QString &text)
{
    field(window, "Text1")->setText(date);
    field(window, "Text2")->setText(time);
    field(window, "Text3")->setText(text);
    windowButton(window, "Command1")->click();
}

// Columns A to C of every row from the first data row to the last used one.
inline CellBlock dataRows(CalcWorkbook &book)
{
    const int last = book.lastUsedRow();
    if (last < SheetLayout::kFirstDataRow)
        return {};
    CellBlock rows = book.readBlock(SheetLayout::kFirstDataRow, 1, last, 3);
    SheetRows::apply(rows, SheetLayout::kFirstDataRow, {});
    return rows;
}

inline bool sameRows(const CellBlock &a, const CellBlock &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (!SheetRows::sameCells(a[i], b[i]))
            return false;
    }
    return true;
}

inline QByteArray contents(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace ManageFixture
