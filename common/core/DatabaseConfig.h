#pragma once

#include <QByteArray>
#include <QString>

// Which database the suite works on: the shared file beside the programs
// (the default), or a PostgreSQL database named in orvant.conf beside them.
//
//   [database]
//   driver=postgresql
//   host=/var/run/postgresql   ; a host name, an address or a socket directory
//   port=5432
//   name=orvant
//   user=orvant
//   password=                  ; optional; otherwise libpq's own ways
//
// Text after ";" on a value line is a comment (QSettings' INI reading); a
// value that holds ";" itself (a password) is written in double quotes.
//
// A monitor that is one of several vantage points on one server database
// names itself in a section of its own:
//
//   [vantage]
//   name=branch-1              ; letters, digits and "-", 1 to 40 characters
class DatabaseConfig
{
public:
    static constexpr char FileName[] = "orvant.conf";

    enum class Kind { SqliteFile, PostgreSql };

    // No orvant.conf in the directory: the file ping_addr.mdb there.
    // Otherwise the file is read and checked; a missing or wrong key fails
    // with a Russian text naming the file and the key, never falling back to
    // the SQLite file behind the operator's back.
    static bool load(const QString &programDirectory, DatabaseConfig *config, QString *error);
    // The same for a configuration file given by its path.
    static bool loadFile(const QString &configPath, DatabaseConfig *config, QString *error);
    static DatabaseConfig sqliteFile(const QString &path);
    static DatabaseConfig server(const QString &host, int port, const QString &name, const QString &user,
                                 const QString &password = QString());

    Kind kind() const { return m_kind; }
    bool isServer() const { return m_kind == Kind::PostgreSql; }
    // SQLite: the database file.
    QString path() const { return m_path; }
    // PostgreSQL.
    QString host() const { return m_host; }
    int port() const { return m_port; }
    QString name() const { return m_name; }
    QString user() const { return m_user; }
    QString password() const { return m_password; }
    // The orvant.conf the settings came from; empty without one.
    QString configPath() const { return m_configPath; }
    // The name of this seat's vantage point; empty when [vantage] is absent.
    QString vantageName() const { return m_vantageName; }
    bool isVantage() const { return !m_vantageName.isEmpty(); }
    void setVantageName(const QString &name) { m_vantageName = name; }

    static constexpr int MaxVantageNameLength = 40;
    // Letters, ASCII digits and "-", 1 to MaxVantageNameLength characters:
    // the name travels in CSV files, alerts and the operator's listings.
    static bool isValidVantageName(const QString &name);

    // How messages name the database: the file's path, or
    // "orvant на сервере /var/run/postgresql:5432".
    QString describe() const;

    // A section or a key given twice in one section: true, with the line (from 1)
    // of the repeat and a Russian reason naming the first occurrence.
    static bool findRepeats(const QByteArray &text, int *line, QString *why);

private:
    Kind m_kind = Kind::SqliteFile;
    QString m_path;
    QString m_host;
    int m_port = 5432;
    QString m_name;
    QString m_user;
    QString m_password;
    QString m_configPath;
    QString m_vantageName;
};
