#include "BreakdownText.h"

#include "SafeFile.h"

#include "Regional.h"
#include "Timeline.h"

#include <QStringEncoder>
#include <QTime>

#include <langinfo.h>

namespace grapher {

QString BreakdownText::compose(const QString &startTime, int intervalMin, const QList<int> &counts,
                               const QLocale &locale)
{
    QTime t = QTime::fromString(Timeline::GetMyTime(startTime, locale), QStringLiteral("HH:mm:ss"));
    if (!t.isValid())
        t = QTime(0, 0);
    const int step = intervalMin * 60;
    QTime u = t.addSecs(step);
    QString text;
    for (int count : counts) {
        text += Regional::timeWithSeconds(t, locale) + QLatin1Char('-') + Regional::timeWithSeconds(u, locale)
                + QStringLiteral(": ") + QString::number(count) + QStringLiteral("\r\n");
        t = u;
        u = u.addSecs(step);
    }
    return text;
}

QByteArray BreakdownText::fileBytes(const QString &legend, const QString &text, const QByteArray &encoding)
{
    QString body = text;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    body.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    const QString all = legend + QStringLiteral("\r\n") + body;
    QStringEncoder encoder(encoding.constData());
    if (!encoder.isValid())
        return all.toUtf8();
    return encoder.encode(all);
}

bool BreakdownText::save(const QString &path, const QString &legend, const QString &text, QString *error,
                         const QByteArray &encoding)
{
    return SafeFile::write(path, fileBytes(legend, text, encoding), error);
}

QByteArray BreakdownText::systemEncoding()
{
    const QByteArray codeset = QByteArray(nl_langinfo(CODESET)).toUpper();
    if (codeset.isEmpty() || codeset == "ANSI_X3.4-1968" || codeset == "ASCII" || codeset == "US-ASCII")
        return QByteArrayLiteral("UTF-8");
    if (!QStringEncoder(codeset.constData()).isValid())
        return QByteArrayLiteral("UTF-8");
    return codeset;
}

} // namespace grapher
