#include "device_models.h"
#include "test_seam_access.h"
#include "text_number.h"
#include "window_state.h"

#include <QTest>
#include <optional>

using NumericField = LinkFields::NumericField;

class TestLinkSettings : public QObject
{
    Q_OBJECT

private slots:
    void parseByteField_data();
    void parseByteField();
    void valuesAtStart();
    void takeFieldsStopsAtRefusedField_data();
    void takeFieldsStopsAtRefusedField();
    void deviceAddressAbove247();
    void cellSizeIsClamped_data();
    void cellSizeIsClamped();
    void cellSizeRelaysTheTable();
    void redisplayWithoutChangeSetsOffNothing();
    void cellSizeZeroBeforeTheWindowIsOpen();
    void wiringRadiosSetTheByte();
    void showingNewMembersKeepsThemAll();
    void linkChoicesShowTheValues();
};

void TestLinkSettings::parseByteField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value"); // -1: refused
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("blanks and tabs around") << " \t12\t " << 12;
    QTest::newRow("largest") << "255" << 255;
    QTest::newRow("leading zeros") << "007" << 7;
    QTest::newRow("too large") << "256" << -1;
    QTest::newRow("many digits") << "99999999999999999999" << -1;
    QTest::newRow("minus") << "-1" << -1;
    QTest::newRow("plus") << "+1" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("blanks only") << "  " << -1;
    QTest::newRow("blank inside") << "1 2" << -1;
    QTest::newRow("hex") << "0x1" << -1;
    QTest::newRow("letters") << "abc" << -1;
}

void TestLinkSettings::parseByteField()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    const std::optional<quint8> parsed = TextNumber::parseByteField(text);
    QCOMPARE(parsed.has_value() ? int(*parsed) : -1, value);
}

void TestLinkSettings::valuesAtStart()
{
    WindowState f;
    QCOMPARE(f.fields.numericText(NumericField::DeviceAddress), QString("0"));
    QCOMPARE(f.fields.numericText(NumericField::CellSize), QString("1"));
    QCOMPARE(f.session.link.cellSize, quint8(1));
    QCOMPARE(f.session.link.deviceAddress, quint8(0));
    QCOMPARE(f.session.link.wiringByte, quint8(0x10));
    QCOMPARE(f.fields.transmissionMode(), std::nullopt);
    QCOMPARE(f.fields.wiringChoice(), WiringChoice::Unset);
    QCOMPARE(f.fields.baudCode(), std::nullopt);
    QCOMPARE(f.fields.parity(), std::nullopt);
    QCOMPARE(f.fields.stopBits(), std::nullopt);
    QCOMPARE(f.session.deviceId, 0);
    QVERIFY(TestSeam::isInitialized(f.link));
    QVERIFY(f.messages.shown.isEmpty());
}

void TestLinkSettings::takeFieldsStopsAtRefusedField_data()
{
    QTest::addColumn<QString>("cellText");
    QTest::addColumn<QString>("addressText");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<int>("focused"); // -1: none
    QTest::addColumn<int>("cellSize");
    QTest::addColumn<bool>("wiringTaken");
    QTest::addColumn<int>("deviceAddress");
    const int address = int(NumericField::DeviceAddress);
    const int cell = int(NumericField::CellSize);
    QTest::newRow("all good") << "3"
                              << "17" << true << -1 << 3 << true << 17;
    QTest::newRow("address emptied") << "3"
                                     << "" << false << address << 3 << true << 5;
    QTest::newRow("address negative") << "3"
                                      << "-2" << false << address << 3 << true << 5;
    QTest::newRow("cell size refused") << "x"
                                       << "17" << false << cell << 2 << false << 5;
}

