#pragma once

#include "test_seam.h"

#include <QByteArray>
#include <QDialog>
#include <functional>
#include <memory>

class QLineEdit;
class QPushButton;
class SpinButton;
class UserMessages;
struct Session;

// Edits one listed register: its address, size and coefficient. OK checks
// the new address against the other registers (offering to shift them), the
// reserved calibration range and the coefficient's range, and writes the
// accepted row into the list and the table before the dialog closes. Cancel
// changes nothing, though shifts made on the way stay.
class RegisterPropertiesDialog : public QDialog
{
    Q_OBJECT

public:
    // The edited row is the first selected row of the list, as firstSelectedRow
    // tells when the dialog opens and again when OK is pressed. The session's
    // cell size is read when it is needed. Messages go to message boxes over
    // the dialog unless another sink is given.
    RegisterPropertiesDialog(Session &session, std::function<int()> firstSelectedRow,
                             UserMessages *messages = nullptr, QWidget *parent = nullptr);
    ~RegisterPropertiesDialog() override;

    // Fields into the values: address, size, name, coefficient. A size that
    // is not a whole number 0 to 255 is refused with a message and stops the
    // reading there. Returns whether every field was read.
    bool readFields();
    void showFields();
    // What Enter in a field does: the address and coefficient in their
    // normal forms; the dialog stays open.
    void normalizeFields();
    // The OK button.
    void onOkClicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    friend struct TestSeam;

    void onAddressTextChanged();
    bool askShift();

    QByteArray nameText;
    QByteArray addressText;
    quint8 sizeBytes = 0;
    QByteArray coefficientText;
    bool spinStepPending = false;

    std::unique_ptr<UserMessages> ownMessages;
    UserMessages &messages;
    Session &session;
    std::function<int()> firstSelectedRow;
    quint64 openedGeneration = 0;
    QLineEdit *address;
    SpinButton *addressSpin;
    QLineEdit *size;
    SpinButton *sizeSpin;
    QLineEdit *coefficient;
    QLineEdit *name;
    QPushButton *ok;
    QPushButton *cancel;
};
