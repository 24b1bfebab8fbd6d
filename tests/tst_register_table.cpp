#include "coefficient.h"
#include "cp1251.h"
#include "device_models.h"
#include "register_table.h"

#include <QTest>
#include <cmath>

namespace {

RegisterEntry entry(const char *name, const char *address, const char *size,
                    const char *coefficient, RegisterKind kind = RegisterKind::Parameter)
{
    return {name, address, size, coefficient, kind};
}

// A special row's name, or an ordinary one's.
QByteArray rowNamed(bool special)
{
    return special ? toCp1251(u"Частота (f)") : toCp1251(u"Активная мощность фазы A (Pa)");
}

QByteArray addressOf(const RegisterTable &table, int row)
{
    return table.row(row).address;
}

} // namespace

class TestRegisterTable : public QObject
{
    Q_OBJECT

private slots:
    void specialRows_data();
    void specialRows();
    void textFromCoefficient_data();
    void textFromCoefficient();
    void coefficientFromText_data();
    void coefficientFromText();
    void addressUnits_data();
    void addressUnits();

    void appendListsParameterRowsOnly();
    void appendKeepsCalibrationBlockLast();
    void appendRefusesRowsPastTheLimit();
    void rowsByIndex();
    void clearEmptiesTableAndList();
    void deviceValuesAreShownUntilCopied();
    void setRowKeepsNameAndKind();
    void editsOutsideTheListAreIgnored();

    void relayoutBuiltInMaps_data();
    void relayoutBuiltInMaps();
    void relayoutWrapsPastTheLastAddress();
    void relayoutNeedsTwoRows();
};

void TestRegisterTable::specialRows_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("special");
    QTest::newRow("frequency") << toCp1251(u"Частота (f)") << true;
    QTest::newRow("frequency meter calibration")
        << toCp1251(u"Коэффициент настройки частотомера") << false;
    QTest::newRow("Latin te anywhere") << QByteArray("Meter") << true;
    QTest::newRow("Cyrillic te") << toCp1251(u"Действующее значение") << false;
    QTest::newRow("energy reset") << toCp1251(u"Сброс накопленной энергии (Wrst)") << true;
    QTest::newRow("Wp+") << QByteArray("(Wp+)") << true;
    QTest::newRow("Wp-") << QByteArray("(Wp-)") << true;
    QTest::newRow("Wq+") << QByteArray("(Wq+)") << true;
    QTest::newRow("Wq-") << QByteArray("(Wq-)") << true;
    QTest::newRow("case matters") << QByteArray("TE WRST wp+") << false;
    QTest::newRow("lower-case frequency word") << toCp1251(u"частота") << false;
    QTest::newRow("ordinary") << toCp1251(u"Активная мощность фазы A (Pa)") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestRegisterTable::specialRows()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, special);
    QCOMPARE(Coefficient::isSpecial(name), special);
}

void TestRegisterTable::textFromCoefficient_data()
{
    QTest::addColumn<double>("coefficient");
    QTest::addColumn<bool>("special");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("1.0 ordinary") << 1.0 << false << QByteArray("5000");
    QTest::newRow("1.0 special") << 1.0 << true << QByteArray("1.000");
    QTest::newRow("0.5 ordinary") << 0.5 << false << QByteArray("2500");
    QTest::newRow("0.5 special") << 0.5 << true << QByteArray("0.500");
    QTest::newRow("raw 65522 ordinary") << 65522.0 / 65536 << false << QByteArray("4999");
    QTest::newRow("largest raw special") << 16777215.0 / 65536 << true << QByteArray("256.000");
    QTest::newRow("zero") << 0.0 << false << QByteArray("0");
}

void TestRegisterTable::textFromCoefficient()
{
    QFETCH(double, coefficient);
    QFETCH(bool, special);
    QFETCH(QByteArray, text);
    QCOMPARE(Coefficient::textFromCoefficient(coefficient, rowNamed(special)), text);
}

