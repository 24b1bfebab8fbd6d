#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

// The About entry in a window's system menu. Only Windows gives programs a
// system menu; elsewhere these do nothing and the window offers the entry
// in its context menu and on F1.
void appendToSystemMenu(QWidget *window, const QString &entryText);
bool isAboutCommand(const QByteArray &eventType, void *message);
