#pragma once

#include "StatusBoard.h"

#include <QByteArray>
#include <QDate>
#include <QJsonValue>

namespace web {

// The JSON the server answers, made from a board. Times are the local time
// of the monitor's database with its offset (RFC 3339), so a browser in
// another zone reads them right; durations are seconds; percentages are
// 0–100 with the exactness of orvant-export (thousandths, availability
// rounded down).
namespace StatusJson {

// /api/v1/hosts: one object per host, by address.
QByteArray hosts(const StatusBoard &board);
// /api/v1/board: what the status page draws, the hosts as above with their
// days and charts.
QByteArray page(const StatusBoard &board, bool databaseAnswers);
// /api/v1/hosts/{address}/outages: the address's outages touching the days
// from `from` to `to`, both included, by begin.
QByteArray outages(const StatusBoard &board, const QString &address, const QDate &from, const QDate &to);

QJsonValue time(Seconds stored);
qint64 epochSeconds(Seconds stored);

} // namespace StatusJson

} // namespace web
