#include "configuration_files.h"

#include "link_settings.h"
#include "register_table.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// The framework's wording for a file error, naming the file.
QString fileErrorText(QFileDevice::FileError error, const QString &path)
{
    switch (error) {
    case QFileDevice::ResourceError:
        return QStringLiteral("Disk full while accessing %1.").arg(path);
    case QFileDevice::PermissionsError:
        return QStringLiteral("Access to %1 was denied.").arg(path);
    default:
        return QStringLiteral("An unknown error occurred while accessing %1.").arg(path);
    }
}

} // namespace

ConfigurationFiles::ConfigurationFiles(FileChooser &chooser, UserMessages &messages,
                                       RegisterTable &table, LinkSettingsEditor &link,
                                       int &deviceId, QString &configFileName)
    : chooser(chooser), messages(messages), table(table), link(link), deviceId(deviceId),
      configFileName(configFileName)
{
}

QString ConfigurationFiles::cannotCreateText(const QString &path)
{
    return QStringLiteral("%1 %2").arg(QStringLiteral("Не могу создать файл "), path);
}

void ConfigurationFiles::refuse(const QString &text, MessageIcon icon)
{
    messages.show({errorCaption(), text, icon});
}

void ConfigurationFiles::saveConfiguration()
{
    link.takeFields();
    if (const std::optional<QString> path = chooser.saveFileName()) {
        configFileName = QFileInfo(*path).fileName();
        ConfigFile::Configuration configuration;
        configuration.deviceId = quint32(deviceId);
        for (int r = 0; r < table.rowCount(); ++r)
            configuration.rows.append(table.row(r));
        configuration.link = ConfigImage::linkBytes(link);
        writeFile(*path, ConfigFile::encode(configuration));
    }
    link.showFields();
}

bool ConfigurationFiles::writeFile(const QString &path, const QByteArray &bytes)
{
    // A file marked read-only is not replaced, although its folder would let
    // the temporary file be renamed over it.
    const QFileInfo target(path);
    QSaveFile file(path);
    if ((target.exists() && (!target.isFile() || !target.isWritable())) ||
        !file.open(QIODevice::WriteOnly)) {
        refuse(cannotCreateText(path));
        return false;
    }
    // Flushed here and checked: commit() does not notice a flush that wrote
    // only part of the data, and would put the short file in place.
    if (file.write(bytes) != bytes.size() || !file.flush() || !file.commit()) {
        const QFileDevice::FileError error = file.error();
        file.cancelWriting();
        messages.show({LinkSettingsEditor::programName(), fileErrorText(error, path),
                       MessageIcon::Exclamation});
        return false;
    }
    return true;
}

void ConfigurationFiles::loadConfiguration()
{
    const std::optional<QString> path = chooser.openFileName();
    if (!path) {
        link.showFields();
        return;
    }
    configFileName = QFileInfo(*path).fileName();

    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly) || !QFileInfo(*path).isFile()) {
        refuse(cannotCreateText(*path));
    } else if (file.size() > ConfigFile::MaxFileSize) {
        refuse(QStringLiteral("Файл слишком велик для файла конфигурации"));
    } else {
        const QByteArray bytes = file.readAll();
        const ConfigFile::ReadResult result = ConfigFile::decode(bytes);
        switch (result.error) {
        case ConfigFile::ReadError::None:
            apply(result.configuration);
            break;
        case ConfigFile::ReadError::PastEnd:
            messages.show(
                {LinkSettingsEditor::programName(),
                 QStringLiteral("An attempt was made to access an unnamed file past its end."),
                 MessageIcon::Stop});
            break;
        case ConfigFile::ReadError::TooManyRows:
            refuse(QStringLiteral("В файле больше 63 регистров"));
            break;
        case ConfigFile::ReadError::TrailingBytes:
            refuse(QStringLiteral("После конфигурации в файле есть лишние данные"));
            break;
        }
    }
    link.showFields();
}

void ConfigurationFiles::apply(const ConfigFile::Configuration &configuration)
{
    table.clear();
    for (const RegisterEntry &row : configuration.rows)
        table.append(row);
    deviceId = int(configuration.deviceId);
    LinkSettings &settings = link.settings;
    settings.deviceAddress = configuration.link.deviceAddress;
    ConfigImage::unpackLinkByte(link, configuration.link.linkByte);
    settings.cellSize = configuration.link.cellSize;
    settings.wiringByte = configuration.link.wiringByte;
    settings.wiringChoice = settings.wiringByte == LinkSettings::ThreeWireByte
                                ? WiringChoice::ThreeWire
                                : WiringChoice::FourWire;
}
