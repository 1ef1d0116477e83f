#pragma once

#include <QLocale>

// Another regional setting for one case. The one before comes back when the case ends, failed or
// not, so the next case starts Italian as every test program does.
class OtherLocale
{
public:
    explicit OtherLocale(const QLocale &locale) { QLocale::setDefault(locale); }
    ~OtherLocale() { QLocale::setDefault(m_before); }
    OtherLocale(const OtherLocale &) = delete;
    OtherLocale &operator=(const OtherLocale &) = delete;

private:
    const QLocale m_before;
};
