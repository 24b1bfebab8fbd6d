#include "coefficient.h"
#include "cp1251.h"
#include "device_models.h"

#include <QTest>

class TestDeviceModels : public QObject
{
    Q_OBJECT

private slots:
    void builtInMaps_data();
    void builtInMaps();
    void specialRowsShowPlainCoefficient();
    void frequencyOfModel400();
    void calibrationBlock();
    void namesUseLatinPhaseLetters();
    void unknownIdsLeaveTableEmpty_data();
    void unknownIdsLeaveTableEmpty();
    void buildingReplacesEveryRow();
};

void TestDeviceModels::builtInMaps_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("parameters");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("lastName");
    QTest::addColumn<QByteArray>("lastAddress");
    QTest::newRow("100") << 100 << 20 << 11 << "VXN_1XX.dat"
                         << u"Действующее значение междуфазного напряжения (Uca)"_qs
                         << QByteArray("0x000A");
    QTest::newRow("200") << 200 << 24 << 15 << "VXN_2XX.dat"
                         << u"Активная мощность трехфазной системы (P)"_qs << QByteArray("0x000E");
    QTest::newRow("300") << 300 << 35 << 26 << "VXN_3XX.dat"
                         << u"Реактивная мощность фазы C (Q'c)"_qs << QByteArray("0x0019");
    QTest::newRow("400") << 400 << 36 << 27 << "VXN_4XX.dat" << u"Частота (f)"_qs
                         << QByteArray("0x001E");
    QTest::newRow("401") << 401 << 46 << 37 << "VXN_4XX.dat"
                         << u"Реактивная энергия трехфазной системы обратное направление (Wq-)"_qs
                         << QByteArray("0x002B");
}

void TestDeviceModels::builtInMaps()
{
    QFETCH(int, deviceId);
    QFETCH(int, rows);
    QFETCH(int, parameters);
    QFETCH(QString, fileName);
    QFETCH(QString, lastName);
    QFETCH(QByteArray, lastAddress);

    RegisterTable table;
    QString configFileName;
    QVERIFY(buildRegisterTable(table, deviceId, configFileName));
    QCOMPARE(table.rowCount(), rows);
    QCOMPARE(table.parameterCount(), parameters);
    QCOMPARE(configFileName, fileName);
    for (int r = 0; r < rows; ++r) {
        const RegisterKind expected =
            r < parameters ? RegisterKind::Parameter : RegisterKind::Calibration;
        QCOMPARE(table.kind(r), expected);
    }
    for (int k = 0; k < parameters; ++k) {
        const RegisterEntry row = table.row(k);
        const QByteArrayList texts{row.name, row.address, row.size, row.coefficient};
        for (int column = 0; column < RegisterTable::ColumnCount; ++column)
            QCOMPARE(table.shownText(k, RegisterTable::Column(column)), texts[column]);
    }
    QCOMPARE(fromCp1251(table.shownText(parameters - 1, RegisterTable::Column::Name)), lastName);
    QCOMPARE(table.shownText(parameters - 1, RegisterTable::Column::Address), lastAddress);
}

void TestDeviceModels::specialRowsShowPlainCoefficient()
{
    RegisterTable table;
    QString fileName;
    QVERIFY(buildRegisterTable(table, 401, fileName));
    for (int k = 0; k < 37; ++k) {
        const QByteArray expected = k >= 30 ? "1.000" : "5000";
        QCOMPARE(table.shownText(k, RegisterTable::Column::Coefficient), expected);
    }
    const QByteArray sizes[] = {"1", "4", "5", "5", "5", "5"};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(table.row(31 + i).size, sizes[i]);
}

void TestDeviceModels::frequencyOfModel400()
{
    RegisterTable table;
    QString fileName;
    QVERIFY(buildRegisterTable(table, 400, fileName));
    QCOMPARE(fromCp1251(table.shownText(26, RegisterTable::Column::Name)), u"Частота (f)"_qs);
    QCOMPARE(table.shownText(26, RegisterTable::Column::Address), QByteArray("0x001E"));
    QCOMPARE(table.shownText(26, RegisterTable::Column::Coefficient), QByteArray("1.000"));
    QCOMPARE(table.shownText(25, RegisterTable::Column::Address), QByteArray("0x0019"));
}

