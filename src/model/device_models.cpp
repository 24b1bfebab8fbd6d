#include "device_models.h"

#include "coefficient.h"
#include "cp1251.h"
#include "text_number.h"

namespace {

// Phase letters and the symbols in parentheses are Latin.
constexpr BuiltInRegister fullMap[] = {
    {u"Действующее значение напряжения фазы A (Ua)", 0x0000, 2},
    {u"Действующее значение напряжения фазы B (Ub)", 0x0001, 2},
    {u"Действующее значение напряжения фазы C (Uc)", 0x0002, 2},
    {u"Действующее значение напряжения нулевой последовательности (Uo)", 0x0003, 2},
    {u"Действующее значение силы тока фазы A (Ia)", 0x0004, 2},
    {u"Действующее значение силы тока фазы B (Ib)", 0x0005, 2},
    {u"Действующее значение силы тока фазы C (Ic)", 0x0006, 2},
    {u"Действующее значение силы тока нулевой последовательности (Io)", 0x0007, 2},
    {u"Действующее значение междуфазного напряжения (Uab)", 0x0008, 2},
    {u"Действующее значение междуфазного напряжения (Ubc)", 0x0009, 2},
    {u"Действующее значение междуфазного напряжения (Uca)", 0x000A, 2},
    {u"Активная мощность фазы A (Pa)", 0x000B, 2},
    {u"Активная мощность фазы B (Pb)", 0x000C, 2},
    {u"Активная мощность фазы C (Pc)", 0x000D, 2},
    {u"Активная мощность трехфазной системы (P)", 0x000E, 2},
    {u"Реактивная мощность фазы A (Qa)", 0x000F, 2},
    {u"Реактивная мощность фазы B (Qb)", 0x0010, 2},
    {u"Реактивная мощность фазы C (Qc)", 0x0011, 2},
    {u"Реактивная мощность трехфазной системы (Q)", 0x0012, 2},
    {u"Полная мощность фазы A (Sa)", 0x0013, 2},
    {u"Полная мощность фазы B (Sb)", 0x0014, 2},
    {u"Полная мощность фазы C (Sc)", 0x0015, 2},
    {u"Полная мощность трехфазной системы (S)", 0x0016, 2},
    {u"Реактивная мощность фазы A (Q'a)", 0x0017, 2},
    {u"Реактивная мощность фазы B (Q'b)", 0x0018, 2},
    {u"Реактивная мощность фазы C (Q'c)", 0x0019, 2},
    {u"Реактивная мощность трехфазной системы (Q')", 0x001A, 2},
    {u"Полная мощность фазы A (S'a)", 0x001B, 2},
    {u"Полная мощность фазы B (S'b)", 0x001C, 2},
    {u"Полная мощность фазы C (S'c)", 0x001D, 2},
    {u"Частота (f)", 0x001E, 2},
    {u"Сброс накопленной энергии (Wrst)", 0x001F, 1},
    {u"Время интегрирования электрической энергии (te)", 0x0020, 4},
    {u"Активная энергия трехфазной системы прямое направление (Wp+)", 0x0022, 5},
    {u"Активная энергия трехфазной системы обратное направление (Wp-)", 0x0025, 5},
    {u"Реактивная энергия трехфазной системы прямое направление (Wq+)", 0x0028, 5},
    {u"Реактивная энергия трехфазной системы обратное направление (Wq-)", 0x002B, 5},
};

// The "А" of the phase-A rows is Cyrillic; B and C are Latin.
constexpr BuiltInRegister calibration[] = {
    {u"Режим (4-х или 3-х проводная сеть)", 0xFF00, 1},
    {u"Коэффициент настройки частотомера", 0xFF01, 4},
    {u"Коэффициент настройки тока по фазе А", 0xFF05, 2},
    {u"Коэффициент настройки тока по фазе B", 0xFF07, 2},
    {u"Коэффициент настройки тока по фазе C", 0xFF09, 2},
    {u"Коэффициент настройки напряжения по фазе А", 0xFF0B, 2},
    {u"Коэффициент настройки напряжения по фазе B", 0xFF0D, 2},
    {u"Коэффициент настройки напряжения по фазе C", 0xFF0F, 2},
    {u"Контрольная сумма блока настройки", 0xFF11, 1},
};

// Rows of the full map, in device order, for each model.
constexpr quint8 rows100[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
constexpr quint8 rows200[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
constexpr quint8 rows300[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                              13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25};
// The 300 map plus the frequency at its usual address, hence a gap.
constexpr quint8 rows400[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                              14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 30};
constexpr quint8 rows401[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                              13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25,
                              26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36};

constexpr DeviceModel models[] = {
    {100, rows100, "VXN_1XX.dat"}, {200, rows200, "VXN_2XX.dat"}, {300, rows300, "VXN_3XX.dat"},
    {400, rows400, "VXN_4XX.dat"}, {401, rows401, "VXN_4XX.dat"},
};

RegisterEntry builtInEntry(const BuiltInRegister &reg, RegisterKind kind)
{
    RegisterEntry entry;
    entry.name = toCp1251(reg.name);
    entry.address = TextNumber::formatHex4(reg.address);
    entry.size = TextNumber::formatInt(reg.size);
    entry.kind = kind;
    return entry;
}

} // namespace

std::span<const BuiltInRegister> fullRegisterMap()
{
    return fullMap;
}

static_assert(std::size(calibration) == DeviceModel::CalibrationRowCount);

std::span<const BuiltInRegister> calibrationBlock()
{
    return calibration;
}

std::span<const DeviceModel> deviceModels()
{
    return models;
}

const DeviceModel *findDeviceModel(int deviceId)
{
    for (const DeviceModel &model : deviceModels()) {
        if (model.deviceId == deviceId)
            return &model;
    }
    return nullptr;
}

bool buildRegisterTable(RegisterTable &table, int deviceId, QString &configFileName)
{
    table.clear();
    const DeviceModel *model = findDeviceModel(deviceId);
    if (!model)
        return false;
    configFileName = QString::fromLatin1(model->configFileName);
    for (quint8 index : model->mapRows) {
        RegisterEntry entry = builtInEntry(fullRegisterMap()[index], RegisterKind::Parameter);
        entry.coefficient = Coefficient::textFromCoefficient(1.0, entry.name);
        table.append(entry);
    }
    for (const BuiltInRegister &reg : calibrationBlock()) {
        RegisterEntry entry = builtInEntry(reg, RegisterKind::Calibration);
        entry.coefficient = CalibrationCoefficientText;
        table.append(entry);
    }
    return true;
}
