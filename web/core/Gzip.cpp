#include "Gzip.h"

#include <QList>

#include <zlib.h>

namespace web {

namespace Gzip {

QByteArray compress(const QByteArray &data, int level)
{
    z_stream z{};
    // 15 window bits, +16: a gzip header and trailer around the deflate stream.
    if (deflateInit2(&z, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray out(int(deflateBound(&z, uLong(data.size()))) + 32, Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    const int status = deflate(&z, Z_FINISH);
    const qsizetype written = qsizetype(z.total_out);
    deflateEnd(&z);
    if (status != Z_STREAM_END)
        return {};
    out.truncate(written);
    return out;
}

bool accepted(const QByteArray &acceptEncoding)
{
    for (const QByteArray &part : acceptEncoding.split(',')) {
        const QList<QByteArray> fields = part.split(';');
        if (fields.first().trimmed().compare("gzip", Qt::CaseInsensitive) != 0)
            continue;
        for (int i = 1; i < fields.size(); ++i) {
            const QByteArray f = fields.at(i).trimmed();
            if (f.startsWith("q=") && f.mid(2).toDouble() <= 0.0)
                return false;
        }
        return true;
    }
    return false;
}

} // namespace Gzip

} // namespace web
