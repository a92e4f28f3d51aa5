#include "DatabaseConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("DatabaseConfig", text);
}

// QSettings already ends an unquoted value at ";" (the rest is a comment)
// but hands back one with commas as a list: the operator meant one text.
// A value that must hold ";" is written in double quotes.
QString plainValue(const QVariant &value)
{
    const QString text = value.typeId() == QMetaType::QStringList ? value.toStringList().join(QLatin1Char(','))
                                                                  : value.toString();
    return text.trimmed();
}

} // namespace

DatabaseConfig DatabaseConfig::sqliteFile(const QString &path)
{
    DatabaseConfig config;
    config.m_kind = Kind::SqliteFile;
    config.m_path = path;
    return config;
}

DatabaseConfig DatabaseConfig::server(const QString &host, int port, const QString &name, const QString &user,
                                      const QString &password)
{
    DatabaseConfig config;
    config.m_kind = Kind::PostgreSql;
    config.m_host = host;
    config.m_port = port;
    config.m_name = name;
    config.m_user = user;
    config.m_password = password;
    return config;
}

bool DatabaseConfig::load(const QString &programDirectory, DatabaseConfig *config, QString *error)
{
    const QDir dir(programDirectory);
    const QString configPath = dir.filePath(QLatin1String(FileName));
    if (!QFileInfo::exists(configPath)) {
        *config = sqliteFile(dir.filePath(QStringLiteral("ping_addr.mdb")));
        return true;
    }
    return loadFile(configPath, config, error);
}

bool DatabaseConfig::loadFile(const QString &configPath, DatabaseConfig *config, QString *error)
{
    const QString shown = QDir::toNativeSeparators(QFileInfo(configPath).absoluteFilePath());
    auto fail = [&](const QString &why) {
        if (error)
            *error = tr("Ошибка в файле настройки %1: %2").arg(shown, why);
        return false;
    };
    const QFileInfo info(configPath);
    if (!info.isFile() || !info.isReadable())
        return fail(tr("файл не читается. Проверьте права на него."));

    QSettings settings(configPath, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return fail(tr("файл не читается как файл настройки (строки вида ключ=значение в разделе [database])."));
    settings.beginGroup(QStringLiteral("database"));
    auto key = [&](const char *name) { return plainValue(settings.value(QLatin1String(name))); };
    auto required = [&](const char *name, QString *value) {
        *value = key(name);
        if (!value->isEmpty())
            return true;
        fail(tr("в разделе [database] нет ключа %1 (или он пуст).").arg(QLatin1String(name)));
        return false;
    };

    QString driver;
    if (!required("driver", &driver))
        return false;
    DatabaseConfig result;
    result.m_configPath = info.absoluteFilePath();
    if (driver.compare(QLatin1String("sqlite"), Qt::CaseInsensitive) == 0) {
        // The file beside the programs, or another one named relative to orvant.conf.
        QString file = key("file");
        if (file.isEmpty())
            file = QStringLiteral("ping_addr.mdb");
        result.m_kind = Kind::SqliteFile;
        result.m_path = QFileInfo(info.absoluteDir(), file).absoluteFilePath();
    } else if (driver.compare(QLatin1String("postgresql"), Qt::CaseInsensitive) == 0) {
        result.m_kind = Kind::PostgreSql;
        QString port;
        if (!required("host", &result.m_host) || !required("port", &port) || !required("name", &result.m_name)
            || !required("user", &result.m_user))
            return false;
        bool ok = false;
        result.m_port = port.toInt(&ok);
        if (!ok || result.m_port < 1 || result.m_port > 65535)
            return fail(tr("ключ port: «%1» — не номер порта (от 1 до 65535).").arg(port));
        result.m_password = key("password");
    } else {
        return fail(tr("ключ driver: неизвестный драйвер «%1». Допустимы postgresql и sqlite.").arg(driver));
    }
    *config = result;
    return true;
}

QString DatabaseConfig::describe() const
{
    if (!isServer())
        return QDir::toNativeSeparators(QFileInfo(m_path).absoluteFilePath());
    return tr("%1 на сервере %2:%3").arg(m_name, m_host, QString::number(m_port));
}
