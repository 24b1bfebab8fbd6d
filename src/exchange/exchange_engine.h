#pragma once

#include "exchange_timers.h"
#include "line_port.h"
#include "progress_view.h"
#include "user_messages.h"

#include <QByteArray>
#include <QString>

class LinkSettingsEditor;
class RegisterTable;

// The read and write cycles. A read names the device by its ID; a device with
// another ID answers with its own, whose built-in table is then built and
// read. A write sends the whole configuration in one frame and accepts the
// device's echo only if it equals what was sent. Everything happens in the
// handlers of the two timers; whatever has arrived when the reply timer fires
// is the reply.
class ExchangeEngine
{
public:
    static constexpr int ReadReplyMs = 1000;
    static constexpr int WriteReplyMs = 4000;
    static constexpr int ProgressPeriodMs = 50;
    static constexpr int ReadProgressStep = 20;
    static constexpr int WriteProgressStep = 5;
    static constexpr int ProgressMaximum = 500;
    static constexpr int ReceiveBufferSize = 1000;

    ExchangeEngine(LinePort &port, ExchangeTimers &timers, ProgressView &progress,
                   UserMessages &messages, RegisterTable &table, LinkSettingsEditor &link,
                   QString &configFileName);

    void onReadClicked();
    void onWriteClicked();
    void sendReadConfigRequest();
    void onTimer(int id);

    // Why a write must not go out, or empty when it may: a device sent unset
    // line settings or a coefficient it cannot hold could become unreachable.
    QString writeRefusal() const;

    int deviceId = 0;
    bool busy = false;
    QByteArray image;
    QByteArray frameText;
    int progressTotal = 0;
    int progressStep = 0;

private:
    void onProgressTick();
    void receive();
    void onReadReply(quint8 address, const QByteArray &data);
    void onWriteEcho(quint8 address, const QByteArray &data);
    void onIdMismatch(quint8 function, const QByteArray &data);
    void fail(const QString &text);
    void startProgress(int step);

    LinePort &port;
    ExchangeTimers &timers;
    ProgressView &progress;
    UserMessages &messages;
    RegisterTable &table;
    LinkSettingsEditor &link;
    QString &configFileName;
};
