// Linked into every test program: each starts under the regional settings of the diary's users,
// whatever the machine's. A case that changes them puts them back itself.
#include <QLocale>

namespace {

const bool kItalian = [] {
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    return true;
}();

} // namespace
