#pragma once

#include "link_settings.h"

#include <QString>
#include <functional>
#include <optional>

// The window's link-setting controls as the settings logic sees them, in the
// settings' own values. Setting a field's text to what it already holds is
// no change: only a real change of the device address or cell-size text
// calls its change handler, whether typed, stepped by a spin button or set by
// the program.
class LinkFields
{
public:
    enum class NumericField
    {
        DeviceAddress,
        CellSize
    };

    virtual ~LinkFields() = default;

    [[nodiscard]] virtual QString numericText(NumericField field) const = 0;
    virtual void setNumericText(NumericField field, const QString &text) = 0;
    // Gives the field the focus with its whole text selected.
    virtual void focusAndSelect(NumericField field) = 0;

    [[nodiscard]] virtual std::optional<TransmissionMode> transmissionMode() const = 0;
    virtual void setTransmissionMode(std::optional<TransmissionMode> mode) = 0;
    [[nodiscard]] virtual WiringChoice wiringChoice() const = 0;
    virtual void setWiringChoice(WiringChoice choice) = 0;
    [[nodiscard]] virtual QString fileNameText() const = 0;
    virtual void setFileNameText(const QString &text) = 0;

    // The three lists: what is selected, nothing while nothing is. A rate the
    // baud list does not offer shows as no selection.
    [[nodiscard]] virtual std::optional<quint8> baudCode() const = 0;
    virtual void setBaudCode(std::optional<quint8> code) = 0;
    [[nodiscard]] virtual std::optional<Parity> parity() const = 0;
    virtual void setParity(std::optional<Parity> parity) = 0;
    [[nodiscard]] virtual std::optional<StopBits> stopBits() const = 0;
    virtual void setStopBits(std::optional<StopBits> stopBits) = 0;

    std::function<void()> addressChanged;
    std::function<void()> cellSizeChanged;
};

// The fields without a window, for tests.
class MemoryLinkFields : public LinkFields
{
public:
    QString numericText(NumericField field) const override;
    void setNumericText(NumericField field, const QString &text) override;
    void focusAndSelect(NumericField field) override { focused = field; }

    std::optional<TransmissionMode> transmissionMode() const override { return mode; }
    void setTransmissionMode(std::optional<TransmissionMode> value) override { mode = value; }
    WiringChoice wiringChoice() const override { return wiring; }
    void setWiringChoice(WiringChoice value) override { wiring = value; }
    QString fileNameText() const override { return fileName; }
    void setFileNameText(const QString &text) override { fileName = text; }

    std::optional<quint8> baudCode() const override { return baud; }
    void setBaudCode(std::optional<quint8> code) override;
    std::optional<Parity> parity() const override { return parityChoice; }
    void setParity(std::optional<Parity> value) override { parityChoice = value; }
    std::optional<StopBits> stopBits() const override { return stopChoice; }
    void setStopBits(std::optional<StopBits> value) override { stopChoice = value; }

    // Which field last got the focus with its text selected, if any.
    std::optional<NumericField> focused;

private:
    QString addressText;
    QString cellSizeText;
    std::optional<TransmissionMode> mode;
    WiringChoice wiring = WiringChoice::Unset;
    QString fileName;
    std::optional<quint8> baud;
    std::optional<Parity> parityChoice;
    std::optional<StopBits> stopChoice;
};
