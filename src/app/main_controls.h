#pragma once

class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QWidget;
class DialogUnits;
class RegisterListView;
class SpinButton;

// The controls of the main window, created in their places and in the
// window's tab order. Tab moves Write, Read, device address, baud rate,
// parity, stop bits, port, Open, Save, register list, cell size; the radios,
// the progress bar and the file name are not on that path.
struct MainControls
{
    QPushButton *write;
    QPushButton *read;
    QLineEdit *deviceAddress;
    SpinButton *addressSpin;
    QComboBox *baudRate;
    QComboBox *parity;
    QComboBox *stopBits;
    QComboBox *port;
    QPushButton *open;
    QPushButton *save;
    RegisterListView *registerList;
    QLineEdit *cellSize;
    SpinButton *cellSizeSpin;
    QRadioButton *ascii;
    QRadioButton *rtu;
    QRadioButton *threeWire;
    QRadioButton *fourWire;
    QProgressBar *progress;
    QLineEdit *fileName;

    // Builds the controls inside window, which gets the client size, laid
    // out in the units of its font.
    static MainControls create(QWidget *window, const DialogUnits &units);
};
