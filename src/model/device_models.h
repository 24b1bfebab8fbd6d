#pragma once

#include "register_table.h"

#include <QString>
#include <span>

// The built-in register map of one transducer model.
struct DeviceModel
{
    int deviceId = 0;
    std::span<const quint8> mapRows; // indices into the full register map, in device order
    const char *configFileName = "";

    // Every model's table ends in the same nine calibration rows.
    static constexpr int CalibrationRowCount = 9;

    [[nodiscard]] constexpr int parameterCount() const { return int(mapRows.size()); }
    // The rows of the table built for the model, calibration block included.
    [[nodiscard]] constexpr int rowCount() const { return parameterCount() + CalibrationRowCount; }
};

struct BuiltInRegister
{
    const char16_t *name;
    quint16 address;
    quint8 size;
};

// The full map (that of the largest model) and the calibration block with
// its stored coefficient texts, common to all models.
std::span<const BuiltInRegister> fullRegisterMap();
std::span<const BuiltInRegister> calibrationBlock();
constexpr const char *CalibrationCoefficientText = "5000";

std::span<const DeviceModel> deviceModels();
[[nodiscard]] const DeviceModel *findDeviceModel(int deviceId);

// Replaces the table and its list by the model's built-in map and sets the
// configuration file name to the model's default. An unknown device ID leaves
// the table empty and the file name as it was, and returns false.
bool buildRegisterTable(RegisterTable &table, int deviceId, QString &configFileName);