void TestLinkSettings::takeFieldsStopsAtRefusedField()
{
    QFETCH(QString, cellText);
    QFETCH(QString, addressText);
    QFETCH(bool, taken);
    QFETCH(int, focused);
    QFETCH(int, cellSize);
    QFETCH(bool, wiringTaken);
    QFETCH(int, deviceAddress);

    WindowState f;
    f.session.link.deviceAddress = 5;
    f.session.link.cellSize = 2;
    // The texts as the user left them, without the handlers that typing runs.
    TestSeam::setInitialized(f.link, false);
    f.fields.cellSizeChanged = nullptr;
    f.fields.addressChanged = nullptr;
    f.fields.setNumericText(NumericField::CellSize, cellText);
    f.fields.setNumericText(NumericField::DeviceAddress, addressText);
    f.fields.setWiringChoice(WiringChoice::ThreeWire);
    f.fields.setTransmissionMode(TransmissionMode::Rtu);
    f.fields.setBaudCode(baudCodeOfRate(4800));
    f.fields.setParity(Parity::Odd);
    f.fields.setFileNameText("x.dat");

    QCOMPARE(f.link.takeFields(), taken);
    // Members before the refused field are taken, it and those after are not.
    QCOMPARE(f.session.link.transmissionMode, TransmissionMode::Rtu);
    QCOMPARE(f.session.link.baudCode, baudCodeOfRate(4800));
    QCOMPARE(f.session.link.parity, Parity::Odd);
    QCOMPARE(f.session.configFileName, QString("x.dat"));
    QCOMPARE(int(f.session.link.cellSize), cellSize);
    QCOMPARE(f.session.link.wiringChoice == WiringChoice::ThreeWire, wiringTaken);
    QCOMPARE(int(f.session.link.deviceAddress), deviceAddress);
    if (taken) {
        QVERIFY(f.messages.shown.isEmpty());
        QVERIFY(!f.fields.focused.has_value());
    } else {
        const UserMessage expected{programName(), "Please enter an integer between 0 and 255.",
                                   MessageIcon::Exclamation};
        QCOMPARE(f.messages.shown, QList<UserMessage>{expected});
        QCOMPARE(int(f.fields.focused.value()), focused);
    }
}

void TestLinkSettings::deviceAddressAbove247()
{
    WindowState f;
    f.fields.setNumericText(NumericField::DeviceAddress, "300");
    const UserMessage expected{"Ошибка", "Адрес устройства не должен превышать 247",
                               MessageIcon::None};
    QCOMPARE(f.messages.shown, QList<UserMessage>{expected});
    QCOMPARE(f.fields.numericText(NumericField::DeviceAddress), QString("247"));
    QCOMPARE(f.session.link.deviceAddress, quint8(247));

    f.messages.shown.clear();
    f.fields.setNumericText(NumericField::DeviceAddress, "0");
    f.fields.setNumericText(NumericField::DeviceAddress, "247");
    QVERIFY(f.messages.shown.isEmpty());
    // Typed values reach the member at the next taking of the fields.
    QCOMPARE(f.session.link.deviceAddress, quint8(247));
    f.fields.setNumericText(NumericField::DeviceAddress, "12");
    f.link.takeFields();
    QCOMPARE(f.session.link.deviceAddress, quint8(12));
}

void TestLinkSettings::cellSizeIsClamped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("7") << "7"
                       << "4";
    QTest::newRow("0") << "0"
                       << "1";
    QTest::newRow("257, low byte 1") << "257"
                                     << "1";
    QTest::newRow("260, low byte 4") << "260"
                                     << "4";
    QTest::newRow("-1, low byte 255") << "-1"
                                      << "4";
    QTest::newRow("no number") << "abc"
                               << "1";
    QTest::newRow("3") << "3"
                       << "3";
    QTest::newRow("spin up from 4") << "5"
                                    << "4";
}

void TestLinkSettings::cellSizeIsClamped()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    WindowState f;
    QString fileName;
    buildRegisterTable(f.session.table, 100, fileName);
    f.fields.setNumericText(NumericField::CellSize, "2");
    f.fields.setNumericText(NumericField::CellSize, typed);
    QCOMPARE(f.fields.numericText(NumericField::CellSize), shown);
    QCOMPARE(f.session.link.cellSize, quint8(shown.toInt()));
    QVERIFY(f.messages.shown.isEmpty());
}

void TestLinkSettings::cellSizeRelaysTheTable()
{
    WindowState f;
    QString fileName;
    QVERIFY(buildRegisterTable(f.session.table, 401, fileName));
    f.fields.setNumericText(NumericField::CellSize, "2");
    QCOMPARE(f.session.table.row(31).address, QByteArray("0x001F "));
    QCOMPARE(f.session.table.row(36).address, QByteArray("0x002B "));

    f.fields.setNumericText(NumericField::CellSize, "1");
    QCOMPARE(f.session.table.row(31).address, QByteArray("0x003E "));
    QCOMPARE(f.session.table.row(36).address, QByteArray("0x0052 "));
    QCOMPARE(f.session.table.shownText(36, RegisterTable::Column::Address), QByteArray("0x0052 "));
    QCOMPARE(f.session.table.row(37).address, QByteArray("0xFF00"));

    f.fields.setNumericText(NumericField::CellSize, "2");
    QCOMPARE(f.session.table.row(31).address, QByteArray("0x001F "));
    QCOMPARE(f.session.table.row(36).address, QByteArray("0x002B "));
    QVERIFY(f.messages.shown.isEmpty());
}

