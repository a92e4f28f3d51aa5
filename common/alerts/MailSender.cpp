#include "MailSender.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QLocale>
#include <QSysInfo>
#include <QTimeZone>
#include <QUrl>
#include <QUuid>

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

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

// The watchdog of one session. libcurl calls the progress function at least
// once a second, also while it blocks for a server's answer; returning
// non-zero there ends the transfer. Its own time-outs are not enough: a
// server that never answers the end of the body held libcurl 7.88 long past
// CURLOPT_TIMEOUT, and its polite QUIT afterwards waits again. So the
// session's sockets are known here and cut (shutdown) when the watchdog
// stops it, which leaves nothing to wait for.
struct Watch
{
    enum class Stop { None, Aborted, Total, Step };

    const std::atomic<bool> *abort = nullptr;
    MailLimits limits;
    QElapsedTimer clock;
    qint64 lastActivityMs = 0;
    // The command last sent ("EHLO", "STARTTLS", "MAIL", "DATA"…), for the
    // operator's message: never more than its first word, since an AUTH
    // line carries the credentials.
    QByteArray step = "CONNECT";
    std::vector<curl_socket_t> sockets;
    Stop stop = Stop::None;
    // The transfer returned: nothing said while the connection closes is a
    // step of this delivery.
    bool closing = false;

    void cut()
    {
        for (curl_socket_t s : sockets)
            ::shutdown(s, SHUT_RDWR);
    }
};

int progress(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto *w = static_cast<Watch *>(user);
    if (w->stop == Watch::Stop::None) {
        const qint64 now = w->clock.elapsed();
        if (w->abort && w->abort->load())
            w->stop = Watch::Stop::Aborted;
        else if (now > w->limits.totalMs)
            w->stop = Watch::Stop::Total;
        else if (now - w->lastActivityMs > w->limits.stepMs)
            w->stop = Watch::Stop::Step;
    }
    if (w->stop == Watch::Stop::None)
        return 0;
    w->cut();
    return 1;
}

int traffic(CURL *, curl_infotype type, char *data, size_t size, void *user)
{
    auto *w = static_cast<Watch *>(user);
    // Once stopped, the step that stalled stays the one told (not the QUIT
    // libcurl may still try).
    if (w->stop != Watch::Stop::None || w->closing)
        return 0;
    switch (type) {
    case CURLINFO_HEADER_OUT: {
        QByteArray word(data, qsizetype(qMin<size_t>(size, 16)));
        const qsizetype end = word.indexOf(' ') >= 0 ? word.indexOf(' ') : word.indexOf('\r');
        if (end >= 0)
            word.truncate(end);
        word = word.trimmed().toUpper();
        // libcurl says QUIT as it closes, after a failure of its own (a
        // server's answer it waited too long for) as after success: the step
        // told stays the one that went wrong.
        if (word != "QUIT")
            w->step = word;
        w->lastActivityMs = w->clock.elapsed();
        break;
    }
    case CURLINFO_DATA_OUT:
        w->step = "DATA";
        w->lastActivityMs = w->clock.elapsed();
        break;
    case CURLINFO_HEADER_IN:
    case CURLINFO_DATA_IN:
    case CURLINFO_SSL_DATA_IN:
    case CURLINFO_SSL_DATA_OUT:
        w->lastActivityMs = w->clock.elapsed();
        break;
    default:
        break;
    }
    return 0;
}

curl_socket_t openSocket(void *user, curlsocktype, struct curl_sockaddr *address)
{
    auto *w = static_cast<Watch *>(user);
    const curl_socket_t s = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (s != CURL_SOCKET_BAD)
        w->sockets.push_back(s);
    return s;
}

int closeSocket(void *user, curl_socket_t s)
{
    auto *w = static_cast<Watch *>(user);
    w->sockets.erase(std::remove(w->sockets.begin(), w->sockets.end(), s), w->sockets.end());
    return ::close(s);
}

} // namespace

QByteArray MailSender::compose(const QString &from, const QStringList &to, const QString &subject, const QString &body,
                               const QString &deliveryId)
{
    QString text = body;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QByteArray m;
    m += "From: " + from.toUtf8() + "\r\n";
    m += "To: " + to.join(QStringLiteral(", ")).toUtf8() + "\r\n";
    m += "Subject: " + encodedHeader(subject) + "\r\n";
    m += "Date: " + rfc2822Date(QDateTime::currentDateTime()) + "\r\n";
    // A receiver that got this message at an earlier try knows it again by
    // its Message-ID.
    QByteArray id = deliveryId.toLatin1();
    id.replace('<', "").replace('>', "").replace('@', "").replace(' ', "");
    if (id.isEmpty())
        id = QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1();
    m += "Message-ID: <" + id + "@orvant>\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: text/plain; charset=utf-8\r\n";
    m += "Content-Transfer-Encoding: base64\r\n";
    m += "\r\n";
    m += wrapped(text.toUtf8().toBase64());
    return m;
}

