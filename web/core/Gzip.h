#pragma once

#include <QByteArray>

namespace web {

// gzip (RFC 1952) through zlib: what Prometheus and browsers ask for in
// Accept-Encoding. Qt's qCompress writes only a zlib stream behind a length
// of its own, which no HTTP client reads.
namespace Gzip {

QByteArray compress(const QByteArray &data, int level = 6);
// Whether an Accept-Encoding header takes gzip (and does not refuse it with q=0).
bool accepted(const QByteArray &acceptEncoding);

} // namespace Gzip

} // namespace web
