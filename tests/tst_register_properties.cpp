// The register properties dialog: field forms, the address spin, overlap
// questions and shifts, the reserved range and the coefficient ranges.

#include "cp1251.h"
#include "device_models.h"
#include "exchange_doubles.h"
#include "register_edit_rules.h"
#include "register_properties_dialog.h"
#include "register_table.h"
#include "session.h"
#include "spin_button.h"
#include "test_seam_access.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

struct Row
{
    const char *name; // UTF-8
    const char *address;
    const char *size;
    const char *coefficient;
};

const QList<Row> standardRows{
    {"Напряжение фазы A (Ua)", "0x0000 ", "2", "4000"},
    {"Активная мощность фазы A (Pa)", "0x0001 ", "2", "4000"},
    {"Частота (f)", "0x0002 ", "2", "1.000"},
    {"Ток фазы A (Ia)", "0x0003 ", "2", "3000"},
    {"Ток фазы B (Ib)", "0x001E ", "2", "3000"},
    {"Ток фазы C (Ic)", "0x0025 ", "2", "3000"},
};

// A table, a dialog on one of its rows, and the recorded messages.
struct EditFixture
{
    EditFixture(int editedRow, const QList<Row> &rows = standardRows, quint8 cells = 2)
        : selected(editedRow)
    {
        session.link.cellSize = cells;
        for (const Row &row : rows)
            table.append({toCp1251(QString::fromUtf8(row.name)), row.address, row.size,
                          row.coefficient, RegisterKind::Parameter});
        table.append({"Calibration", "0xFF00 ", "2", "1.000", RegisterKind::Calibration});
        dialog = std::make_unique<RegisterPropertiesDialog>(
            session, [this] { return selected; }, &messages);
        dialog->show();
    }

    void type(QLineEdit *field, const QString &text)
    {
        field->selectAll();
        field->insert(text);
    }
    QByteArray address(int row) const
    {
        return table.shownText(row, RegisterTable::Column::Address);
    }
    QStringList addresses() const
    {
        QStringList texts;
        for (int row = 0; row < table.parameterCount(); ++row)
            texts << QString::fromLatin1(address(row));
        return texts;
    }
    bool accepted() const { return dialog->result() == QDialog::Accepted; }

    Session session;
    RegisterTable &table = session.table;
    int selected; // the list's first selected row
    RecordingMessages messages;
    std::unique_ptr<RegisterPropertiesDialog> dialog;
};

const QString shiftQuestion =
    QStringLiteral("Данный адрес используется другим регистром. Сдвинуть регистры?");

} // namespace

Q_DECLARE_METATYPE(QList<Row>)

class TestRegisterProperties : public QObject
{
    Q_OBJECT

private slots:
    void opening();
    void okStoresTheAddressInNormalForm_data();
    void okStoresTheAddressInNormalForm();
    void enterNormalizesAndStaysOpen();
    void enterWithABadSize();
    void addressSpin_data();
    void addressSpin();
    void reservedRange_data();
    void reservedRange();
    void coefficientRanges_data();
    void coefficientRanges();
    void cancelOnTheRangeWarning();
    void overlapQuestions_data();
    void overlapQuestions();
    void shiftChain();
    void shiftThenReservedAddress();
    void confirmedShiftsLeaveAHoldableLayout_data();
    void confirmedShiftsLeaveAHoldableLayout();
    void okWithABadSizeKeepsTheDialogOpen();
    void editOfAReplacedTableLandsNowhere();
    void cancelAfterAShift();
};

