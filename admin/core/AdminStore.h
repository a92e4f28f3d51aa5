#pragma once

#include "AddressImport.h"
#include "AddressListModel.h"
#include "AddressParents.h"
#include "AddressRecord.h"
#include "AlertRecords.h"
#include "AlertStore.h"
#include "AvailabilityReport.h"
#include "LatencyReader.h"
#include "OptionsRecord.h"
#include "OutageExport.h"
#include "OutageLog.h"
#include "OutageLogModel.h"
#include "OutagePaths.h"
#include "ProgramStore.h"
#include "VantageRule.h"
#include "VantageState.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace admin {

// Everything the admin reads and writes, as operations: the listings (the
// outage log and its figures, the address book), the edits (addresses and
// their parents, settings, mutes and maintenance, alert channels), the
// availability figures and round trips, and the exports and the import.
//
// Each operation runs on the admin's one database thread, in the order asked,
// and answers with a StoreReply; operations an operator starts open a lost
// server connection again first (ProgramStore::action).
class AdminStore final : public ProgramStore
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AdminStore)

public:
    explicit AdminStore(QObject *parent = nullptr);

    // --- settings ---
    struct OptionsRead
    {
        StoreOutcome outcome;
        OptionsRecord record;
    };
    StoreReply<OptionsRead> readOptions();
    StoreReply<StoreOutcome> saveOptions(const OptionsRecord &record);
    // How long round trips are kept; -1 for both when they cannot be read.
    struct Retention
    {
        int rawDays = -1;
        int hourlyYears = -1;
    };
    StoreReply<Retention> readRetention();
    StoreReply<StoreOutcome> saveRetention(int rawDays, int hourlyYears);
    struct AlertSettingsRead
    {
        StoreOutcome outcome;
        AlertRecords::Settings settings;
    };
    StoreReply<AlertSettingsRead> readAlertSettings();
    StoreReply<StoreOutcome> saveAlertSettings(const AlertRecords::Settings &settings);

    // --- vantage points ---
    // The vantages (name, last pass, live or stale, writer) and the rule
    // the log follows; `server` false on a database file, which has none.
    struct Vantages
    {
        StoreOutcome outcome;
        bool server = false;
        QList<VantageState> vantages;
        VantageRule rule;
    };
    StoreReply<Vantages> readVantages();
    StoreReply<StoreOutcome> saveVantageRule(const VantageRule &rule);

    // --- the outage log ---
    // Pages, filter, order and following run through the model, on this
    // store's thread.
    void attach(OutageLogModel *log);
    // The first page of `query`, as the listing opens.
    StoreReply<std::shared_ptr<OutageLogModel::Page>> readLogFirst(const OutageLogModel::Query &query, int pageSize);
    struct LogCount
    {
        StoreOutcome outcome;
        OutageLog::Summary summary;
    };
    // The figures of the outages `filter` lists (every outage when empty).
    StoreReply<LogCount> countLog(const QString &filter);
    StoreReply<StoreOutcome> clearLogBefore(const QDate &day);
    struct ExportCount
    {
        StoreOutcome outcome;
        qint64 rows = 0;
    };
    StoreReply<ExportCount> countLogExport(const OutageExport::Filter &filter);
    struct Exported
    {
        OutageExport::Result result = OutageExport::Result::Failed;
        QString error;
    };
    // `progress` is called on the database thread, between batches.
    StoreReply<Exported> exportLog(const QString &path, const OutageExport::Filter &filter,
                                   const OutageExport::Progress &progress);

    // --- the address book ---
    struct Book
    {
        StoreOutcome outcome;
        QList<AddressListModel::Row> rows;
    };
    // With parents, in the stored order (the address as text).
    StoreReply<Book> readBook();
    struct Records
    {
        StoreOutcome outcome;
        QList<AddressRecord> records;
    };
    StoreReply<Records> listAddresses();
    struct Found
    {
        StoreOutcome outcome;
        bool found = false;
    };
    StoreReply<Found> addressExists(const QString &ip);
    struct Added
    {
        StoreOutcome address;
        StoreOutcome parent{true, QString()};
    };
    // The parent (when any) is written right after the address.
    StoreReply<Added> addAddress(const QString &ip, const QString &description, qint32 timeoutMs,
                                 const QString &parent);
    struct Details
    {
        StoreOutcome outcome;
        AddressRecord record;
        bool found = false;
        // The parents offered and the one stored, read after the address.
        StoreOutcome parents;
        QList<AddressListModel::Row> book;
        QString parent;
    };
    StoreReply<Details> readAddress(const QString &ip);
    struct Updated
    {
        StoreOutcome outcome;
        int rows = 0;
        bool cycle = false;  // refused before anything was written
        StoreOutcome parent{true, QString()};
    };
    StoreReply<Updated> updateAddress(const QString &ip, const QString &description, qint32 timeoutMs,
                                      const QString &parent, bool parentChanged);
    struct Behind
    {
        StoreOutcome outcome;
        int children = 0;
        QString parent;  // read only when there are children
    };
    StoreReply<Behind> addressesBehind(const QString &ip);
    StoreReply<StoreOutcome> removeAddress(const QString &ip, AddressParents::Children children);
    StoreReply<StoreOutcome> exportAddresses(const QString &path);
    struct ImportChecked
    {
        bool ok = false;
        QString error;
        AddressImport::Plan plan;
    };
    StoreReply<ImportChecked> checkImport(const QString &text, bool replace);
    struct Imported
    {
        bool ok = false;
        QString error;
        AddressImport::Written written;
    };
    StoreReply<Imported> applyImport(const AddressImport::Plan &plan);

    // --- silence: mutes and maintenance windows ---
    struct Quiet
    {
        QString error;  // empty when read
        QStringList hosts;
        QList<AlertRecords::Mute> mutes;
        QList<AlertRecords::MaintenanceWindow> windows;
    };
    StoreReply<Quiet> readQuiet();
    // These answer the failure's text, empty for success.
    StoreReply<QString> mute(const AlertRecords::Mute &mute);
    StoreReply<QString> liftMutes(const QStringList &ips);
    StoreReply<QString> addMaintenance(const AlertRecords::MaintenanceWindow &window);
    StoreReply<QString> removeMaintenance(const QList<qint64> &ids);

    // --- the monitor board's round-trip thresholds ---
    struct Thresholds
    {
        QString error;  // empty when read
        struct Host
        {
            QString ip;
            QString desc;
            OutagePaths::Thresholds thresholds;  // the defaults where none is stored
        };
        QList<Host> hosts;  // the book's, in its order
    };
    StoreReply<Thresholds> readRttThresholds();
    // Each address's pair (the defaults remove its row); the failure's text, empty for success.
    StoreReply<QString> writeRttThresholds(const QList<Thresholds::Host> &hosts);

    // --- alert channels ---
    struct Channels
    {
        bool ok = false;
        QString error;
        QList<alerts::AlertChannel> channels;
        QList<alerts::DeliveryEntry> log;
    };
    StoreReply<Channels> readChannels(int logRows);
    // The failure's text, empty for success.
    StoreReply<QString> addChannel(const alerts::AlertChannel &channel);
    StoreReply<QString> updateChannel(const alerts::AlertChannel &channel);
    StoreReply<QString> removeChannel(qint64 id);
    StoreReply<QString> logDelivery(const alerts::DeliveryEntry &entry);

    // --- figures ---
    struct AvailabilityRead
    {
        std::optional<std::vector<HostAvailability>> hosts;
        QString error;
    };
    StoreReply<AvailabilityRead> availability(const AvailabilityPeriod &period, Availability::Seconds now,
                                              AvailabilityReport::Maintenance maintenance);
    struct OutagesRead
    {
        std::optional<std::vector<Availability::Outage>> outages;
        QString error;
    };
    StoreReply<OutagesRead> outagesOf(const QString &ip, const AvailabilityPeriod &period);
    // Each address's round trips since `since`; empty when none were
    // measured or they cannot be read.
    StoreReply<QHash<QString, LatencyReader::Recent>> recentRoundTrips(const QDateTime &since);
};

} // namespace admin