void TestRegisterTable::coefficientFromText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("special");
    QTest::addColumn<double>("raw"); // coefficient × 65536, truncated
    QTest::newRow("5000 ordinary") << QByteArray("5000") << false << 65536.0;
    QTest::newRow("1.000 special") << QByteArray("1.000") << true << 65536.0;
    QTest::newRow("built-in 1.0000 special") << QByteArray("1.0000") << true << 65536.0;
    QTest::newRow("2500 ordinary") << QByteArray("2500") << false << 32768.0;
    QTest::newRow("4999 ordinary") << QByteArray("4999") << false << 65522.0;
    QTest::newRow("1.5 special") << QByteArray("1.5") << true << 98304.0;
    QTest::newRow("no number") << QByteArray("abc") << false << 0.0;
}

void TestRegisterTable::coefficientFromText()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, special);
    QFETCH(double, raw);
    const double coefficient = Coefficient::coefficientFromText(text, rowNamed(special));
    QCOMPARE(std::trunc(coefficient * 65536), raw);
    QCOMPARE(double(Coefficient::fieldFromText(text, rowNamed(special))), raw);
    // What the device then holds reads back as the same K text where the
    // text was exact to the device's resolution.
    if (text == "4999" || text == "5000" || text == "2500")
        QCOMPARE(Coefficient::textFromField(quint32(raw), rowNamed(special)), text);
}

void TestRegisterTable::addressUnits_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("cellSize");
    QTest::addColumn<int>("units");
    QTest::newRow("5/2") << 5 << 2 << 3;
    QTest::newRow("4/2") << 4 << 2 << 2;
    QTest::newRow("1/2") << 1 << 2 << 1;
    QTest::newRow("5/4") << 5 << 4 << 2;
    QTest::newRow("5/1") << 5 << 1 << 5;
    QTest::newRow("0/2") << 0 << 2 << 0;
    QTest::newRow("cell 0 counts as 1") << 5 << 0 << 5;
    QTest::newRow("255/4") << 255 << 4 << 64;
}

void TestRegisterTable::addressUnits()
{
    QFETCH(int, size);
    QFETCH(int, cellSize);
    QFETCH(int, units);
    QCOMPARE(RegisterTable::addressUnits(size, cellSize), units);
}

void TestRegisterTable::appendListsParameterRowsOnly()
{
    RegisterTable table;
    QList<int> appended;
    connect(&table, &RegisterTable::listedRowAppended, this, [&appended](int k) { appended << k; });
    QVERIFY(table.append(entry("P0", "0x0000", "2", "5000")));
    QVERIFY(table.append(entry("C0", "0xFF00", "1", "5000", RegisterKind::Calibration)));
    QCOMPARE(table.rowCount(), 2);
    QCOMPARE(table.parameterCount(), 1);
    QCOMPARE(appended, QList<int>{0});
    QCOMPARE(table.shownText(0, RegisterTable::Column::Name), QByteArray("P0"));
    QCOMPARE(table.shownText(0, RegisterTable::Column::Address), QByteArray("0x0000"));
    QCOMPARE(table.shownText(0, RegisterTable::Column::Size), QByteArray("2"));
    QCOMPARE(table.shownText(0, RegisterTable::Column::Coefficient), QByteArray("5000"));
    QCOMPARE(table.kind(1), RegisterKind::Calibration);
}

void TestRegisterTable::appendKeepsCalibrationBlockLast()
{
    RegisterTable table;
    table.append(entry("P0", "0x0000", "2", "5000"));
    table.append(entry("C0", "0xFF00", "1", "5000", RegisterKind::Calibration));
    table.append(entry("P1", "0x0001", "2", "2500"));
    QCOMPARE(table.rowCount(), 3);
    QCOMPARE(table.row(1).name, QByteArray("P1"));
    QCOMPARE(table.row(2).name, QByteArray("C0"));
    QCOMPARE(table.shownText(1, RegisterTable::Column::Name), QByteArray("P1"));
}

