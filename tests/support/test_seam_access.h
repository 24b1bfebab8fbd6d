#pragma once

// The tests' side of the windows' test seam: their controls, parts and state.

#include "comparison_window.h"
#include "exchange_engine.h"
#include "link_settings_editor.h"
#include "main_dialog.h"
#include "register_properties_dialog.h"
#include "traffic_log_window.h"

struct TestSeam
{
    // The main window.
    static const MainControls &controls(const MainDialog &d) { return d.ui; }
    static SerialPort &serialPort(MainDialog &d) { return d.port; }
    static Session &session(MainDialog &d) { return d.state; }
    static LinkSettingsEditor &linkSettings(MainDialog &d) { return *d.link; }
    static ExchangeEngine &exchange(MainDialog &d) { return *d.engine; }
    static TrafficLog &traffic(MainDialog &d) { return d.trafficLog; }
    static const PortChoice &portChoice(const MainDialog &d) { return d.ports; }
    // The traffic log's window while it is open; null otherwise.
    static TrafficLogWindow *trafficLogWindow(const MainDialog &d) { return d.logWindow.data(); }
    // The last comparison window while it is open; null otherwise.
    static ComparisonWindow *comparisonWindow(const MainDialog &d)
    {
        return d.lastComparison.data();
    }
    static std::function<std::optional<QString>()> &trafficLogChooser(MainDialog &d)
    {
        return d.trafficLogChooser;
    }

    // The register properties dialog.
    static QLineEdit *addressField(const RegisterPropertiesDialog &d) { return d.address; }
    static QLineEdit *sizeField(const RegisterPropertiesDialog &d) { return d.size; }
    static QLineEdit *coefficientField(const RegisterPropertiesDialog &d) { return d.coefficient; }
    static SpinButton *addressSpinButton(const RegisterPropertiesDialog &d)
    {
        return d.addressSpin;
    }
    static SpinButton *sizeSpinButton(const RegisterPropertiesDialog &d) { return d.sizeSpin; }
    static QPushButton *okButton(const RegisterPropertiesDialog &d) { return d.ok; }
    static QPushButton *cancelButton(const RegisterPropertiesDialog &d) { return d.cancel; }
    static bool &spinStepPending(RegisterPropertiesDialog &d) { return d.spinStepPending; }

    // The link-settings editor. Cleared, it stops the field handlers from
    // acting as if the window were open, for a test that sets texts as a
    // user left them.
    static bool isInitialized(const LinkSettingsEditor &e) { return e.initialized; }
    static void setInitialized(LinkSettingsEditor &e, bool value) { e.initialized = value; }
};
