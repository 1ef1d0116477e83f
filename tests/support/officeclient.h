#pragma once

#include <QString>
#include <memory>

// Reaches an office that someone else started (a handed-over one) over its own pipe, and works
// on the workbook it shows the way its user would.
class OfficeClient
{
public:
    // The office process's pipe is read from its command line.
    explicit OfficeClient(qint64 officePid);
    ~OfficeClient();
    bool isConnected() const;
    QString failure() const { return m_failure; }

    // What a user types into a cell of the first sheet, taken as the office takes typing.
    bool type(int row, int col, const QString &text);
    bool save();
    // Quits the office.
    void terminate();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    QString m_failure;
};