void TestLinkSettings::redisplayWithoutChangeSetsOffNothing()
{
    WindowState f;
    QString fileName;
    QVERIFY(buildRegisterTable(f.session.table, 300, fileName));
    f.session.table.setRow(5, "0x0100", "2", "5000");
    // Cell size 1 is already shown: no re-layout, the odd address stays.
    f.link.showFields();
    f.link.takeFields();
    f.link.showFields();
    QCOMPARE(f.session.table.row(5).address, QByteArray("0x0100"));
    QVERIFY(f.messages.shown.isEmpty());
}

void TestLinkSettings::cellSizeZeroBeforeTheWindowIsOpen()
{
    // While the window is opening the field is not corrected at once, so the
    // taking of the fields can still find 0 there.
    Session session;
    MemoryLinkFields fields;
    RecordingMessages messages;
    LinkSettingsEditor link(fields, messages, session);
    RegisterTable &table = session.table;
    QString fileName;
    QVERIFY(buildRegisterTable(table, 100, fileName));
    session.link.cellSize = 3;
    fields.setNumericText(NumericField::DeviceAddress, "0");
    fields.setNumericText(NumericField::CellSize, "0");
    const UserMessage expected{"Ошибка", "Неверное значение размера ячеки памяти",
                               MessageIcon::None};
    QCOMPARE(messages.shown, QList<UserMessage>{expected});
    QCOMPARE(session.link.cellSize, quint8(1));
    QCOMPARE(fields.numericText(NumericField::CellSize), QString("1"));
    // Showing the restored 1 is a change of the field, which lays the
    // addresses out for it.
    QCOMPARE(table.row(1).address, QByteArray("0x0002 "));
}

void TestLinkSettings::wiringRadiosSetTheByte()
{
    WindowState f;
    f.fields.setNumericText(NumericField::DeviceAddress, "12");
    f.fields.setWiringChoice(WiringChoice::ThreeWire);
    f.link.onThreeWireClicked();
    QCOMPARE(f.session.link.wiringByte, quint8(0x20));
    QCOMPARE(f.session.link.wiringChoice, WiringChoice::ThreeWire);
    QCOMPARE(f.session.link.deviceAddress, quint8(12)); // the fields were taken
    f.fields.setWiringChoice(WiringChoice::FourWire);
    f.link.onFourWireClicked();
    QCOMPARE(f.session.link.wiringByte, quint8(0x10));
    QCOMPARE(f.session.link.wiringChoice, WiringChoice::FourWire);
}

void TestLinkSettings::showingNewMembersKeepsThemAll()
{
    // A new cell size shown together with a new address and wiring: the
    // cell-size handler takes the fields back and must find the new values.
    WindowState f;
    QString fileName;
    QVERIFY(buildRegisterTable(f.session.table, 100, fileName));
    f.session.link.deviceAddress = 9;
    f.session.link.cellSize = 3;
    f.session.link.wiringChoice = WiringChoice::ThreeWire;
    f.session.link.transmissionMode = TransmissionMode::Ascii;
    QVERIFY(f.link.showFields()); // the cell size shown changed
    QCOMPARE(f.session.link.deviceAddress, quint8(9));
    QCOMPARE(f.session.link.wiringChoice, WiringChoice::ThreeWire);
    QCOMPARE(f.fields.numericText(NumericField::DeviceAddress), QString("9"));
    QCOMPARE(f.fields.numericText(NumericField::CellSize), QString("3"));
    // A cell size the program shows is not laid out by the field's handler.
    QCOMPARE(f.session.table.row(1).address, QByteArray("0x0001"));
}

void TestLinkSettings::linkChoicesShowTheValues()
{
    WindowState f;
    f.session.link.baudCode = baudCodeOfRate(19200);
    f.session.link.parity = Parity::Even;
    f.session.link.stopBits = StopBits::Two;
    f.link.showLinkChoices();
    QCOMPARE(f.fields.baudCode(), baudCodeOfRate(19200));
    QCOMPARE(f.fields.parity(), Parity::Even);
    QCOMPARE(f.fields.stopBits(), StopBits::Two);

    // 57600 is not in the list: the list shows no rate, not the one it
    // showed before, and taking the fields keeps 57600 as it came.
    f.session.link.baudCode = baudCodeOfRate(57600);
    f.link.showLinkChoices();
    QCOMPARE(f.fields.baudCode(), std::nullopt);
    f.link.takeFields();
    QCOMPARE(f.session.link.baudCode, baudCodeOfRate(57600));
    // Until the user picks a rate.
    f.fields.setBaudCode(baudCodeOfRate(2400));
    f.link.takeFields();
    QCOMPARE(f.session.link.baudCode, baudCodeOfRate(2400));
}

QTEST_GUILESS_MAIN(TestLinkSettings)
#include "tst_link_settings.moc"