void TestRegisterTable::appendRefusesRowsPastTheLimit()
{
    RegisterTable table;
    for (int r = 0; r < RegisterTable::MaxRows; ++r)
        QVERIFY(table.append(entry("P", "0x0000", "2", "5000")));
    QVERIFY(!table.append(entry("P", "0x0000", "2", "5000")));
    QVERIFY(!table.append(entry("C", "0xFF00", "1", "5000", RegisterKind::Calibration)));
    QCOMPARE(table.rowCount(), 63);
    QCOMPARE(table.parameterCount(), 63);
}

void TestRegisterTable::rowsByIndex()
{
    RegisterTable table;
    table.append(entry("P0", "0x0000", "2", "5000"));
    table.append(entry("P1", "0x0001 ", "4", "1.000"));
    QCOMPARE(table.row(1), entry("P1", "0x0001 ", "4", "1.000"));
    QCOMPARE(table.row(2), RegisterEntry());
    QCOMPARE(table.row(-1), RegisterEntry());
}

void TestRegisterTable::clearEmptiesTableAndList()
{
    RegisterTable table;
    table.append(entry("P0", "0x0000", "2", "5000"));
    table.append(entry("C0", "0xFF00", "1", "5000", RegisterKind::Calibration));
    table.clear();
    QCOMPARE(table.rowCount(), 0);
    QCOMPARE(table.parameterCount(), 0);
    QCOMPARE(table.shownText(0, RegisterTable::Column::Name), QByteArray());
}

void TestRegisterTable::deviceValuesAreShownUntilCopied()
{
    RegisterTable table;
    table.append(entry("P0", "0x0000", "2", "4999.9"));
    table.append(entry("C0", "0xFF00", "1", "5000", RegisterKind::Calibration));
    QList<int> changed;
    connect(&table, &RegisterTable::listedRowsChanged, this,
            [&changed](int first, int last) { changed << first << last; });

    // What a device stored is shown; the table keeps what was typed.
    table.showDeviceValues(0, "0x0010", "4", "5000");
    QCOMPARE(changed, QList<int>({0, 0}));
    QCOMPARE(table.shownText(0, RegisterTable::Column::Address), QByteArray("0x0010"));
    QCOMPARE(table.shownText(0, RegisterTable::Column::Coefficient), QByteArray("5000"));
    QCOMPARE(table.row(0), entry("P0", "0x0000", "2", "4999.9"));

    // A read's copy-back makes the table what the list shows.
    table.copyFromList(0);
    QCOMPARE(table.row(0), entry("P0", "0x0010", "4", "5000"));
    QCOMPARE(table.row(1), entry("C0", "0xFF00", "1", "5000", RegisterKind::Calibration));
}

void TestRegisterTable::setRowKeepsNameAndKind()
{
    RegisterTable table;
    table.append(entry("P0", "0x0000", "2", "5000"));
    table.append(entry("P1", "0x0001", "2", "5000"));
    table.setRow(1, "0x0020 ", "5", "2500");
    QCOMPARE(table.row(1), entry("P1", "0x0020 ", "5", "2500"));
    QCOMPARE(table.shownText(1, RegisterTable::Column::Address), QByteArray("0x0020 "));
    QCOMPARE(table.shownText(1, RegisterTable::Column::Size), QByteArray("5"));
    QCOMPARE(table.shownText(1, RegisterTable::Column::Coefficient), QByteArray("2500"));
    QCOMPARE(table.row(0), entry("P0", "0x0000", "2", "5000"));
}

void TestRegisterTable::editsOutsideTheListAreIgnored()
{
    RegisterTable table;
    table.append(entry("P0", "0x0000", "2", "5000"));
    table.append(entry("C0", "0xFF00", "1", "5000", RegisterKind::Calibration));
    // Row 1 is a calibration row: it has no list item and is never edited.
    table.setRow(1, "0x0001", "2", "1");
    table.copyFromList(1);
    table.setRow(-1, "0x0001", "2", "1");
    QCOMPARE(table.row(1), entry("C0", "0xFF00", "1", "5000", RegisterKind::Calibration));
    QCOMPARE(table.row(0), entry("P0", "0x0000", "2", "5000"));
}

