#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <optional>
#include <variant>

// The checks a typed appointment passes before it is stored, as pure functions: they tell what
// is wrong, and the window decides how to show it.
namespace EntryRules {

enum class Field { None, Date, Time, Text };

// Why a typed appointment is not stored. An empty message means nothing is said (an empty text
// is simply not inserted); the field is the one to correct.
struct Refusal
{
    QString message;
    Field field = Field::None;
};

struct Entry
{
    QDate date;
    QTime time;
    QString text;
};

// The whole check, in the order the user meets its messages: the time's form, the date, the
// text, then whether time and date exist and the date is one every reader of the file agrees on.
std::variant<Entry, Refusal> check(const QString &dateText, const QString &timeText, const QString &text);

// Text the sheet cannot hold exactly is refused rather than changed.
std::optional<Refusal> checkText(const QString &text);

// What one cell of a 97-2003 workbook holds.
constexpr int kCellLimit = 32767;

} // namespace EntryRules
