#include "system_port.h"

#include <windows.h>

#include <algorithm>

// The port is opened for overlapped I/O, so that a write goes out while the
// window goes on: at 9600 baud a write frame takes most of a second on the
// line. Reads take only what ClearCommError says is queued, so they never
// wait, also under Wine, whose overlapped reads wait for data whatever the
// timeouts say. Nothing is polled while no reply is awaited.

namespace {

// How often, and how long after a write, the port looks for a reply: longer
// than any reply window of the exchange.
constexpr int PollIntervalMs = 5;
constexpr int PollAfterWriteMs = 5000;

QString systemText(DWORD code)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
            FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString words = length > 0 ? QString::fromWCharArray(text, int(length)).trimmed()
                               : QStringLiteral("код ошибки %1").arg(code);
    LocalFree(text);
    return words;
}

// Wine's COM ports accept 7 data bits and parity but do not apply them;
// there, as on a Linux pseudo-terminal, only the rate and stop bits hold.
bool underWine()
{
    static const bool wine = [] {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

BYTE dcbParity(LineParity parity)
{
    switch (parity) {
    case LineParity::Even:
        return EVENPARITY;
    case LineParity::Odd:
        return ODDPARITY;
    case LineParity::Mark:
        return MARKPARITY;
    case LineParity::Space:
        return SPACEPARITY;
    case LineParity::None:
        break;
    }
    return NOPARITY;
}

LineParity lineParity(BYTE parity)
{
    switch (parity) {
    case EVENPARITY:
        return LineParity::Even;
    case ODDPARITY:
        return LineParity::Odd;
    case MARKPARITY:
        return LineParity::Mark;
    case SPACEPARITY:
        return LineParity::Space;
    default:
        return LineParity::None;
    }
}

BYTE dcbStopBits(LineStopBits stopBits)
{
    switch (stopBits) {
    case LineStopBits::One:
        return ONESTOPBIT;
    case LineStopBits::OneAndHalf:
        return ONE5STOPBITS;
    case LineStopBits::Two:
        break;
    }
    return TWOSTOPBITS;
}

LineStopBits lineStopBits(BYTE stopBits)
{
    switch (stopBits) {
    case ONESTOPBIT:
        return LineStopBits::One;
    case ONE5STOPBITS:
        return LineStopBits::OneAndHalf;
    default:
        return LineStopBits::Two;
    }
}

} // namespace

struct SystemPort::Handle
{
    HANDLE port = INVALID_HANDLE_VALUE;
    HANDLE writeDone = nullptr;
    HANDLE readDone = nullptr;
    OVERLAPPED writing{};
    bool writePending = false;
    QByteArray outgoing; // must live until the system has sent it
    DWORD lastQueued = 0;
    int pollsLeft = 0;

    ~Handle()
    {
        if (writePending) {
            CancelIoEx(port, &writing);
            DWORD sent = 0;
            GetOverlappedResult(port, &writing, &sent, TRUE);
        }
        if (port != INVALID_HANDLE_VALUE)
            CloseHandle(port);
        if (writeDone)
            CloseHandle(writeDone);
        if (readDone)
            CloseHandle(readDone);
    }
};

SystemPort::SystemPort(Events events) : events(std::move(events))
{
    pollTimer.setInterval(PollIntervalMs);
    QObject::connect(&pollTimer, &QTimer::timeout, &pollTimer, [this] { poll(); });
}

SystemPort::~SystemPort()
{
    close();
}

bool SystemPort::open(const QString &location, QString &error)
{
    close();
    // Every COM number needs this form above 9; it does no harm below.
    const QString path =
        location.startsWith(u"\\\\") ? location : QStringLiteral("\\\\.\\") + location;
    auto opened = std::make_unique<Handle>();
    opened->port = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()),
                               GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OVERLAPPED, nullptr);
    if (opened->port == INVALID_HANDLE_VALUE) {
        error = systemText(GetLastError());
        return false;
    }
    opened->writeDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    opened->readDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!opened->writeDone || !opened->readDone || !SetupComm(opened->port, 4096, 4096) ||
        !PurgeComm(opened->port, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR)) {
        error = systemText(GetLastError());
        return false;
    }
    handle = std::move(opened);
    return true;
}

