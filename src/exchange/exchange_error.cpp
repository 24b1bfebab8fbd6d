#include "exchange_error.h"

#include "cp1251.h"

namespace {

QString errorText(const ExchangeError &error)
{
    using Kind = ExchangeError::Kind;
    switch (error.kind) {
    case Kind::NoReply:
        return QStringLiteral("Преобразователь не отвечает");
    case Kind::ReceptionError:
        return QStringLiteral("Ошибка при приеме данных");
    case Kind::TransmissionError:
        return QStringLiteral("Ошибка при передаче данных");
    case Kind::DeviceId:
        return QStringLiteral("%1 %2 %3 %4")
            .arg(QStringLiteral("Ошибка ID устройства"))
            .arg(error.answeredId)
            .arg(QStringLiteral("вместо"))
            .arg(error.heldId);
    case Kind::DeviceAddress:
        return QStringLiteral("Адрес устройства не должен превышать 247");
    case Kind::CellSize:
        return QStringLiteral("Неверное значение размера ячеки памяти");
    case Kind::ModeUnset:
        return QStringLiteral("Не задан режим передачи");
    case Kind::BaudRateUnset:
        return QStringLiteral("Не задана скорость передачи");
    case Kind::ParityUnset:
        return QStringLiteral("Не задана четность");
    case Kind::StopBitsUnset:
        return QStringLiteral("Не заданы стоповые биты");
    case Kind::Coefficient:
        return coefficientRefusalText(error.registerName);
    case Kind::UnknownModel:
        return QStringLiteral("Нет таблицы регистров для ID устройства %1").arg(error.heldId);
    case Kind::RowCount:
        return QStringLiteral("В таблице %1 регистров, а у устройства с ID %2 их %3")
            .arg(error.tableRows)
            .arg(error.heldId)
            .arg(error.mapRows);
    }
    return QString();
}

} // namespace

UserMessage exchangeErrorMessage(const ExchangeError &error)
{
    return {errorCaption(), errorText(error), MessageIcon::Exclamation};
}

QString coefficientRefusalText(QByteArrayView registerName)
{
    return QStringLiteral("Недопустимый коэффициент регистра \"%1\"").arg(fromCp1251(registerName));
}