void TestRegisterTable::relayoutBuiltInMaps_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<int>("cellSize");
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QList<int>>("addresses");
    QTest::newRow("401, cell 2: values kept") << 401 << 2 << QList<int>{1, 30, 31, 32, 33, 36}
                                              << QList<int>{0x01, 0x1E, 0x1F, 0x20, 0x22, 0x2B};
    QTest::newRow("401, cell 1") << 401 << 1 << QList<int>{1, 2, 30, 31, 32, 33, 34, 35, 36}
                                 << QList<int>{0x02, 0x04, 0x3C, 0x3E, 0x3F,
                                               0x43, 0x48, 0x4D, 0x52};
    QTest::newRow("400, cell 2: frequency closes the gap")
        << 400 << 2 << QList<int>{25, 26} << QList<int>{0x19, 0x1A};
    QTest::newRow("401, cell 4") << 401 << 4 << QList<int>{1, 31, 32, 33, 34, 36}
                                 << QList<int>{0x01, 0x1F, 0x20, 0x21, 0x23, 0x27};
}

void TestRegisterTable::relayoutBuiltInMaps()
{
    QFETCH(int, deviceId);
    QFETCH(int, cellSize);
    QFETCH(QList<int>, rows);
    QFETCH(QList<int>, addresses);
    RegisterTable table;
    QString fileName;
    QVERIFY(buildRegisterTable(table, deviceId, fileName));
    QList<RegisterEntry> calibrationBefore;
    for (int r = table.parameterCount(); r < table.rowCount(); ++r)
        calibrationBefore << table.row(r);

    table.relayoutAddresses(cellSize);

    QCOMPARE(addressOf(table, 0), QByteArray("0x0000"));
    for (int i = 0; i < rows.size(); ++i) {
        const QByteArray expected =
            QByteArray("0x") +
            QByteArray::number(addresses[i], 16).toUpper().rightJustified(4, '0') + ' ';
        QCOMPARE(addressOf(table, rows[i]), expected);
        QCOMPARE(table.shownText(rows[i], RegisterTable::Column::Address), expected);
    }
    for (int r = table.parameterCount(); r < table.rowCount(); ++r)
        QCOMPARE(table.row(r), calibrationBefore[r - table.parameterCount()]);
}

void TestRegisterTable::relayoutWrapsPastTheLastAddress()
{
    RegisterTable table;
    table.append(entry("P0", "0xFFFF", "2", "5000"));
    table.append(entry("P1", "0x1234", "4", "5000"));
    table.append(entry("P2", "0x1234", "2", "5000"));
    table.relayoutAddresses(2);
    QCOMPARE(addressOf(table, 0), QByteArray("0xFFFF"));
    QCOMPARE(addressOf(table, 1), QByteArray("0x0000 "));
    QCOMPARE(addressOf(table, 2), QByteArray("0x0002 "));
}

void TestRegisterTable::relayoutNeedsTwoRows()
{
    RegisterTable table;
    table.relayoutAddresses(2); // empty: nothing to do, nothing to crash on
    table.append(entry("P0", "0x0005", "2", "5000"));
    table.append(entry("C0", "0xFF00", "1", "5000", RegisterKind::Calibration));
    table.append(entry("C1", "0xFF01", "4", "5000", RegisterKind::Calibration));
    table.relayoutAddresses(1);
    QCOMPARE(addressOf(table, 0), QByteArray("0x0005"));
    QCOMPARE(addressOf(table, 1), QByteArray("0xFF00"));
    QCOMPARE(addressOf(table, 2), QByteArray("0xFF01"));
}

QTEST_APPLESS_MAIN(TestRegisterTable)
#include "tst_register_table.moc"
