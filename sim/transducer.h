#pragma once

#include "config_file.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <optional>

// Ways in which the simulated transducer misbehaves on purpose.
enum class Fault
{
    None,
    Silent,      // never answers
    Late,        // answers after the reply window has closed
    Truncated,   // sends only the first half of the reply
    BadLrc,      // wrong LRC characters
    LowerCase,   // lower-case hex digits
    Noise,       // junk before the colon
    EchoChanged, // a write echo with one byte changed
    EchoAddress, // a write echo with another address byte
    OtherId,     // answers as a device with another ID
    Repeat,      // sends each reply twice, 50 ms apart
    Foreign,     // another device's frame (function 0x03) goes before each reply
    NotStored,   // echoes a write exactly but keeps the configuration it held
    Vanish,      // the line goes away half-way through the reply (an adapter pulled out)
};

std::optional<Fault> faultFromName(const QString &name);
QString faultName(Fault fault);
QStringList faultNames();

// A VXN transducer as seen from the line: it holds a configuration image and
// answers ReadConfig and WriteConfig requests addressed by its device ID.
class Transducer
{
public:
    static constexpr int OtherDeviceId = 150;
    static constexpr int LateReadReplyMs = 1500;  // the read window is 1 s
    static constexpr int LateWriteReplyMs = 4500; // the write window is 4 s
    static constexpr int RepeatGapMs = 50;
    // What another master's slave answers on a shared line: address 0x11,
    // function 0x03 (read holding registers), one register of 42.
    static QByteArray foreignFrame();

    struct Reply
    {
        QByteArray text;
        int delayMs = 0;
        bool repeated = false; // sent again RepeatGapMs after it has gone out
        bool vanishHalfway = false; // the line goes away once half of it is out
    };

    // Starts with the model's built-in map, some non-default coefficients and
    // typical link settings. Returns nullopt for an unknown model.
    static std::optional<Transducer> withDefaults(int deviceId);
    // Holds the configuration of a configuration file.
    static Transducer fromConfiguration(const ConfigFile::Configuration &configuration);

    int deviceId() const { return id; }
    // The configuration in request form: ID, address, LinkByte, cell size,
    // wiring, address block, coefficient block.
    QByteArray image() const { return config; }
    Fault fault() const { return currentFault; }
    void setFault(Fault fault) { currentFault = fault; }

    // The answer to one received text (":" … LF), or nullopt for none.
    std::optional<Reply> respond(QByteArrayView request);

private:
    Transducer(int deviceId, QByteArray image) : id(deviceId), config(std::move(image)) {}
    QByteArray replyForm() const;
    Reply frame(quint8 address, quint8 function, QByteArray data, int lateMs) const;

    int id;
    QByteArray config;
    Fault currentFault = Fault::None;
};
