#include "AddressOrder.h"

namespace admin {

int AddressOrder::compare(const QString &a, const QString &b)
{
    qsizetype i = 0, j = 0;
    const qsizetype n = a.size(), m = b.size();
    while (i < n && j < m) {
        const QChar ca = a.at(i), cb = b.at(j);
        if (ca.isDigit() && cb.isDigit()) {
            // Compare the two runs as numbers without converting them, so any
            // length works: skip leading zeros, then the longer run is larger,
            // then the first differing digit decides.
            qsizetype ea = i, eb = j;
            while (ea < n && a.at(ea).isDigit())
                ++ea;
            while (eb < m && b.at(eb).isDigit())
                ++eb;
            qsizetype za = i, zb = j;
            while (za < ea - 1 && a.at(za) == QLatin1Char('0'))
                ++za;
            while (zb < eb - 1 && b.at(zb) == QLatin1Char('0'))
                ++zb;
            const qsizetype la = ea - za, lb = eb - zb;
            if (la != lb)
                return la < lb ? -1 : 1;
            for (qsizetype k = 0; k < la; ++k) {
                const QChar da = a.at(za + k), db = b.at(zb + k);
                if (da != db)
                    return da < db ? -1 : 1;
            }
            i = ea;
            j = eb;
            continue;
        }
        const QChar la = ca.toLower(), lb = cb.toLower();
        if (la != lb)
            return la < lb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < n || j < m)
        return i < n ? 1 : -1;
    // Equal but for case or leading zeros: the plain text decides.
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace admin
