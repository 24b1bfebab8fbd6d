#pragma once

#include <QFont>
#include <QIcon>
#include <QString>

// What the program calls itself and how its windows look.
namespace AppIdentity {

QString productName(); // "Ostrivan Application"
QString version();     // "1.0.0.1"
// The application icon in every size it comes in.
QIcon icon();
// The 8-point sans-serif font the windows are laid out in.
QFont dialogFont();

} // namespace AppIdentity