void TestRegisterProperties::opening()
{
    EditFixture f(2);
    QCOMPARE(f.dialog->windowTitle(), QString("Свойства: Частота (f)"));
    QCOMPARE(TestSeam::addressField(*f.dialog)->text(), QString("0x0002 "));
    QCOMPARE(TestSeam::sizeField(*f.dialog)->text(), QString("2"));
    QCOMPARE(TestSeam::coefficientField(*f.dialog)->text(), QString("1.000"));
    QCOMPARE(TestSeam::addressSpinButton(*f.dialog)->maximum(), 65535);
    QCOMPARE(TestSeam::sizeSpinButton(*f.dialog)->maximum(), 255);
    QVERIFY(QTest::qWaitForWindowActive(f.dialog.get()));

    QCOMPARE(QApplication::focusWidget(), TestSeam::okButton(*f.dialog));
    const QList<QWidget *> order{TestSeam::cancelButton(*f.dialog),
                                 TestSeam::addressField(*f.dialog), TestSeam::sizeField(*f.dialog),
                                 TestSeam::coefficientField(*f.dialog),
                                 TestSeam::okButton(*f.dialog)};
    for (QWidget *next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
    // Enter right away presses OK: the row goes back unchanged.
    QTest::keyClick(TestSeam::okButton(*f.dialog), Qt::Key_Return);
    QVERIFY(f.accepted());
    QVERIFY(f.messages.shown.isEmpty());
    QCOMPARE(f.table.row(2).coefficient, QByteArray("1.000"));
}

void TestRegisterProperties::okStoresTheAddressInNormalForm_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("stored");

    QTest::newRow("12") << "12" << QByteArray("0x0012 ");
    QTest::newRow("0x12") << "0x12" << QByteArray("0x0012 ");
    QTest::newRow("blanks, lower case") << "  1f " << QByteArray("0x001F ");
    QTest::newRow("no number") << "abc" << QByteArray("0x0ABC ");
    QTest::newRow("text") << "zz" << QByteArray("0x0000 ");
}

void TestRegisterProperties::okStoresTheAddressInNormalForm()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, stored);

    // Row 3 is alone at the address: any conflict is with row 0 or 5 at 0.
    EditFixture f(3);
    f.type(TestSeam::addressField(*f.dialog), typed);
    f.messages.answers = {true, true};
    TestSeam::okButton(*f.dialog)->click();
    QVERIFY(f.accepted());
    QCOMPARE(f.address(3), stored);
    QCOMPARE(f.table.row(3).address, stored);
    QCOMPARE(f.table.row(3).size, QByteArray("2"));
    QCOMPARE(f.table.row(3).coefficient, QByteArray("3000"));
}

void TestRegisterProperties::enterNormalizesAndStaysOpen()
{
    EditFixture f(4);
    f.type(TestSeam::addressField(*f.dialog), "12");
    f.type(TestSeam::coefficientField(*f.dialog), "3000");
    TestSeam::addressField(*f.dialog)->setFocus();
    QTest::keyClick(TestSeam::addressField(*f.dialog), Qt::Key_Return);
    QCOMPARE(TestSeam::addressField(*f.dialog)->text(), QString("0x0012 "));
    QCOMPARE(TestSeam::coefficientField(*f.dialog)->text(), QString("3000.000"));
    QVERIFY(f.dialog->isVisible());
    QCOMPARE(f.address(4), QByteArray("0x001E "));
    QVERIFY(f.messages.shown.isEmpty());
}

void TestRegisterProperties::enterWithABadSize()
{
    EditFixture f(4);
    f.type(TestSeam::addressField(*f.dialog), "12");
    f.type(TestSeam::sizeField(*f.dialog), "abc");
    f.type(TestSeam::coefficientField(*f.dialog), "3500");
    TestSeam::coefficientField(*f.dialog)->setFocus();
    QTest::keyClick(TestSeam::coefficientField(*f.dialog), Qt::Key_Return);
    QCOMPARE(f.messages.texts(), QStringList{"Please enter an integer between 0 and 255."});
    QCOMPARE(f.messages.shown[0].icon, MessageIcon::Exclamation);
    QCOMPARE(TestSeam::addressField(*f.dialog)->text(), QString("0x0012 "));
    QCOMPARE(TestSeam::sizeField(*f.dialog)->text(), QString("2"));
    QCOMPARE(TestSeam::coefficientField(*f.dialog)->text(), QString("3000.000"));
    QVERIFY(f.dialog->isVisible());
}

void TestRegisterProperties::addressSpin_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("shown");

    QTest::newRow("up from 0x001E") << 4 << "" << 1 << "0x001F ";
    QTest::newRow("down from 0") << 0 << "" << -1 << "0xFFFF ";
    // A step starts from the address last taken, not from what was typed.
    QTest::newRow("typed, then up") << 3 << "0x0040" << 1 << "0x0004 ";
    QTest::newRow("typed, then down") << 3 << "77" << -1 << "0x0002 ";
}

