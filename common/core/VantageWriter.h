#pragma once

#include "VantageRule.h"
#include "VantageState.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The vantage that writes the outage log: at each of its passes it applies
// the rule to every address of the book, over the live vantages' own
// outages, and opens or closes the log's rows to match.
//
// decide() is the whole judgement, with no database: what the log should
// gain this pass. VantageRecords reads its inputs and applies its outcome
// in one transaction. Times are seconds since 1970 (UTC).
class VantageWriter
{
public:
    struct Host
    {
        QString ip;
        QString description;
    };
    // An open row of the log: its address and begin.
    struct OpenRow
    {
        QString ip;
        qint64 begin = 0;
    };
    struct Open
    {
        QString ip;
        QString description;
        qint64 begin = 0;
        QStringList vantages;  // those that find it silent now
    };
    struct Close
    {
        QString ip;
        qint64 rowBegin = 0;
        qint64 end = 0;
    };
    // A whole outage found late: written closed, and told, but no alert
    // rings for what is already over.
    struct Record
    {
        QString ip;
        QString description;
        qint64 begin = 0;
        qint64 end = 0;
        QStringList vantages;  // those that found it silent in it
    };
    struct Decision
    {
        QList<Close> closes;  // applied first: a row may close and a new one open
        QList<Open> opens;
        QList<Record> records;
        bool isEmpty() const { return closes.isEmpty() && opens.isEmpty() && records.isEmpty(); }
    };

    // intervals: every vantage's outages by address (a stale vantage's are
    // left out here, by `vantages`). An open row of an address that left the
    // book is not touched: its removal closed it, or will.
    //
    // An open row closes at the first moment after its begin at which the
    // rule no longer held, so a replayed history that shows a break closes
    // it there and, if the host is down again, opens the next one.
    //
    // freshSince: per address, the earliest begin of its outages closed
    // since the last judgement (in `intervals` too). Every stretch the rule
    // held that has ended after it, outside the address's open row, is a
    // record; the database refuses one that overlaps a row already written.
    static Decision decide(const QList<Host> &book, const QHash<QString, QList<VantageRule::Interval>> &intervals,
                           const QList<VantageState> &vantages, const VantageRule &rule,
                           const QList<OpenRow> &openLogRows, qint64 now,
                           const QHash<QString, qint64> &freshSince = {});
};
