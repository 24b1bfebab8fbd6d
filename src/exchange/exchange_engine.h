#pragma once

#include "exchange_error.h"
#include "exchange_timers.h"
#include "line_port.h"
#include "traffic_log.h"

#include <QByteArray>
#include <QObject>
#include <optional>

struct Session;

// How an exchange ended.
enum class ExchangeResult
{
    ReadAccepted,  // a configuration was read and applied
    WriteAccepted, // the device echoed exactly what was written
    Identified,    // a device on the line named its ID (identifiedId)
    Failed,        // errorOccurred said why
};

// The read and write cycles. A read names the device by its ID; a device with
// another ID answers with its own, whose built-in table is then built and
// read. A write sends the whole configuration in one frame and accepts the
// device's echo only if it equals what was sent.
//
// Only the answer to the request now out ends its window early: a read
// reply to a read, the write's echo to a write, or another device's ID. A
// line can carry more than that: an adapter that hears itself sends the
// request back first, and other frames (a reply repeated, another master's
// traffic) can come before the answer. Such an echo, and any complete frame
// that is not the answer, are logged and passed over, and the window goes on.
// When it closes, what is left is judged as it stands; a window with nothing
// but passed-over frames got no answer. Characters that came after a window
// are dropped before the next request goes out.
//
// The engine works on the session it is given and reports through signals;
// it shows nothing and knows no window.
class ExchangeEngine : public QObject
{
    Q_OBJECT

public:
    static constexpr int ReadReplyMs = 1000;
    static constexpr int WriteReplyMs = 4000;
    static constexpr int ProgressPeriodMs = 50;
    static constexpr int ReadProgressStep = 20;
    static constexpr int WriteProgressStep = 5;
    static constexpr int ProgressMaximum = 500;
    static constexpr int ReceiveBufferSize = 1000;

    ExchangeEngine(LinePort &port, ExchangeTimers &timers, Session &session,
                   QObject *parent = nullptr);

    // The Read command: asks the device for its configuration. Refused
    // (false, nothing sent) while a write awaits its reply.
    [[nodiscard]] bool startRead();
    // The Write command: sends the session's configuration. Ignored (false,
    // nothing sent) while a reply is awaited. Refused (false, errorOccurred
    // says why, nothing sent) when a link setting is unset or a rate the
    // window does not offer, a coefficient cannot be held, or the table does
    // not fit the built-in map of the device ID.
    [[nodiscard]] bool startWrite();
    // Asks whoever is on the line for its ID (a read naming ID 0) and ends
    // at the first reply that names one: another ID's reply or a
    // configuration. Nothing of the session changes and no bar moves.
    // Refused (false, nothing sent) while a reply is awaited.
    [[nodiscard]] bool startIdentify();
    void onTimer(ExchangeTimers::TimerId id);
    // Characters have come in at the port.
    void onCharactersArrived();

    // Why a write must not go out; nothing when it may. A device sent unset
    // line settings, a coefficient it cannot hold or a table of another
    // model could become unreachable or lose its configuration.
    [[nodiscard]] std::optional<ExchangeError> writeRefusal() const;

    [[nodiscard]] bool isBusy() const { return busy; }
    [[nodiscard]] bool isAwaitingReply() const { return awaitingReply; }
    // The ID named by the reply of the last identification.
    [[nodiscard]] int identifiedId() const { return identified; }
    // The configuration image last read or written.
    [[nodiscard]] const QByteArray &image() const { return lastImage; }
    // The last write frame, or the last reply that started with ":".
    [[nodiscard]] const QByteArray &frameText() const { return frame; }
    [[nodiscard]] int progressTotal() const { return total; }
    [[nodiscard]] int progressStep() const { return step; }

signals:
    // The progress bar's position, 0 to ProgressMaximum.
    void progressChanged(int value);
    // A write awaits its reply (true) or no longer does.
    void busyChanged(bool busy);
    // An image was put into the session's link settings and into what the
    // listed rows show.
    void configurationApplied();
    void exchangeFinished(ExchangeResult result);
    void errorOccurred(const ExchangeError &error);
    // A frame sent or received, or a window that closed with no reply.
    void traffic(const TrafficEvent &event);

private:
    void sendReadConfigRequest();
    void send(const QByteArray &frameText, quint16 deviceId, int replyWindowMs);
    // What the port holds, read in buffers until it holds no more (bounded:
    // a line that never stops talking must not hold the program).
    [[nodiscard]] QByteArray drainPort();
    void discardStaleInput();
    // Takes what has come in; the answer's frame once it is there.
    [[nodiscard]] std::optional<QByteArray> gather();
    [[nodiscard]] std::optional<QByteArray> takeFrames();
    [[nodiscard]] bool isAnswer(const QByteArray &bytes) const;
    // Logs text with what the program made of it, and suffix after that.
    void log(TrafficEvent::Direction direction, const QByteArray &text, const QString &suffix = {},
             qsizetype omitted = 0);
    void onProgressTick();
    void onReplyWindowClosed();
    void endWindow();
    void receive(const QByteArray &text);
    void onReadReply(quint8 address, const QByteArray &data);
    [[nodiscard]] bool fitTableToReply(const QByteArray &image);
    void onWriteEcho(quint8 address, const QByteArray &data);
    void onIdMismatch(quint8 function, const QByteArray &data);
    void onIdentifyReply(const QByteArray &data);
    void fail(const ExchangeError &error);
    void finish(ExchangeResult result);
    void startProgress(int step);
    void setBusy(bool value);

    LinePort &port;
    ExchangeTimers &timers;
    Session &session;
    bool busy = false;
    bool awaitingReply = false;
    bool receiving = false;
    bool writing = false;     // the request now out is a write
    bool identifying = false; // the request now out only asks for an ID
    int identified = 0;
    QByteArray request;       // the frame now out
    quint16 requestedId = 0;  // the device ID it names
    bool echoChecked = false; // whether the start of the reply was checked for the echo
    QByteArray arrived;       // since the request went out, less the echo and passed frames
    qsizetype overflow = 0;   // characters beyond the receive buffer, dropped
    QByteArray afterAnswer;   // what came behind the answer, dropped with the next stale input
    QByteArray lastImage;
    QByteArray frame;
    int total = 0;
    int step = 0;
};