namespace {

// What went wrong, said for the operator; libcurl's own words follow it.
QString failureText(CURLcode result, const Watch &watch, const QString &server, bool login)
{
    const QString step = QString::fromLatin1(watch.step);
    switch (watch.stop) {
    case Watch::Stop::Aborted:
        return MailSender::tr("отправка прервана: программа завершается");
    case Watch::Stop::Total:
        return MailSender::tr("отправка через %1 не закончилась за %2 с (последний шаг: %3)")
            .arg(server)
            .arg(watch.limits.totalMs / 1000)
            .arg(step);
    case Watch::Stop::Step:
        return MailSender::tr("сервер %1 не ответил за %2 с на шаге %3: письмо не считается отправленным")
            .arg(server)
            .arg(watch.limits.stepMs / 1000)
            .arg(step);
    case Watch::Stop::None:
        break;
    }
    switch (result) {
    case CURLE_USE_SSL_FAILED:
        return login ? MailSender::tr("сервер %1 не предлагает STARTTLS: пароль открытым текстом не отправляется, "
                                      "вход не выполнен. Нужен сервер с STARTTLS или адрес smtps://")
                           .arg(server)
                     : MailSender::tr("сервер %1 не установил защищённое соединение (STARTTLS)").arg(server);
    case CURLE_LOGIN_DENIED:
        return MailSender::tr("сервер %1 отклонил вход: проверьте пользователя и пароль").arg(server);
    case CURLE_COULDNT_RESOLVE_HOST:
        return MailSender::tr("почтовый сервер %1 не найден").arg(server);
    case CURLE_COULDNT_CONNECT:
        return MailSender::tr("не удалось соединиться с почтовым сервером %1").arg(server);
    case CURLE_OPERATION_TIMEDOUT:
        return MailSender::tr("почтовый сервер %1 не ответил вовремя (шаг %2)").arg(server, step);
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
        return MailSender::tr("сертификат почтового сервера %1 не подтверждён").arg(server);
    case CURLE_SSL_CONNECT_ERROR:
        return MailSender::tr("не удалось установить защищённое соединение с %1").arg(server);
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        return MailSender::tr("соединение с почтовым сервером %1 прервано (шаг %2)").arg(server, step);
    default:
        return MailSender::tr("почтовый сервер %1 не принял письмо (шаг %2)").arg(server, step);
    }
}

} // namespace

bool MailSender::send(const AlertChannel &channel, const QString &subject, const QString &body,
                      const QString &deliveryId, const MailLimits &limits, const std::atomic<bool> *abort,
                      QString *error)
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
        *error = tr("не удалось начать сеанс libcurl");
        return false;
    }
    char errorBuffer[CURL_ERROR_SIZE] = {};
    Upload upload{compose(from, to, subject, body, deliveryId), 0};
    const QByteArray url = channel.setting("smtp").toUtf8();
    const QByteArray fromArg = "<" + from.toUtf8() + ">";
    const QByteArray userArg = user.toUtf8();
    const QByteArray password = channel.secret.toUtf8();
    const QByteArray caFile = channel.setting("ca_file").toLocal8Bit();
    curl_slist *recipients = nullptr;
    for (const QString &a : to)
        recipients = curl_slist_append(recipients, ("<" + a.toUtf8() + ">").constData());

    Watch watch;
    watch.abort = abort;
    watch.limits = limits;
    watch.clock.start();
    const long stepS = qMax(1, limits.stepMs / 1000);

    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, fromArg.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    const bool login = !userArg.isEmpty();
    if (login) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, userArg.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    }
    // With a login, STARTTLS or nothing: libcurl refuses before AUTH. Without
    // one, STARTTLS when offered (a certificate that fails is still an
    // error, never a fall-back to the clear), else the clear, as a relay on
    // port 25 inside the network expects. smtps:// is TLS from the start.
    curl_easy_setopt(curl, CURLOPT_USE_SSL, long(login ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.isEmpty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.constData());
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readPart);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    // libcurl's own bounds, under the watchdog's.
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(limits.totalMs));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(qMin(limits.totalMs, limits.stepMs)));
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, stepS);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, stepS);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &watch);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, openSocket);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETDATA, &watch);
    curl_easy_setopt(curl, CURLOPT_CLOSESOCKETFUNCTION, closeSocket);
    curl_easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, &watch);
    // The conversation is watched for its steps, not printed.
    curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, traffic);
    curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &watch);
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);

    const CURLcode result = curl_easy_perform(curl);
    watch.closing = true;
    long response = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response);
    // A failed session's polite QUIT would wait for a server that stopped
    // answering: its socket is cut first.
    if (result != CURLE_OK)
        watch.cut();
    curl_slist_free_all(recipients);
    curl_easy_cleanup(curl);
    if (result == CURLE_OK && watch.stop == Watch::Stop::None)
        return true;
    QString text = failureText(result, watch, shownUrl(channel.setting("smtp")), login);
    QString library = QString::fromUtf8(errorBuffer).trimmed();
    if (library.isEmpty())
        library = QString::fromUtf8(curl_easy_strerror(result));
    if (response > 0)
        library += QStringLiteral(", SMTP %1").arg(response);
    *error = scrubbed(text + QStringLiteral(" (") + library + QLatin1Char(')'), channel.secrets());
    return false;
}

} // namespace alerts