void TestDeviceModels::calibrationBlock()
{
    RegisterTable table;
    QString fileName;
    QVERIFY(buildRegisterTable(table, 100, fileName));
    const char *addresses[] = {"0xFF00", "0xFF01", "0xFF05", "0xFF07", "0xFF09",
                               "0xFF0B", "0xFF0D", "0xFF0F", "0xFF11"};
    const char *sizes[] = {"1", "4", "2", "2", "2", "2", "2", "2", "1"};
    for (int i = 0; i < 9; ++i) {
        const RegisterEntry row = table.row(11 + i);
        QCOMPARE(row.address, QByteArray(addresses[i]));
        QCOMPARE(row.size, QByteArray(sizes[i]));
        QCOMPARE(row.coefficient, QByteArray("5000"));
        QCOMPARE(row.kind, RegisterKind::Calibration);
        QVERIFY(!Coefficient::isSpecial(row.name));
    }
    // Phase A of the calibration names is the Cyrillic letter (0xC0 in code
    // page 1251); B and C are Latin.
    QVERIFY(table.row(13).name.endsWith("\xC0"));
    QVERIFY(table.row(16).name.endsWith("\xC0"));
    QVERIFY(table.row(14).name.endsWith(" B"));
    QVERIFY(table.row(15).name.endsWith(" C"));
    QVERIFY(table.row(17).name.endsWith(" B"));
    QVERIFY(table.row(18).name.endsWith(" C"));
    QCOMPARE(fromCp1251(table.row(11).name), u"Режим (4-х или 3-х проводная сеть)"_qs);
    QCOMPARE(fromCp1251(table.row(19).name), u"Контрольная сумма блока настройки"_qs);
}

void TestDeviceModels::namesUseLatinPhaseLetters()
{
    const QByteArray phase = toCp1251(u"фазы ");
    for (const BuiltInRegister &reg : fullRegisterMap()) {
        const QByteArray name = toCp1251(reg.name);
        const qsizetype at = name.indexOf(phase);
        if (at >= 0) {
            const char letter = name.at(at + phase.size());
            QVERIFY2(letter == 'A' || letter == 'B' || letter == 'C', reg.name ? "phase" : "");
        }
        const qsizetype open = name.indexOf('(');
        QVERIFY(open > 0);
        for (qsizetype i = open; i < name.size(); ++i)
            QVERIFY2(quint8(name.at(i)) < 0x80, "symbols in parentheses are Latin");
    }
}

void TestDeviceModels::unknownIdsLeaveTableEmpty_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::newRow("0") << 0;
    QTest::newRow("101") << 101;
    QTest::newRow("150") << 150;
    QTest::newRow("402") << 402;
}

void TestDeviceModels::unknownIdsLeaveTableEmpty()
{
    QFETCH(int, deviceId);
    RegisterTable table;
    QString fileName;
    QVERIFY(buildRegisterTable(table, 300, fileName));
    QVERIFY(!buildRegisterTable(table, deviceId, fileName));
    QCOMPARE(table.rowCount(), 0);
    QCOMPARE(table.parameterCount(), 0);
    QCOMPARE(fileName, u"VXN_3XX.dat"_qs);
}

void TestDeviceModels::buildingReplacesEveryRow()
{
    RegisterTable table;
    table.append({"from a file", "0x0100", "2", "5000", RegisterKind::Parameter});
    table.append({"calibration", "0xFF00", "1", "5000", RegisterKind::Calibration});
    QString fileName = "saved.dat";
    QVERIFY(buildRegisterTable(table, 200, fileName));
    QCOMPARE(table.rowCount(), 24);
    for (int r = 0; r < table.rowCount(); ++r) {
        QVERIFY(table.row(r).name != "from a file");
        QVERIFY(table.row(r).name != "calibration");
    }
    QCOMPARE(table.row(0).address, QByteArray("0x0000"));
}

QTEST_APPLESS_MAIN(TestDeviceModels)
#include "tst_device_models.moc"