void TestRegisterProperties::addressSpin()
{
    QFETCH(int, row);
    QFETCH(QString, typed);
    QFETCH(int, step);
    QFETCH(QString, shown);

    for (bool byKey : {false, true}) {
        EditFixture f(row);
        if (!typed.isEmpty())
            f.type(TestSeam::addressField(*f.dialog), typed);
        if (byKey)
            QTest::keyClick(TestSeam::addressField(*f.dialog),
                            step > 0 ? Qt::Key_Up : Qt::Key_Down);
        else
            TestSeam::addressSpinButton(*f.dialog)->stepBy(step);
        QCOMPARE(TestSeam::addressField(*f.dialog)->text(), shown);
        QVERIFY(!TestSeam::spinStepPending(*f.dialog));
        // A second step goes on from there.
        TestSeam::addressSpinButton(*f.dialog)->stepBy(step);
        QCOMPARE(
            RegisterEditRules::parseAddress(toCp1251(TestSeam::addressField(*f.dialog)->text())),
            (RegisterEditRules::parseAddress(toCp1251(shown)) + step) & 0xFFFF);
    }
}

void TestRegisterProperties::reservedRange_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("refused");

    QTest::newRow("FEFF passes") << "FEFF" << false;
    QTest::newRow("FF00") << "FF00" << true;
    QTest::newRow("FFFF") << "0xFFFF" << true;
    QTest::newRow("beyond 16 bits") << "12345" << true;
    QTest::newRow("negative") << "-1" << true;
}

void TestRegisterProperties::reservedRange()
{
    QFETCH(QString, typed);
    QFETCH(bool, refused);

    EditFixture f(3);
    f.type(TestSeam::addressField(*f.dialog), typed);
    TestSeam::okButton(*f.dialog)->click();
    if (refused) {
        QCOMPARE(f.messages.shown.size(), 1);
        QCOMPARE(f.messages.shown[0],
                 (UserMessage{"Ошибка", "Данный адрес не доступен", MessageIcon::None}));
        QVERIFY(f.dialog->isVisible());
        QVERIFY(!f.accepted());
        QCOMPARE(f.table.row(3).address, QByteArray("0x0003 "));
        // The field keeps what the user typed.
        QCOMPARE(TestSeam::addressField(*f.dialog)->text(), typed);
    } else {
        QVERIFY(f.messages.shown.isEmpty());
        QVERIFY(f.accepted());
        QCOMPARE(f.table.row(3).address, QByteArray("0xFEFF "));
    }
}

void TestRegisterProperties::coefficientRanges_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QByteArray>("stored");

    const QString power = "Вы выходите за разрешенный диапазон\n1000 < К2 < 5000";
    const QString other = "Вы выходите за разрешенный диапазон\n2500 < К1 < 5000";
    QTest::newRow("power 999") << 1 << "999" << power << QByteArray("999");
    QTest::newRow("power 1000") << 1 << "1000"
                                << "" << QByteArray("1000");
    QTest::newRow("power 5000") << 1 << "5000"
                                << "" << QByteArray("5000");
    QTest::newRow("power 5001") << 1 << "5001" << power << QByteArray("5001");
    QTest::newRow("other 2499") << 0 << "2499" << other << QByteArray("2499");
    QTest::newRow("other 2500") << 0 << "2500"
                                << "" << QByteArray("2500");
    QTest::newRow("other 5000.5") << 0 << "5000.5" << other << QByteArray("5000.5");
    QTest::newRow("other, no number") << 0 << "abc" << other << QByteArray("abc");
    QTest::newRow("special 1") << 2 << "1"
                               << "" << QByteArray("1.000");
    QTest::newRow("special 0.0005") << 2 << "0.0005"
                                    << "" << QByteArray("0.001");
}

void TestRegisterProperties::coefficientRanges()
{
    QFETCH(int, row);
    QFETCH(QString, typed);
    QFETCH(QString, warning);
    QFETCH(QByteArray, stored);

    EditFixture f(row);
    f.type(TestSeam::coefficientField(*f.dialog), typed);
    f.messages.answers = {true};
    TestSeam::okButton(*f.dialog)->click();
    if (warning.isEmpty()) {
        QVERIFY(f.messages.shown.isEmpty());
    } else {
        QCOMPARE(f.messages.shown.size(), 1);
        QCOMPARE(f.messages.shown[0],
                 (UserMessage{"Предупреждение", warning, MessageIcon::Exclamation}));
        // The Cyrillic К, not the Latin K of the column title.
        QVERIFY(warning.contains(QChar(0x041A)));
    }
    QVERIFY(f.accepted());
    QCOMPARE(f.table.row(row).coefficient, stored);
}

