#include "system_menu.h"

#include <QWidget>

#ifdef Q_OS_WIN
#include <windows.h>

namespace {
// System-menu command ids must be below 0xF000 and have the low four bits
// clear.
constexpr UINT AboutCommand = 0x0010;
} // namespace

void appendToSystemMenu(QWidget *window, const QString &entryText)
{
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(window->winId()), FALSE);
    if (!menu || entryText.isEmpty())
        return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, AboutCommand, reinterpret_cast<LPCWSTR>(entryText.utf16()));
}

bool isAboutCommand(const QByteArray &eventType, void *message)
{
    if (eventType != "windows_generic_MSG")
        return false;
    const MSG *msg = static_cast<const MSG *>(message);
    return msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == AboutCommand;
}

#else

void appendToSystemMenu(QWidget *, const QString &) {}

bool isAboutCommand(const QByteArray &, void *)
{
    return false;
}

#endif
