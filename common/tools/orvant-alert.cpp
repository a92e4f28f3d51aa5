// orvant-alert: the alert channels from the command line.
//
//   orvant-alert [--db FILE] list
//   orvant-alert [--db FILE] add NAME [--events LIST] [--reminder MINUTES] --command PROGRAM [ARG...]
//   orvant-alert [--db FILE] add NAME [...] --webhook URL [--format json|slack|telegram|ntfy]
//                                [--chat-id ID] [--ca-file FILE] [--token-file FILE|-]
//   orvant-alert [--db FILE] add NAME [...] --email ADDRESS --smtp URL [--user USER --password-file FILE|-]
//                                [--from ADDRESS] [--ca-file FILE]
//   orvant-alert [--db FILE] remove NAME
//   orvant-alert [--db FILE] test NAME
//   orvant-alert [--db FILE] log [COUNT]
//
// Everything after --command PROGRAM is the program's own arguments. A
// password or a token is read from a file or standard input ("-"), never
// taken from the command line, where every user of the machine could read
// it. Exit 0 on success (test: delivered), 1 when the database or the
// delivery failed, 2 for a wrong command line.
#include "AlertStore.h"
#include "AlertText.h"
#include "Database.h"
#include "Dispatcher.h"
#include "Language.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QTextStream>

using namespace alerts;