void TestRegisterProperties::cancelOnTheRangeWarning()
{
    EditFixture f(0);
    f.type(TestSeam::addressField(*f.dialog), "0x0010");
    f.type(TestSeam::coefficientField(*f.dialog), "100");
    f.messages.answers = {false};
    TestSeam::okButton(*f.dialog)->click();
    QCOMPARE(f.messages.shown.size(), 1);
    QCOMPARE(f.dialog->result(), int(QDialog::Rejected));
    QVERIFY(!f.dialog->isVisible());
    QCOMPARE(f.table.row(0), (RegisterEntry{toCp1251(u"Напряжение фазы A (Ua)"), "0x0000 ", "2",
                                            "4000", RegisterKind::Parameter}));

    // A special register's coefficient must fit the device: refused, and the
    // dialog stays open.
    EditFixture g(2);
    g.type(TestSeam::coefficientField(*g.dialog), "256");
    TestSeam::okButton(*g.dialog)->click();
    QCOMPARE(g.messages.texts(), QStringList{"Недопустимый коэффициент регистра \"Частота (f)\""});
    QCOMPARE(g.messages.shown[0].caption, QString("Ошибка"));
    QVERIFY(g.dialog->isVisible());
    QCOMPARE(g.table.row(2).coefficient, QByteArray("1.000"));
    g.type(TestSeam::coefficientField(*g.dialog), "-0.5");
    TestSeam::okButton(*g.dialog)->click();
    QCOMPARE(g.messages.shown.size(), 2);
    QVERIFY(!g.accepted());
}

void TestRegisterProperties::overlapQuestions_data()
{
    QTest::addColumn<QList<Row>>("rows");
    QTest::addColumn<int>("edited");
    QTest::addColumn<QString>("typedAddress");
    QTest::addColumn<QString>("typedSize");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("applied");
    QTest::addColumn<QStringList>("addresses");

    // Cell size 2 throughout.
    const QList<Row> threeByte{{"Ток фазы A (Ia)", "0x0010 ", "3", "3000"},
                               {"Ток фазы B (Ib)", "0x0020 ", "2", "3000"}};
    QTest::newRow("3 bytes at 0x10 hold 0x11, No")
        << threeByte << 1 << "0x0011"
        << "2" << QList<bool>{false} << 1 << false << QStringList{"0x0010 ", "0x0020 "};
    QTest::newRow("0x12 is free") << threeByte << 1 << "0x0012"
                                  << "2" << QList<bool>{} << 0 << true
                                  << QStringList{"0x0010 ", "0x0012 "};

    const QList<Row> fourAndFour{{"Ток фазы A (Ia)", "0x0010 ", "4", "3000"},
                                 {"Ток фазы B (Ib)", "0x0030 ", "4", "3000"},
                                 {"Ток фазы C (Ic)", "0x0040 ", "2", "3000"}};
    // Shifted twice, first from A, then from A + 1: row 1 (edited) and row 2
    // are moved along, and then the edit puts row 1 at A.
    QTest::newRow("4 bytes over 4 bytes: two questions")
        << fourAndFour << 1 << "0x0010"
        << "4" << QList<bool>{true, true} << 2 << true
        << QStringList{"0x0013 ", "0x0010 ", "0x0016 "};
    QTest::newRow("4 over 4, No then Yes") << fourAndFour << 1 << "0x0010"
                                           << "4" << QList<bool>{false, true} << 2 << false
                                           << QStringList{"0x0013 ", "0x0015 ", "0x0016 "};
}

void TestRegisterProperties::overlapQuestions()
{
    QFETCH(QList<Row>, rows);
    QFETCH(int, edited);
    QFETCH(QString, typedAddress);
    QFETCH(QString, typedSize);
    QFETCH(QList<bool>, answers);
    QFETCH(int, questions);
    QFETCH(bool, applied);
    QFETCH(QStringList, addresses);

    EditFixture f(edited, rows, 2);
    f.type(TestSeam::addressField(*f.dialog), typedAddress);
    f.type(TestSeam::sizeField(*f.dialog), typedSize);
    f.messages.answers = answers;
    TestSeam::okButton(*f.dialog)->click();
    QCOMPARE(f.messages.shown.size(), questions);
    for (const UserMessage &message : f.messages.shown)
        QCOMPARE(message, (UserMessage{"Ошибка", shiftQuestion, MessageIcon::None}));
    QCOMPARE(f.accepted(), applied);
    QCOMPARE(f.addresses(), addresses);
    for (int row = 0; row < f.table.parameterCount(); ++row)
        QCOMPARE(f.table.row(row).address, f.address(row));
    QCOMPARE(f.table.row(f.table.rowCount() - 1).address, QByteArray("0xFF00 "));
}

