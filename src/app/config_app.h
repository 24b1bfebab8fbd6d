#pragma once

class MainDialog;

// The application: creates the main window, runs it modally, and ends the
// program when it closes, however it closes.
class ConfigApp
{
public:
    int run();
    // Ends the window as its close control would; the program then ends.
    void quit();

    // The window while it runs; null before and after.
    MainDialog *mainWindow() const { return window; }

private:
    MainDialog *window = nullptr;
};
