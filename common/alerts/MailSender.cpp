#include "MailSender.h"

#include <QDateTime>
#include <QLocale>
#include <QSysInfo>
#include <QTimeZone>
#include <QUrl>
#include <QUuid>

#include <curl/curl.h>

#include <cstring>
#include <mutex>

namespace alerts {

namespace {

// An RFC 2047 header value: encoded words of at most 42 bytes of UTF-8 each
// (56 characters of base64), so no word passes the 75-character limit and
// no character is split between two words.
QByteArray encodedHeader(const QString &text)
{
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            ascii = false;
    }
    if (ascii)
        return text.toLatin1();
    QList<QByteArray> words;
    QByteArray chunk;
    const QList<uint> codes = text.toUcs4();
    for (uint code : codes) {
        const QByteArray bytes = QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1).toUtf8();
        if (chunk.size() + bytes.size() > 42) {
            words << "=?UTF-8?B?" + chunk.toBase64() + "?=";
            chunk.clear();
        }
        chunk += bytes;
    }
    if (!chunk.isEmpty())
        words << "=?UTF-8?B?" + chunk.toBase64() + "?=";
    return words.join("\r\n ");
}

QByteArray wrapped(const QByteArray &base64)
{
    QByteArray out;
    for (qsizetype i = 0; i < base64.size(); i += 76)
        out += base64.mid(i, 76) + "\r\n";
    return out;
}

QByteArray rfc2822Date(const QDateTime &now)
{
    const int offset = now.offsetFromUtc() / 60;
    const QString zone = QStringLiteral("%1%2%3")
                             .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                             .arg(qAbs(offset) / 60, 2, 10, QLatin1Char('0'))
                             .arg(qAbs(offset) % 60, 2, 10, QLatin1Char('0'));
    return (QLocale::c().toString(now, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss ")) + zone).toLatin1();
}

struct Upload
{
    QByteArray data;
    qsizetype offset = 0;
};

size_t readPart(char *buffer, size_t size, size_t count, void *user)
{
    auto *upload = static_cast<Upload *>(user);
    const size_t room = size * count;
    const size_t left = size_t(upload->data.size() - upload->offset);
    const size_t n = qMin(room, left);
    std::memcpy(buffer, upload->data.constData() + upload->offset, n);
    upload->offset += qsizetype(n);
    return n;
}

int progress(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto *abort = static_cast<const std::atomic<bool> *>(user);
    return abort && abort->load() ? 1 : 0;
}

} // namespace

QByteArray MailSender::compose(const QString &from, const QStringList &to, const QString &subject, const QString &body)
{
    QString text = body;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QByteArray m;
    m += "From: " + from.toUtf8() + "\r\n";
    m += "To: " + to.join(QStringLiteral(", ")).toUtf8() + "\r\n";
    m += "Subject: " + encodedHeader(subject) + "\r\n";
    m += "Date: " + rfc2822Date(QDateTime::currentDateTime()) + "\r\n";
    m += "Message-ID: <" + QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1() + "@orvant>\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: text/plain; charset=utf-8\r\n";
    m += "Content-Transfer-Encoding: base64\r\n";
    m += "\r\n";
    m += wrapped(text.toUtf8().toBase64());
    return m;
}

bool MailSender::send(const AlertChannel &channel, const QString &subject, const QString &body, int timeoutMs,
                      const std::atomic<bool> *abort, QString *error)
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    const QString user = channel.setting("user");
    QString from = channel.setting("from");
    if (from.isEmpty())
        from = user.contains(QLatin1Char('@')) ? user : QStringLiteral("orvant@") + QSysInfo::machineHostName();
    QStringList to;
    for (const QString &a : channel.setting("to").split(QLatin1Char(','), Qt::SkipEmptyParts))
        to << a.trimmed();

    CURL *curl = curl_easy_init();
    if (!curl) {
        *error = QStringLiteral("libcurl: cannot start a session");
        return false;
    }
    char errorBuffer[CURL_ERROR_SIZE] = {};
    Upload upload{compose(from, to, subject, body), 0};
    const QByteArray url = channel.setting("smtp").toUtf8();
    const QByteArray fromArg = "<" + from.toUtf8() + ">";
    const QByteArray userArg = user.toUtf8();
    const QByteArray password = channel.secret.toUtf8();
    const QByteArray caFile = channel.setting("ca_file").toLocal8Bit();
    curl_slist *recipients = nullptr;
    for (const QString &a : to)
        recipients = curl_slist_append(recipients, ("<" + a.toUtf8() + ">").constData());

    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, fromArg.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    if (!userArg.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, userArg.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    }
    // smtp:// must upgrade with STARTTLS or fail: a password never goes out
    // in the clear.
    curl_easy_setopt(curl, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.isEmpty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.constData());
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readPart);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(timeoutMs));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(qMin(timeoutMs, 20000)));
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool> *>(abort));
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);

    const CURLcode result = curl_easy_perform(curl);
    long response = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response);
    curl_slist_free_all(recipients);
    curl_easy_cleanup(curl);
    if (result == CURLE_OK)
        return true;
    QString text = QString::fromUtf8(errorBuffer).trimmed();
    if (text.isEmpty())
        text = QString::fromUtf8(curl_easy_strerror(result));
    if (response > 0)
        text += QStringLiteral(" (SMTP %1)").arg(response);
    *error = scrubbed(text, channel.secrets());
    return false;
}

} // namespace alerts