void TestRegisterProperties::shiftChain()
{
    // Cell size 1: the met row and the two after it move up to A + 1,
    // A + 4, A + 7, whatever their old addresses.
    const QList<Row> rows{{"Ток фазы A (Ia)", "0x0050 ", "1", "3000"},
                          {"Ток фазы B (Ib)", "0x0020 ", "1", "3000"},
                          {"Ток фазы C (Ic)", "0x0060 ", "3", "3000"},
                          {"Ток нулевой (Io)", "0x0005 ", "3", "3000"}};
    EditFixture f(0, rows, 1);
    f.type(TestSeam::addressField(*f.dialog), "0x0020");
    f.messages.answers = {true};
    TestSeam::okButton(*f.dialog)->click();
    QCOMPARE(f.messages.shown.size(), 1);
    QVERIFY(f.accepted());
    QCOMPARE(f.addresses(), QStringList({"0x0020 ", "0x0021 ", "0x0024 ", "0x0027 "}));
}

void TestRegisterProperties::shiftThenReservedAddress()
{
    // The shift wraps past 0xFFFF into a layout the device holds; the typed
    // address itself is reserved.
    const QList<Row> rows{{"Ток фазы A (Ia)", "0x0010 ", "2", "3000"},
                          {"Ток фазы B (Ib)", "0xFFFF ", "2", "3000"},
                          {"Ток фазы C (Ic)", "0x0005 ", "2", "3000"}};
    EditFixture f(0, rows, 2);
    f.type(TestSeam::addressField(*f.dialog), "FFFF");
    f.messages.answers = {true};
    TestSeam::okButton(*f.dialog)->click();
    QCOMPARE(f.messages.texts(), QStringList({shiftQuestion, "Данный адрес не доступен"}));
    QVERIFY(f.dialog->isVisible());
    QVERIFY(!f.accepted());
    // The shift stays; the edited row keeps its values.
    QCOMPARE(f.addresses(), QStringList({"0x0010 ", "0x0000 ", "0x0001 "}));
    QCOMPARE(f.table.row(1).address, QByteArray("0x0000 "));
    QCOMPARE(TestSeam::addressField(*f.dialog)->text(), QString("0xFFFF "));

    // Cancel now keeps the shift too.
    TestSeam::cancelButton(*f.dialog)->click();
    QCOMPARE(f.dialog->result(), int(QDialog::Rejected));
    QCOMPARE(f.addresses(), QStringList({"0x0010 ", "0x0000 ", "0x0001 "}));
}

void TestRegisterProperties::confirmedShiftsLeaveAHoldableLayout_data()
{
    QTest::addColumn<QList<Row>>("rows");
    QTest::addColumn<int>("cells");
    QTest::addColumn<int>("edited");
    QTest::addColumn<QString>("typedAddress");
    QTest::addColumn<QString>("typedSize");
    QTest::addColumn<int>("questions");

    // The met row goes to the start address plus its own size: inside the
    // edited register, which takes two addresses.
    QTest::newRow("cell 2: 4 bytes over 2 bytes")
        << QList<Row>{{"Ток фазы A (Ia)", "0x0010 ", "2", "3000"},
                      {"Ток фазы B (Ib)", "0x0030 ", "4", "3000"},
                      {"Ток фазы C (Ic)", "0x0040 ", "2", "3000"}}
        << 2 << 1 << "0x0010"
        << "4" << 1;
    QTest::newRow("cell 1: 8 bytes at 0x0F leave a row at 0x13")
        << QList<Row>{{"Ток фазы A (Ia)", "0x0000 ", "2", "3000"},
                      {"Ток фазы B (Ib)", "0x0010 ", "2", "3000"},
                      {"Ток фазы C (Ic)", "0x0013 ", "2", "3000"}}
        << 1 << 0 << "0x000F"
        << "8" << 4;
    QTest::newRow("cell 1: 0xFEFE pushes rows to 0xFF01 and 0xFF03")
        << QList<Row>{{"Ток фазы A (Ia)", "0x0000 ", "2", "3000"},
                      {"Ток фазы B (Ib)", "0xFEFF ", "2", "3000"},
                      {"Ток фазы C (Ic)", "0x0005 ", "2", "3000"}}
        << 1 << 0 << "0xFEFE"
        << "2" << 1;
    // Each moved row lands at the previous one plus its own size: a
    // 1-address row after a 3-address one lands inside it.
    QTest::newRow("cell 1: a chain that puts a row inside the one before")
        << QList<Row>{{"Ток фазы A (Ia)", "0x0050 ", "1", "3000"},
                      {"Ток фазы B (Ib)", "0x0020 ", "1", "3000"},
                      {"Ток фазы C (Ic)", "0x0060 ", "3", "3000"},
                      {"Ток нулевой (Io)", "0x0005 ", "1", "3000"}}
        << 1 << 0 << "0x0020"
        << "1" << 1;
}

