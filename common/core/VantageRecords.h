#pragma once

#include "VantageRule.h"
#include "VantageState.h"
#include "VantageWriter.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringView>

#include <optional>

// Vantage points as the server database keeps them: each vantage's
// heartbeat, its own outages and the passes of round trips it measured; the
// rule the log follows; the log writer's inputs and outcome. Each function
// takes the connection it runs on, so it runs on whichever thread owns it,
// and returns false with the database's text in *error on failure.
//
// Only a server database has vantages: on the file the functions that read
// or write them refuse with onlyOnServerText().
namespace VantageRecords {

// The lock the log's writer holds ("ORVA", "NT" + 2): beside the suite's
// one-monitor lock, which vantages share.
inline constexpr qint64 WriterLockKey = (qint64(0x4F525641) << 32) | 0x4E540002;

// "Наблюдательные пункты работают только с сервером PostgreSQL" and what
// the database is.
QString onlyOnServerText(const QString &database);
// False with onlyOnServerText() for a file.
bool requireServer(const QSqlDatabase &db, QString *error);

// The vantage starts: its row made or renewed, with this machine and
// process and its session's name (by which the lock's holders are named).
bool registerVantage(const QSqlDatabase &db, const QString &name, int intervalSeconds, const QString &sessionName,
                     QString *error);
// Every pass, on the server's clock. The row comes back if it was removed.
bool heartbeat(const QSqlDatabase &db, const QString &name, int intervalSeconds, const QString &sessionName,
               QString *error);

// The vantage's own outages. Both may be written again (a replay after the
// server came back): a begin already there and an end already made change
// nothing. An end with an invalid begin ends whatever is open.
bool beginOutage(const QSqlDatabase &db, const QString &vantage, const QString &ip, const QDateTime &begin,
                 QString *error);
bool endOutage(const QSqlDatabase &db, const QString &vantage, const QString &ip, const QDateTime &begin,
               const QDateTime &end, QString *error);
struct OwnOutage
{
    QString ip;
    QDateTime begin;
};
bool openOutages(const QSqlDatabase &db, const QString &vantage, QList<OwnOutage> *outages, QString *error);

// A pass of round trips (latency_passes.id) measured by the vantage, and
// passes that retention removed.
bool recordPass(const QSqlDatabase &db, qint64 pass, const QString &vantage, QString *error);
bool forgetPasses(const QSqlDatabase &db, qint64 firstPass, qint64 lastPass, QString *error);

// Every vantage by name, judged by the server's clock.
bool listVantages(const QSqlDatabase &db, QList<VantageState> *vantages, QString *error);

// The rule ("vantage.rule" in the settings); `all` when none is stored.
bool readRule(const QSqlDatabase &db, VantageRule *rule, QString *error);
bool writeRule(const QSqlDatabase &db, const VantageRule &rule, QString *error);

// What the writer decides on. The intervals are every vantage's open
// outages and, per address that has one open (or an open log row), its
// closed ones that ended at or after the oldest such begin: enough to tell
// since when the rule holds and when an open row stopped holding.
struct WriterInputs
{
    QList<VantageWriter::Host> book;
    QList<VantageState> vantages;
    VantageRule rule;
    QHash<QString, QList<VantageRule::Interval>> intervals;
    QList<VantageWriter::OpenRow> openLogRows;
    // The live vantages' outages closed since the last judgement: their
    // addresses' earliest begins, and the marks applyDecision() removes.
    QHash<QString, qint64> freshSince;
    QList<qint64> freshSeqs;
};
// How many closed outages one pass judges at most.
constexpr int FreshPerPass = 5000;
bool readWriterInputs(const QSqlDatabase &db, WriterInputs *inputs, QString *error);

// Applies a decision to the log in one transaction: all or nothing. A row
// opens at most once for its address and begin, and never overlaps the
// address's last closed row (its begin moves to that row's end). *applied
// gets what really changed (a replayed decision changes nothing), with the
// begins as written: what the alerts should tell. A record is written
// only where the address has no row overlapping it. The fresh marks read
// with the inputs go in the same transaction.
bool applyDecision(const QSqlDatabase &db, const VantageWriter::Decision &decision,
                   const QList<qint64> &freshSeqs, VantageWriter::Decision *applied, QString *error);

// The stored form of the vantage tables' moments: UTC 'YYYY-MM-DD HH:MM:SS'.
QString utcText(qint64 secondsSince1970);
std::optional<qint64> fromUtcText(QStringView text);
// The log's local text of a moment, and back (nothing: not of that form).
QString localText(qint64 secondsSince1970);
std::optional<qint64> fromLocalText(const QString &text);

} // namespace VantageRecords
