#include "DatabaseConfig.h"

#include "Failure.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
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

// QSettings merges a section given twice and keeps the last of a repeated key,
// so a second "[database]" or "driver=" would silently decide which database
// is used. The raw lines are looked at first and either is refused by line.
bool DatabaseConfig::findRepeats(const QByteArray &text, int *line, QString *why)
{
    QHash<QString, int> sections;
    QHash<QString, int> keys; // "section\nkey" -> first line
    QString section;
    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString raw = QString::fromUtf8(lines.at(i)).trimmed();
        if (raw.isEmpty() || raw.startsWith(QLatin1Char(';')) || raw.startsWith(QLatin1Char('#')))
            continue;
        const int number = i + 1;
        if (raw.startsWith(QLatin1Char('['))) {
            const int close = raw.indexOf(QLatin1Char(']'));
            section = (close > 0 ? raw.mid(1, close - 1) : raw.mid(1)).trimmed();
            const auto seen = sections.constFind(section);
            if (seen != sections.constEnd()) {
                *line = number;
                *why = tr("раздел [%1] повторён (впервые — в строке %2). Оставьте один.")
                           .arg(section, QString::number(seen.value()));
                return true;
            }
            sections.insert(section, number);
            continue;
        }
        const int equals = raw.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString key = raw.left(equals).trimmed();
        const QString slot = section + QLatin1Char('\n') + key;
        const auto seen = keys.constFind(slot);
        if (seen != keys.constEnd()) {
            *line = number;
            *why = tr("ключ %1 повторён (впервые — в строке %2). Оставьте одно значение.")
                       .arg(key, QString::number(seen.value()));
            return true;
        }
        keys.insert(slot, number);
    }
    return false;
}

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

    {
        QFile raw(configPath);
        if (!raw.open(QIODevice::ReadOnly))
            return fail(tr("файл не читается. Проверьте права на него."));
        int line = 0;
        QString why;
        if (findRepeats(raw.readAll(), &line, &why))
            return fail(tr("строка %1: %2").arg(QString::number(line), why));
    }

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
    settings.endGroup();

    if (settings.childGroups().contains(QStringLiteral("vantage"))) {
        settings.beginGroup(QStringLiteral("vantage"));
        const QString name = plainValue(settings.value(QStringLiteral("name")));
        settings.endGroup();
        if (name.isEmpty())
            return fail(tr("в разделе [vantage] нет ключа name (или он пуст)."));
        if (!isValidVantageName(name))
            return fail(tr("ключ name в разделе [vantage]: «%1» — не имя наблюдательного пункта (буквы, цифры и «-», "
                           "от 1 до %2 знаков).")
                            .arg(quotedInMessage(name), QString::number(MaxVantageNameLength)));
        // Vantages meet through the server: its locks elect the one that
        // writes the log and its clock judges who is still alive.
        if (result.m_kind != Kind::PostgreSql)
            return fail(tr("Наблюдательные пункты работают только с сервером PostgreSQL: раздел [vantage] "
                           "требует driver=postgresql в разделе [database]."));
        result.m_vantageName = name;
    }
    *config = result;
    return true;
}

bool DatabaseConfig::isValidVantageName(const QString &name)
{
    if (name.isEmpty() || name.size() > MaxVantageNameLength)
        return false;
    for (const QChar c : name) {
        if (!(c.isLetter() || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-')))
            return false;
    }
    return true;
}

QString DatabaseConfig::describe() const
{
    if (!isServer())
        return QDir::toNativeSeparators(QFileInfo(m_path).absoluteFilePath());
    return tr("%1 на сервере %2:%3").arg(quotedInMessage(m_name), quotedInMessage(m_host), QString::number(m_port));
}
