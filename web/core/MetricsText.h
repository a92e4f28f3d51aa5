#pragma once

#include "StatusBoard.h"

#include <QByteArray>

namespace web {

// /metrics in Prometheus's text format 0.0.4: base units (seconds, ratios
// 0–1), no timestamps, every host series labelled by address and
// description only; the parent is on orvant_host_info. The counters of echo
// requests and replies count from this server's start (a restart is a
// counter reset, as with any exporter).
namespace MetricsText {

inline constexpr char ContentType[] = "text/plain; version=0.0.4; charset=utf-8";

// The hosts' families, made once per board.
QByteArray hosts(const StatusBoard &board);
// The server's own lines, made for each scrape.
QByteArray server(bool databaseAnswers);

// A label value with \, " and line feeds escaped.
QByteArray labelValue(const QString &value);

} // namespace MetricsText

} // namespace web
