#pragma once

#include <QString>

class MainDialog;

// The application: creates the main window, runs it modally, and ends the
// program when it closes, however it closes. SIGINT and SIGTERM close it as
// its close control would, also while a dialog or message box is open over
// it.
class ConfigApp
{
public:
    // startFile, when given, is opened as Open would once the window shows.
    int run(const QString &startFile = QString());
    // Closes every dialog open over the window, then the window; the
    // program then ends and the port is released.
    void quit();

    // The window while it runs; null before and after.
    [[nodiscard]] MainDialog *mainWindow() const { return window; }

private:
    MainDialog *window = nullptr;
};
