#include "commission_texts.h"

namespace CommissionTexts {

QString cannotOpenJournal(const QString &path, const QString &why)
{
    return QStringLiteral("Не могу открыть журнал %1: %2").arg(path, why);
}

QString cannotAppendJournal(const QString &path, const QString &why)
{
    return QStringLiteral("Не удалось дописать журнал %1: %2").arg(path, why);
}

QString cannotReadJournal(const QString &path, const QString &why)
{
    return QStringLiteral("Не могу прочитать журнал %1: %2").arg(path, why);
}

QString badJournalLine(const QString &path, int line, const QString &field)
{
    return field.isEmpty() ? QStringLiteral("Строка %1 журнала %2 не является записью; пропущена")
                                 .arg(QString::number(line), path)
                           : QStringLiteral("Строка %1 журнала %2: неверное поле %3; пропущена")
                                 .arg(QString::number(line), path, field);
}

QString reportOverJournal(const QString &path)
{
    return QStringLiteral("Отчёт нельзя сохранить поверх журнала %1").arg(path);
}

QString stored()
{
    return QStringLiteral("Устройство хранит то, что записано");
}

QString notStored()
{
    return QStringLiteral("Устройство хранит не то, что записано");
}

QString unknownLineGone()
{
    return QStringLiteral("Что хранит устройство, неизвестно: линия пропала");
}

QString unknownReadBackFailed()
{
    return QStringLiteral("Что хранит устройство, неизвестно: повторное чтение не удалось");
}

} // namespace CommissionTexts
