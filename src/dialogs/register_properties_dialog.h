#pragma once

#include <QByteArray>
#include <QDialog>
#include <memory>

class QLineEdit;
class QPushButton;
class RegisterTable;
class SpinButton;
class UserMessages;

// Edits one listed register: its address, size and coefficient. OK checks
// the new address against the other registers (offering to shift them), the
// reserved calibration range and the coefficient's range, and writes the
// accepted row into the list and the table before the dialog closes. Cancel
// changes nothing, though shifts made on the way stay.
class RegisterPropertiesDialog : public QDialog
{
    Q_OBJECT

public:
    // cellSize is read when it is needed, so it must outlive the dialog.
    // Messages go to message boxes over the dialog unless another sink is
    // given.
    RegisterPropertiesDialog(RegisterTable &table, const quint8 &cellSize,
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

    QLineEdit *addressField() const { return address; }
    QLineEdit *sizeField() const { return size; }
    QLineEdit *coefficientField() const { return coefficient; }
    SpinButton *addressSpinButton() const { return addressSpin; }
    SpinButton *sizeSpinButton() const { return sizeSpin; }
    QPushButton *okButton() const { return ok; }
    QPushButton *cancelButton() const { return cancel; }

    QByteArray nameText;
    QByteArray addressText;
    quint8 sizeBytes = 0;
    QByteArray coefficientText;
    bool spinStepPending = false;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void onAddressTextChanged();
    // Asks about every pair of addresses the edited register would share
    // with another; true when none was refused.
    bool resolveOverlaps(int editedRow, quint32 newAddress);

    std::unique_ptr<UserMessages> ownMessages;
    UserMessages &messages;
    RegisterTable &table;
    const quint8 &cellSize;
    QLineEdit *address;
    SpinButton *addressSpin;
    QLineEdit *size;
    SpinButton *sizeSpin;
    QLineEdit *coefficient;
    QLineEdit *name;
    QPushButton *ok;
    QPushButton *cancel;
};
