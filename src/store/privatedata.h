#pragma once

#include <QFileDevice>
#include <QString>

// The diary's own files beside the user's (rescue copies, what a calendar server was agreed on):
// they hold appointments in clear, so they are the user's to read alone, whatever the umask says.
namespace PrivateData {

constexpr QFileDevice::Permissions kFileMode = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// $XDG_DATA_HOME/vespolari (~/.local/share/vespolari by default), made if need be and kept 0700.
// Whatever is written there fails on its own when the folder could not be made.
QString folder();

} // namespace PrivateData
