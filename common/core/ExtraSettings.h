#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QString>

// Settings beyond the options row (table `settings`, one row a name): the
// options row keeps the four columns every program of the suite reads, and
// what was added later lives here by name.
//
// A name that is missing, or a value that cannot be used, reads as its
// default, so a database that never had the setting behaves as before it
// existed. Names are lower-case words joined by dots ("samples.raw_days").
class ExtraSettings
{
public:
    ExtraSettings() = default;
    explicit ExtraSettings(QHash<QString, QString> values) : m_values(std::move(values)) {}

    // Every setting of the database. False (with *error) when the table
    // could not be read.
    static bool read(QSqlDatabase db, ExtraSettings *settings, QString *error);
    // Stores one setting (replacing what was there).
    static bool write(QSqlDatabase db, const QString &name, const QString &value, QString *error);
    // Stores several in one transaction: all or none.
    static bool write(QSqlDatabase db, const QHash<QString, QString> &values, QString *error);

    bool contains(const QString &name) const { return m_values.contains(name); }
    QString text(const QString &name, const QString &defaultValue = {}) const;
    // A whole number within [min, max]; anything else reads as the default.
    int integer(const QString &name, int defaultValue, int min, int max) const;
    // "1"/"0" (also "true"/"false"); anything else reads as the default.
    bool flag(const QString &name, bool defaultValue) const;

    void set(const QString &name, const QString &value) { m_values.insert(name, value); }
    const QHash<QString, QString> &values() const { return m_values; }

private:
    QHash<QString, QString> m_values;
};