bool SystemPort::apply(const LineSettings &settings, QString &error, QString &shortfall)
{
    shortfall.clear();
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!handle || !GetCommState(handle->port, &dcb)) {
        error = systemText(GetLastError());
        return false;
    }
    dcb.BaudRate = DWORD(settings.baudRate);
    dcb.ByteSize = BYTE(settings.dataBits);
    dcb.Parity = dcbParity(settings.parity);
    dcb.StopBits = dcbStopBits(settings.stopBits);
    dcb.fBinary = TRUE;
    dcb.fParity = settings.parity != LineParity::None;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(handle->port, &dcb)) {
        error = systemText(GetLastError());
        return false;
    }
    const LineSettings now = held();
    if (now.baudRate != settings.baudRate || now.stopBits != settings.stopBits) {
        error = QStringLiteral("порт не принял скорость %1 и стоповые биты").arg(settings.baudRate);
        return false;
    }
    if (now.dataBits != settings.dataBits || now.parity != settings.parity) {
        if (!underWine()) {
            error = QStringLiteral("адаптер не принимает %1 бит данных и эту чётность")
                        .arg(settings.dataBits);
            return false;
        }
        shortfall = QStringLiteral("Wine");
    }
    // Reads return at once with what is queued; a write may take twice its
    // time on the line, and half a second more.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutMultiplier = DWORD(std::max(1, 2 * 11 * 1000 / settings.baudRate));
    timeouts.WriteTotalTimeoutConstant = 500;
    if (!SetCommTimeouts(handle->port, &timeouts)) {
        error = systemText(GetLastError());
        return false;
    }
    return true;
}

LineSettings SystemPort::held() const
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!handle || !GetCommState(handle->port, &dcb))
        return {};
    return {qint32(dcb.BaudRate), lineParity(dcb.Parity), int(dcb.ByteSize),
            lineStopBits(dcb.StopBits)};
}

bool SystemPort::write(QByteArrayView bytes)
{
    if (!handle || lost || handle->writePending)
        return false;
    handle->outgoing = bytes.toByteArray();
    handle->writing = {};
    handle->writing.hEvent = handle->writeDone;
    ResetEvent(handle->writeDone);
    DWORD sent = 0;
    const DWORD size = DWORD(handle->outgoing.size());
    bool taken = WriteFile(handle->port, handle->outgoing.constData(), size, &sent,
                           &handle->writing);
    if (taken) {
        // Wine reports a finished write as 0 characters sent.
        taken = sent == size || underWine();
    } else if (GetLastError() == ERROR_IO_PENDING) {
        handle->writePending = true;
        taken = true;
    } else {
        lose();
        return false;
    }
    handle->pollsLeft = PollAfterWriteMs / PollIntervalMs;
    handle->lastQueued = 0;
    pollTimer.start();
    return taken;
}

void SystemPort::poll()
{
    if (!handle || lost) {
        pollTimer.stop();
        return;
    }
    if (handle->writePending) {
        DWORD sent = 0;
        if (GetOverlappedResult(handle->port, &handle->writing, &sent, FALSE)) {
            handle->writePending = false;
        } else if (GetLastError() != ERROR_IO_INCOMPLETE) {
            // Timed out on the line, or the device went away.
            handle->writePending = false;
            lose();
            return;
        }
    }
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle->port, &errors, &status)) {
        lose();
        return;
    }
    if (status.cbInQue > 0 && status.cbInQue != handle->lastQueued) {
        handle->lastQueued = status.cbInQue;
        events.arrived();
        if (!handle)
            return;
    }
    if (!handle->writePending && --handle->pollsLeft <= 0)
        pollTimer.stop();
}

qsizetype SystemPort::read(std::span<char> buffer)
{
    if (!handle || lost || buffer.empty())
        return 0;
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle->port, &errors, &status)) {
        lose();
        return 0;
    }
    const DWORD wanted = DWORD(std::min<qsizetype>(status.cbInQue, qsizetype(buffer.size())));
    if (wanted == 0)
        return 0;
    OVERLAPPED reading{};
    reading.hEvent = handle->readDone;
    ResetEvent(handle->readDone);
    DWORD got = 0;
    if (!ReadFile(handle->port, buffer.data(), wanted, &got, &reading)) {
        if (GetLastError() != ERROR_IO_PENDING) {
            lose();
            return 0;
        }
        // The characters are queued, so this ends at once; the bound only
        // guards against a driver that thinks otherwise.
        if (WaitForSingleObject(handle->readDone, 200) != WAIT_OBJECT_0)
            CancelIoEx(handle->port, &reading);
        if (!GetOverlappedResult(handle->port, &reading, &got, TRUE))
            got = 0;
    }
    handle->lastQueued = status.cbInQue - got;
    return qsizetype(got);
}

bool SystemPort::isOpen() const
{
    return handle != nullptr && !lost;
}

void SystemPort::close()
{
    pollTimer.stop();
    handle.reset();
    lost = false;
}

void SystemPort::lose()
{
    if (lost)
        return;
    lost = true;
    pollTimer.stop();
    events.lost();
}
