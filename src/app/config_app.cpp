#include "config_app.h"

#include "main_dialog.h"

int ConfigApp::run()
{
    {
        MainDialog dialog;
        window = &dialog;
        // Whatever ended the window, the program ends; destroying the window
        // closes the port.
        dialog.exec();
        window = nullptr;
    }
    return 0;
}

void ConfigApp::quit()
{
    if (window)
        window->reject();
}