namespace {

int fail(int status, const QString &message)
{
    QTextStream(stderr) << "orvant-alert: " << message << '\n';
    return status;
}

const char Usage[] =
    "usage: orvant-alert [--db FILE] COMMAND ...\n"
    "  list\n"
    "  add NAME [--events down,up,reminder] [--reminder MINUTES] --command PROGRAM [ARG...]\n"
    "  add NAME [...] --webhook URL [--format json|slack|telegram|ntfy] [--chat-id ID] [--ca-file FILE]\n"
    "                 [--token-file FILE|-]\n"
    "  add NAME [...] --email ADDRESS --smtp URL [--user USER --password-file FILE|-] [--from ADDRESS]\n"
    "                 [--ca-file FILE]\n"
    "  remove NAME\n"
    "  test NAME      (exit 0 when delivered, 1 when not)\n"
    "  log [COUNT]    (the newest deliveries first)\n";

// A secret from a file, or standard input for "-": its first line.
bool readSecret(const QString &path, QString *secret, QString *error)
{
    QFile file;
    const bool opened = path == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                   : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    QString text = QString::fromUtf8(file.readAll());
    const qsizetype end = text.indexOf(QLatin1Char('\n'));
    if (end >= 0)
        text.truncate(end);
    if (text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    *secret = text;
    return true;
}

int add(AlertStore &store, const QStringList &args)
{
    if (args.isEmpty())
        return fail(2, QStringLiteral("add: a NAME expected"));
    AlertChannel c;
    c.name = args.first();
    bool kindSet = false;
    QString secretFile;
    QString error;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        auto value = [&](QString *out) {
            if (i + 1 >= args.size())
                return false;
            *out = args.at(++i);
            return true;
        };
        QString v;
        if (a == QLatin1String("--command")) {
            if (!value(&v))
                return fail(2, QStringLiteral("--command: a PROGRAM expected"));
            c.kind = ChannelKind::Command;
            c.settings.insert(QStringLiteral("program"), v);
            c.settings.insert(QStringLiteral("arguments"), QJsonArray::fromStringList(args.mid(i + 1)));
            kindSet = true;
            break;
        } else if (a == QLatin1String("--webhook") && value(&v)) {
            c.kind = ChannelKind::Webhook;
            c.settings.insert(QStringLiteral("url"), v);
            kindSet = true;
        } else if (a == QLatin1String("--email") && value(&v)) {
            c.kind = ChannelKind::Email;
            c.settings.insert(QStringLiteral("to"), v);
            kindSet = true;
        } else if (a == QLatin1String("--format") && value(&v)) {
            if (!formatFromName(v))
                return fail(2, QStringLiteral("--format: one of json, slack, telegram, ntfy"));
            c.settings.insert(QStringLiteral("format"), v);
        } else if (a == QLatin1String("--smtp") && value(&v)) {
            c.settings.insert(QStringLiteral("smtp"), v);
        } else if (a == QLatin1String("--user") && value(&v)) {
            c.settings.insert(QStringLiteral("user"), v);
        } else if (a == QLatin1String("--from") && value(&v)) {
            c.settings.insert(QStringLiteral("from"), v);
        } else if (a == QLatin1String("--chat-id") && value(&v)) {
            c.settings.insert(QStringLiteral("chat_id"), v);
        } else if (a == QLatin1String("--ca-file") && value(&v)) {
            c.settings.insert(QStringLiteral("ca_file"), v);
        } else if ((a == QLatin1String("--password-file") || a == QLatin1String("--token-file")) && value(&v)) {
            secretFile = v;
        } else if (a == QLatin1String("--events") && value(&v)) {
            c.setEventsText(v);
            for (const QString &e : v.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                if (!eventFromName(e))
                    return fail(2, QStringLiteral("--events: \"%1\" is none of down, up, reminder").arg(e));
            }
        } else if (a == QLatin1String("--reminder") && value(&v)) {
            bool ok = false;
            c.reminderMinutes = v.toInt(&ok);
            if (!ok || c.reminderMinutes < 1)
                return fail(2, QStringLiteral("--reminder: a number of minutes, 1 or more"));
            c.wantsReminders = true;
        } else if (a == QLatin1String("--password") || a == QLatin1String("--token")) {
            return fail(2, QStringLiteral("%1: a secret is never taken from the command line; "
                                          "use %1-file FILE, or %1-file - for standard input")
                               .arg(a));
        } else {
            return fail(2, QStringLiteral("add: unexpected \"%1\"; see --help").arg(a));
        }
    }
    if (!kindSet)
        return fail(2, QStringLiteral("add: --command, --webhook or --email expected"));
    if (c.kind == ChannelKind::Email && !c.setting("user").isEmpty() && secretFile.isEmpty())
        return fail(2, QStringLiteral("--user needs --password-file FILE (or - for standard input)"));
    if (!secretFile.isEmpty() && !readSecret(secretFile, &c.secret, &error))
        return fail(1, error);
    if (!c.isComplete(&error))
        return fail(2, error);
    AlertChannel existing;
    if (store.channel(c.name, &existing, &error))
        return fail(1, QStringLiteral("a channel named \"%1\" exists; remove it first").arg(c.name));
    if (!error.isEmpty() || !store.addChannel(&c, &error))
        return fail(1, error);
    QTextStream(stdout) << c.name << ": " << c.summary() << '\n';
    return 0;
}

int test(AlertStore &store, const QString &name)
{
    AlertChannel c;
    QString error;
    if (!store.channel(name, &c, &error))
        return fail(1, error.isEmpty() ? QStringLiteral("no channel named \"%1\"").arg(name) : error);
    Dispatcher dispatcher;
    DeliveryOutcome result;
    QEventLoop loop;
    dispatcher.deliver(c, testMessage(QDateTime::currentDateTime()), [&](DeliveryOutcome outcome) {
        result = outcome;
        loop.quit();
    });
    loop.exec();
    store.log({QDateTime::currentDateTime(), c.name, eventName(Event::Down),
               result.delivered ? QStringLiteral("test delivered") : QStringLiteral("test failed"), result.detail},
              &error);
    if (!result.delivered)
        return fail(1, QStringLiteral("%1: not delivered: %2").arg(c.name, result.detail));
    QTextStream(stdout) << c.name << ": delivered (" << result.detail << ")\n";
    return 0;
}

// The command on an open database; the store's connection handle ends here,
// before the connection is closed.
int run(QSqlDatabase db, const QString &command, const QStringList &args)
{
    QString error;
    AlertStore store(db);

    if (command == QLatin1String("list")) {
        QList<AlertChannel> channels;
        if (!store.channels(&channels, &error))
            return fail(1, error);
        QTextStream out(stdout);
        for (const AlertChannel &c : std::as_const(channels)) {
            out << c.name << '\t' << kindName(c.kind) << '\t' << c.eventsText();
            if (c.wantsReminders)
                out << " (" << c.reminderMinutes << " min)";
            out << '\t' << c.summary() << '\n';
        }
    } else if (command == QLatin1String("add")) {
        return add(store, args);
    } else if (command == QLatin1String("remove")) {
        AlertChannel c;
        if (!store.channel(args.first(), &c, &error))
            return fail(1, error.isEmpty() ? QStringLiteral("no channel named \"%1\"").arg(args.first()) : error);
        if (!store.removeChannel(c.id, &error))
            return fail(1, error);
    } else if (command == QLatin1String("test")) {
        return test(store, args.first());
    } else {
        bool ok = true;
        const int count = args.isEmpty() ? 20 : args.first().toInt(&ok);
        if (!ok || count < 1)
            return fail(2, QStringLiteral("log: COUNT is a number, 1 or more"));
        QList<DeliveryEntry> entries;
        if (!store.deliveries(count, &entries, &error))
            return fail(1, error);
        QTextStream out(stdout);
        for (const DeliveryEntry &e : std::as_const(entries)) {
            out << e.at.toString(Qt::ISODate) << '\t' << e.channel << '\t' << e.event << '\t' << e.outcome << '\t'
                << QString(e.detail).replace(QLatin1Char('\n'), QStringLiteral(" | ")) << '\n';
        }
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvant-alert"));
    Language::installOwnTextsForSystem(app);

    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        QTextStream(args.isEmpty() ? stderr : stdout) << Usage;
        return args.isEmpty() ? 2 : 0;
    }
    DatabaseConfig database;
    QString error;
    if (args.first() == QLatin1String("--db")) {
        if (args.size() < 2)
            return fail(2, QStringLiteral("--db: a FILE expected"));
        database = DatabaseConfig::sqliteFile(args.at(1));
        args = args.mid(2);
    } else if (!DatabaseConfig::load(Database::programDirectory(), &database, &error)) {
        return fail(1, error);
    }
    if (args.isEmpty())
        return fail(2, QStringLiteral("a COMMAND expected; see --help"));
    const QString command = args.takeFirst();
    if (command != QLatin1String("list") && command != QLatin1String("add") && command != QLatin1String("remove")
        && command != QLatin1String("test") && command != QLatin1String("log"))
        return fail(2, QStringLiteral("unknown command \"%1\"; see --help").arg(command));
    if ((command == QLatin1String("remove") || command == QLatin1String("test")) && args.size() != 1)
        return fail(2, QStringLiteral("%1: one NAME expected").arg(command));

    if (!Database::open(database, Database::Options{}, &error, QLatin1String(QSqlDatabase::defaultConnection), nullptr))
        return fail(1, error);
    const int status = run(QSqlDatabase::database(), command, args);
    Database::close();
    return status;
}
