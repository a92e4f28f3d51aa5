#include "AdminStore.h"

#include "AddressBook.h"
#include "AddressExport.h"
#include "ExtraSettings.h"
#include "LatencySettings.h"
#include "OptionsStore.h"
#include "Database.h"
#include "Statements.h"
#include "VantageRecords.h"

#include <QSqlQuery>

namespace admin {

namespace {

QString newConnectionName()
{
    static int instances = 0;
    return QStringLiteral("admin-%1").arg(++instances);
}

// A database from before the round trips lists its book without them.
bool hasLatencyTables(const QSqlDatabase &db)
{
    QSqlQuery tables(db);
    return runStatement(tables, Statements::CountLatencyTables) && tables.next() && tables.value(0).toInt() > 0;
}

} // namespace

AdminStore::AdminStore(QObject *parent)
    : ProgramStore(newConnectionName(), Database::Options(), parent)
{
}

// --- settings ---

StoreReply<AdminStore::OptionsRead> AdminStore::readOptions()
{
    return action([](const Connection &c) {
        OptionsRead read;
        QString error;
        read.outcome = c.outcome(OptionsStore::read(&read.record, &error, c.name), error);
        return read;
    });
}

StoreReply<StoreOutcome> AdminStore::saveOptions(const OptionsRecord &record)
{
    return action([record](const Connection &c) {
        QString error;
        return c.outcome(OptionsStore::save(record, &error, c.name), error);
    });
}

StoreReply<AdminStore::Retention> AdminStore::readRetention()
{
    return background([](const Connection &c) {
        Retention retention;
        ExtraSettings settings;
        QString error;
        if (!ExtraSettings::read(c.db, &settings, &error))
            return retention;
        using namespace LatencySettings;
        retention.rawDays = settings.integer(RawDays, DefaultRawDays, MinRawDays, MaxRawDays);
        retention.hourlyYears = settings.integer(HourlyYears, DefaultHourlyYears, MinHourlyYears, MaxHourlyYears);
        return retention;
    });
}

StoreReply<StoreOutcome> AdminStore::saveRetention(int rawDays, int hourlyYears)
{
    return action([rawDays, hourlyYears](const Connection &c) {
        const QHash<QString, QString> values{{LatencySettings::RawDays, QString::number(rawDays)},
                                             {LatencySettings::HourlyYears, QString::number(hourlyYears)}};
        QString error;
        return c.outcome(ExtraSettings::write(c.db, values, &error), error);
    });
}

StoreReply<AdminStore::Vantages> AdminStore::readVantages()
{
    return action([](const Connection &c) {
        Vantages read;
        read.server = Database::dialectOf(c.db) == Statements::Dialect::Postgres;
        if (!read.server) {
            read.outcome = c.outcome(true, QString());
            return read;
        }
        QString error;
        const bool ok = VantageRecords::listVantages(c.db, &read.vantages, &error)
                        && VantageRecords::readRule(c.db, &read.rule, &error);
        read.outcome = c.outcome(ok, error);
        return read;
    });
}

StoreReply<StoreOutcome> AdminStore::saveVantageRule(const VantageRule &rule)
{
    return action([rule](const Connection &c) {
        QString error;
        const bool ok = VantageRecords::requireServer(c.db, &error) && VantageRecords::writeRule(c.db, rule, &error);
        return c.outcome(ok, error);
    });
}

StoreReply<AdminStore::AlertSettingsRead> AdminStore::readAlertSettings()
{
    return action([](const Connection &c) {
        AlertSettingsRead read;
        ExtraSettings extra;
        QString error;
        const bool ok = ExtraSettings::read(c.db, &extra, &error);
        if (ok)
            read.settings = AlertRecords::settingsFrom(extra);
        read.outcome = c.outcome(ok, error);
        return read;
    });
}

StoreReply<StoreOutcome> AdminStore::saveAlertSettings(const AlertRecords::Settings &settings)
{
    return action([settings](const Connection &c) {
        QString error;
        return c.outcome(ExtraSettings::write(c.db, AlertRecords::settingsValues(settings), &error), error);
    });
}

// --- the outage log ---

void AdminStore::attach(OutageLogModel *log)
{
    log->setDatabase(&databaseThread());
}

StoreReply<std::shared_ptr<OutageLogModel::Page>> AdminStore::readLogFirst(const OutageLogModel::Query &query,
                                                                            int pageSize)
{
    return action([query, pageSize](const Connection &c) {
        return OutageLogModel::readFirst(c.db, query, pageSize, nullptr);
    });
}

StoreReply<AdminStore::LogCount> AdminStore::countLog(const QString &filter)
{
    // Counted again as the log is followed: left to the next action to
    // reconnect, as the following is.
    return background([filter](const Connection &c) {
        LogCount count;
        QString error;
        count.outcome = c.outcome(OutageLog::summary(c.db, filter, &count.summary, &error), error);
        return count;
    });
}

StoreReply<StoreOutcome> AdminStore::clearLogBefore(const QDate &day)
{
    return action([day](const Connection &c) {
        QString error;
        return c.outcome(OutageLog::deleteBefore(day, nullptr, &error, c.name), error);
    });
}

StoreReply<AdminStore::ExportCount> AdminStore::countLogExport(const OutageExport::Filter &filter)
{
    return action([filter](const Connection &c) {
        ExportCount count;
        QString error;
        count.rows = OutageExport::count(filter, &error, c.name);
        count.outcome = c.outcome(count.rows >= 0, error);
        return count;
    });
}

StoreReply<AdminStore::Exported> AdminStore::exportLog(const QString &path, const OutageExport::Filter &filter,
                                                       const OutageExport::Progress &progress)
{
    return action([path, filter, progress](const Connection &c) {
        Exported exported;
        QString error;
        exported.result = OutageExport::toFile(path, filter, progress, &error, nullptr, c.name);
        if (exported.result == OutageExport::Result::Failed)
            exported.error = c.failure(error);
        return exported;
    });
}

// --- the address book ---

StoreReply<AdminStore::Book> AdminStore::readBook()
{
    return action([](const Connection &c) {
        Book book;
        QString error;
        book.outcome = c.outcome(AddressListModel::load(c.db, &book.rows, &error), error);
        return book;
    });
}

StoreReply<AdminStore::Records> AdminStore::listAddresses()
{
    return action([](const Connection &c) {
        Records listed;
        QString error;
        listed.outcome = c.outcome(AddressBook::list(&listed.records, &error, c.name), error);
        return listed;
    });
}

StoreReply<AdminStore::Found> AdminStore::addressExists(const QString &ip)
{
    return action([ip](const Connection &c) {
        Found found;
        QString error;
        found.outcome = c.outcome(AddressBook::exists(ip, &found.found, &error, c.name), error);
        return found;
    });
}

StoreReply<AdminStore::Added> AdminStore::addAddress(const QString &ip, const QString &description, qint32 timeoutMs,
                                                     const QString &parent)
{
    return action([ip, description, timeoutMs, parent](const Connection &c) {
        Added added;
        QString error;
        const bool ok = AddressBook::add(ip, description, timeoutMs, &error, c.name);
        added.address = c.outcome(ok, error);
        if (ok && !parent.isEmpty()) {
            bool cycle = false;
            QString parentError;
            added.parent = c.outcome(AddressParents::setParent(c.db, ip, parent, &cycle, &parentError), parentError);
        }
        return added;
    });
}

StoreReply<AdminStore::Details> AdminStore::readAddress(const QString &ip)
{
    return action([ip](const Connection &c) {
        Details details;
        QString error;
        const bool ok = AddressBook::load(ip, &details.record, &details.found, &error, c.name);
        details.outcome = c.outcome(ok, error);
        if (ok && details.found) {
            QString parentsError;
            const bool read = AddressListModel::load(c.db, &details.book, &parentsError)
                              && AddressParents::parentOf(c.db, ip, &details.parent, &parentsError);
            details.parents = c.outcome(read, parentsError);
        }
        return details;
    });
}

StoreReply<AdminStore::Updated> AdminStore::updateAddress(const QString &ip, const QString &description,
                                                          qint32 timeoutMs, const QString &parent, bool parentChanged)
{
    return action([ip, description, timeoutMs, parent, parentChanged](const Connection &c) {
        Updated updated;
        QString error;
        // A parent chain that comes back to the address is refused before
        // anything is written.
        if (parentChanged && !parent.isEmpty()) {
            QHash<QString, QString> parents;
            if (!AddressParents::readAll(c.db, &parents, &error)) {
                updated.outcome = c.outcome(false, error);
                return updated;
            }
            if (AddressParents::makesCycle(parents, ip, parent)) {
                updated.outcome.ok = true;
                updated.cycle = true;
                return updated;
            }
        }
        const bool ok = AddressBook::update(ip, description, timeoutMs, &updated.rows, &error, c.name);
        updated.outcome = c.outcome(ok, error);
        if (ok && updated.rows > 0 && parentChanged) {
            bool cycle = false;
            QString parentError;
            updated.parent = c.outcome(AddressParents::setParent(c.db, ip, parent, &cycle, &parentError), parentError);
        }
        return updated;
    });
}

StoreReply<AdminStore::Behind> AdminStore::addressesBehind(const QString &ip)
{
    return action([ip](const Connection &c) {
        Behind behind;
        QString error;
        const bool ok = AddressParents::countChildren(c.db, ip, &behind.children, &error)
                        && (behind.children == 0 || AddressParents::parentOf(c.db, ip, &behind.parent, &error));
        behind.outcome = c.outcome(ok, error);
        return behind;
    });
}

StoreReply<StoreOutcome> AdminStore::removeAddress(const QString &ip, AddressParents::Children children)
{
    return action([ip, children](const Connection &c) {
        QString error;
        return c.outcome(AddressParents::removeAddress(c.db, ip, children, &error), error);
    });
}

StoreReply<StoreOutcome> AdminStore::exportAddresses(const QString &path)
{
    return action([path](const Connection &c) {
        int rows = 0;
        QString error;
        return c.outcome(AddressExport::toFile(c.db, path, &rows, &error), error);
    });
}

StoreReply<AdminStore::ImportChecked> AdminStore::checkImport(const QString &text, bool replace)
{
    return action([text, replace](const Connection &c) {
        ImportChecked checked;
        AddressImport::Book book;
        checked.ok = c.db.isOpen() && AddressImport::readBook(c.db, &book, &checked.error);
        if (checked.ok)
            checked.plan = AddressImport::plan(text, book, replace);
        else
            checked.error = c.failure(checked.error);
        return checked;
    });
}

StoreReply<AdminStore::Imported> AdminStore::applyImport(const AddressImport::Plan &plan)
{
    return action([plan](const Connection &c) {
        Imported imported;
        imported.ok = AddressImport::apply(c.db, plan, &imported.written, &imported.error);
        if (!imported.ok)
            imported.error = c.failure(imported.error);
        return imported;
    });
}

// --- silence ---

StoreReply<AdminStore::Quiet> AdminStore::readQuiet()
{
    return action([](const Connection &c) {
        Quiet quiet;
        QString error;
        if (!AlertRecords::readMutes(c.db, &quiet.mutes, &error)
            || !AlertRecords::readWindows(c.db, &quiet.windows, &error)) {
            quiet.error = c.failure(error);
            return quiet;
        }
        QSqlQuery query(c.db);
        if (!runStatement(query, Statements::SelectAddressesForPass)) {
            quiet.error = c.failure(statementError(query));
            return quiet;
        }
        while (query.next())
            quiet.hosts << query.value(0).toString();
        return quiet;
    });
}

StoreReply<AdminStore::Thresholds> AdminStore::readRttThresholds()
{
    return action([](const Connection &c) {
        Thresholds read;
        QHash<QString, OutagePaths::Thresholds> stored;
        QString error;
        if (!OutagePaths::readThresholds(c.db, &stored, &error)) {
            read.error = c.failure(error);
            return read;
        }
        QSqlQuery query(c.db);
        if (!runStatement(query, Statements::SelectAddressesForPass)) {
            read.error = c.failure(statementError(query));
            return read;
        }
        while (query.next()) {
            const QString ip = query.value(0).toString();
            read.hosts.append({ip, query.value(1).toString(), stored.value(ip)});
        }
        return read;
    });
}

StoreReply<QString> AdminStore::writeRttThresholds(const QList<Thresholds::Host> &hosts)
{
    return action([hosts](const Connection &c) {
        QString error;
        for (const Thresholds::Host &h : hosts) {
            if (!OutagePaths::writeThresholds(c.db, h.ip, h.thresholds, &error))
                return c.failure(error);
        }
        return QString();
    });
}

StoreReply<QString> AdminStore::mute(const AlertRecords::Mute &mute)
{
    return action([mute](const Connection &c) {
        QString error;
        return AlertRecords::writeMute(c.db, mute, &error) ? QString() : c.failure(error);
    });
}

StoreReply<QString> AdminStore::liftMutes(const QStringList &ips)
{
    return action([ips](const Connection &c) {
        QString error;
        for (const QString &ip : ips) {
            if (!AlertRecords::liftMute(c.db, ip, &error))
                return c.failure(error);
        }
        return QString();
    });
}

StoreReply<QString> AdminStore::addMaintenance(const AlertRecords::MaintenanceWindow &window)
{
    return action([window](const Connection &c) {
        QString error;
        return AlertRecords::addWindow(c.db, window, &error) ? QString() : c.failure(error);
    });
}

StoreReply<QString> AdminStore::removeMaintenance(const QList<qint64> &ids)
{
    return action([ids](const Connection &c) {
        QString error;
        for (const qint64 id : ids) {
            if (!AlertRecords::removeWindow(c.db, id, &error))
                return c.failure(error);
        }
        return QString();
    });
}

// --- alert channels ---

StoreReply<AdminStore::Channels> AdminStore::readChannels(int logRows)
{
    return action([logRows](const Connection &c) {
        Channels read;
        alerts::AlertStore store(c.db);
        read.ok = c.db.isOpen() && store.channels(&read.channels, &read.error)
                  && store.deliveries(logRows, &read.log, &read.error);
        if (!read.ok && !read.error.isEmpty())
            read.error = c.failure(read.error);
        return read;
    });
}

namespace {

// AlertStore's failures, never an empty text.
QString channelFailure(bool ok, const QString &error)
{
    return ok ? QString() : (error.isEmpty() ? QStringLiteral("?") : error);
}

} // namespace

StoreReply<QString> AdminStore::addChannel(const alerts::AlertChannel &channel)
{
    return action([added = channel](const Connection &c) mutable {
        QString error;
        const bool ok = alerts::AlertStore(c.db).addChannel(&added, &error);
        return ok ? QString() : c.failure(channelFailure(ok, error));
    });
}

StoreReply<QString> AdminStore::updateChannel(const alerts::AlertChannel &channel)
{
    return action([channel](const Connection &c) {
        QString error;
        const bool ok = alerts::AlertStore(c.db).updateChannel(channel, &error);
        return ok ? QString() : c.failure(channelFailure(ok, error));
    });
}

StoreReply<QString> AdminStore::removeChannel(qint64 id)
{
    return action([id](const Connection &c) {
        QString error;
        const bool ok = alerts::AlertStore(c.db).removeChannel(id, &error);
        return ok ? QString() : c.failure(channelFailure(ok, error));
    });
}

StoreReply<QString> AdminStore::logDelivery(const alerts::DeliveryEntry &entry)
{
    return background([entry](const Connection &c) {
        QString error;
        return alerts::AlertStore(c.db).log(entry, &error) ? QString() : error;
    });
}

// --- figures ---

StoreReply<AdminStore::AvailabilityRead> AdminStore::availability(const AvailabilityPeriod &period,
                                                                   Availability::Seconds now,
                                                                   AvailabilityReport::Maintenance maintenance)
{
    return action([period, now, maintenance](const Connection &c) {
        AvailabilityRead read;
        read.hosts = AvailabilityReport::compute(c.db, period, now, &read.error, maintenance);
        if (!read.hosts)
            read.error = c.failure(read.error);
        return read;
    });
}

StoreReply<AdminStore::OutagesRead> AdminStore::outagesOf(const QString &ip, const AvailabilityPeriod &period)
{
    return action([ip, period](const Connection &c) {
        OutagesRead read;
        read.outages = AvailabilityReport::outagesOf(c.db, ip, period, &read.error);
        if (!read.outages)
            read.error = c.failure(read.error);
        return read;
    });
}

StoreReply<QHash<QString, LatencyReader::Recent>> AdminStore::recentRoundTrips(const QDateTime &since)
{
    return background([since](const Connection &c) {
        QHash<QString, LatencyReader::Recent> recent;
        QString error;
        if (c.db.isOpen() && hasLatencyTables(c.db))
            LatencyReader::recent(c.db, since, &recent, &error);
        return recent;
    });
}

} // namespace admin