void TestRegisterProperties::confirmedShiftsLeaveAHoldableLayout()
{
    // Yes to every shift: a layout with two rows sharing an address, or a
    // row in the calibration block, is refused and nothing changes.
    QFETCH(QList<Row>, rows);
    QFETCH(int, cells);
    QFETCH(int, edited);
    QFETCH(QString, typedAddress);
    QFETCH(QString, typedSize);
    QFETCH(int, questions);
    EditFixture f(edited, rows, quint8(cells));
    const QStringList before = f.addresses();
    const QList<RegisterEntry> stored = [&f] {
        QList<RegisterEntry> all;
        for (int r = 0; r < f.table.rowCount(); ++r)
            all << f.table.row(r);
        return all;
    }();
    f.type(TestSeam::addressField(*f.dialog), typedAddress);
    f.type(TestSeam::sizeField(*f.dialog), typedSize);
    f.messages.answers = QList<bool>(questions, true);
    TestSeam::okButton(*f.dialog)->click();

    QStringList expected(questions, shiftQuestion);
    expected << "Данный адрес не доступен";
    QCOMPARE(f.messages.texts(), expected);
    QVERIFY(f.dialog->isVisible());
    QVERIFY(!f.accepted());
    QCOMPARE(f.addresses(), before);
    for (int r = 0; r < f.table.rowCount(); ++r)
        QCOMPARE(f.table.row(r), stored[r]);
}

void TestRegisterProperties::okWithABadSizeKeepsTheDialogOpen()
{
    EditFixture f(3);
    const RegisterEntry before = f.table.row(3);
    f.type(TestSeam::addressField(*f.dialog), "12");
    f.type(TestSeam::sizeField(*f.dialog), "300");
    f.type(TestSeam::coefficientField(*f.dialog), "3500");
    TestSeam::okButton(*f.dialog)->click();
    QCOMPARE(f.messages.texts(), QStringList{"Please enter an integer between 0 and 255."});
    QVERIFY(f.dialog->isVisible());
    QCOMPARE(f.table.row(3), before);
    QCOMPARE(f.address(3), before.address);
    QCOMPARE(f.dialog->focusWidget(), TestSeam::sizeField(*f.dialog));
}

void TestRegisterProperties::editOfAReplacedTableLandsNowhere()
{
    // A reply from another device or a file replaces the table while the
    // dialog is open: OK then closes as Cancel would.
    EditFixture f(3);
    QVERIFY(QTest::qWaitForWindowActive(f.dialog.get()));
    f.type(TestSeam::addressField(*f.dialog), "0x0040");
    f.type(TestSeam::coefficientField(*f.dialog), "3500");
    QString fileName;
    QVERIFY(buildRegisterTable(f.table, 100, fileName));
    const RegisterEntry replaced = f.table.row(3);
    TestSeam::okButton(*f.dialog)->click();
    QCOMPARE(f.dialog->result(), int(QDialog::Rejected));
    QVERIFY(!f.dialog->isVisible());
    QVERIFY(f.messages.shown.isEmpty());
    QCOMPARE(f.table.row(3), replaced);
    QCOMPARE(f.address(3), QByteArray("0x0003"));
}

void TestRegisterProperties::cancelAfterAShift()
{
    EditFixture f(3);
    // Yes to the shift, then Cancel on the range warning: the shift stays,
    // the edit does not.
    f.type(TestSeam::addressField(*f.dialog), "0x001E");
    f.type(TestSeam::coefficientField(*f.dialog), "1");
    f.messages.answers = {true, false};
    TestSeam::okButton(*f.dialog)->click();
    QCOMPARE(f.messages.shown.size(), 2);
    QVERIFY(!f.dialog->isVisible());
    QVERIFY(!f.accepted());
    QCOMPARE(f.table.row(3).coefficient, QByteArray("3000"));
    QCOMPARE(f.address(3), QByteArray("0x0003 "));
    QCOMPARE(f.address(4), QByteArray("0x001F "));
    QCOMPARE(f.address(5), QByteArray("0x0020 "));
}

QTEST_MAIN(TestRegisterProperties)
#include "tst_register_properties.moc"
