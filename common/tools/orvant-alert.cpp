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
// password or a token is never taken from the command line, where every user
// of the machine could read it, nor kept in the database, which the group
// that writes the outage log shares: the channel names the file that holds
// it (only its owner may read that file), and one given on standard input
// ("-") is written to such a file in this user's configuration folder.
// Exit 0 on success (test: delivered), 1 when the database or the delivery
// failed, 2 for a wrong command line.
#include "AlertStore.h"
#include "AlertText.h"
#include "Database.h"
#include "Dispatcher.h"
#include "Language.h"
#include "SecretFile.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QLibraryInfo>
#include <QLocale>
#include <QTextStream>
#include <QTranslator>

using namespace alerts;

namespace {

// The tool's own texts, Russian in the source like the programs'.
struct Text
{
    Q_DECLARE_TR_FUNCTIONS(orvant_alert)
};

int fail(int status, const QString &message)
{
    QTextStream(stderr) << "orvant-alert: " << message << '\n';
    return status;
}

QString usage()
{
    return Text::tr("использование: orvant-alert [--db ФАЙЛ] КОМАНДА ...\n"
                    "  list\n"
                    "  add ИМЯ [--events СОБЫТИЯ] [--reminder МИНУТЫ] --command ПРОГРАММА [АРГУМЕНТ...]\n"
                    "  add ИМЯ [...] --webhook URL [--format ФОРМА] [--chat-id ID] [--ca-file ФАЙЛ]\n"
                    "                [--token-file ФАЙЛ]\n"
                    "  add ИМЯ [...] --email АДРЕС --smtp URL [--user ПОЛЬЗОВАТЕЛЬ --password-file ФАЙЛ]\n"
                    "                [--from АДРЕС] [--ca-file ФАЙЛ]\n"
                    "  remove ИМЯ\n"
                    "  test ИМЯ       (код 0 — доставлено, 1 — нет)\n"
                    "  log [ЧИСЛО]    (сначала новые доставки)\n"
                    "СОБЫТИЯ: down,up,reminder через запятую; ФОРМА: json, slack, telegram или ntfy.\n"
                    "Пароль или ключ читается из файла, доступного только владельцу; канал хранит путь к файлу.\n"
                    "С ФАЙЛОМ «-» он читается со стандартного ввода и записывается в такой файл в папке настроек "
                    "пользователя.\n");
}

// A secret from standard input: its first line.
bool readStandardInput(QString *secret, QString *error)
{
    QFile file;
    if (!file.open(stdin, QIODevice::ReadOnly)) {
        *error = Text::tr("не удалось прочитать стандартный ввод: %1").arg(file.errorString());
        return false;
    }
    QString text = QString::fromUtf8(file.readLine(64 * 1024));
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    if (text.isEmpty()) {
        *error = Text::tr("на стандартном вводе нет пароля или ключа");
        return false;
    }
    *secret = text;
    return true;
}

int add(AlertStore &store, const QStringList &args)
{
    if (args.isEmpty())
        return fail(2, Text::tr("add: нужно ИМЯ канала"));
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
                return fail(2, Text::tr("--command: нужна ПРОГРАММА"));
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
                return fail(2, Text::tr("--format: одно из json, slack, telegram, ntfy"));
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
                    return fail(2, Text::tr("--events: «%1» — не down, не up и не reminder").arg(e));
            }
        } else if (a == QLatin1String("--reminder") && value(&v)) {
            bool ok = false;
            c.reminderMinutes = v.toInt(&ok);
            if (!ok || c.reminderMinutes < 1)
                return fail(2, Text::tr("--reminder: число минут, не меньше 1"));
            c.wantsReminders = true;
        } else if (a == QLatin1String("--password") || a == QLatin1String("--token")) {
            return fail(2, Text::tr("%1: пароль или ключ не принимается в командной строке (его видят все "
                                  "пользователи компьютера); укажите %1-file ФАЙЛ или %1-file - для стандартного ввода")
                               .arg(a));
        } else {
            return fail(2, Text::tr("add: непонятный аргумент «%1»; см. --help").arg(a));
        }
    }
    if (!kindSet)
        return fail(2, Text::tr("add: нужен --command, --webhook или --email"));
    if (c.kind == ChannelKind::Email && !c.setting("user").isEmpty() && secretFile.isEmpty())
        return fail(2, Text::tr("--user требует --password-file ФАЙЛ (или - для стандартного ввода)"));
    if (secretFile == QLatin1String("-")) {
        // Written to a file of this user's by the store (SecretFile::write).
        if (!readStandardInput(&c.secret, &error))
            return fail(1, error);
    } else if (!secretFile.isEmpty()) {
        // The channel names the file; it is read at every delivery, so a
        // password changed there needs no new channel.
        c.settings.insert(QLatin1String(SecretFile::SettingKey), QFileInfo(secretFile).absoluteFilePath());
    }
    if (!c.isComplete(&error))
        return fail(2, error);
    if (!c.setting(SecretFile::SettingKey).isEmpty() && !SecretFile::read(c.setting(SecretFile::SettingKey), nullptr, &error))
        return fail(1, error);
    AlertChannel existing;
    if (store.channel(c.name, &existing, &error))
        return fail(1, Text::tr("канал «%1» уже есть; сначала удалите его").arg(c.name));
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
        return fail(1, error.isEmpty() ? Text::tr("канала «%1» нет").arg(name) : error);
    Dispatcher dispatcher;
    DeliveryOutcome result;
    QEventLoop loop;
    dispatcher.deliver(c, testMessage(QDateTime::currentDateTime()), [&](DeliveryOutcome outcome) {
        result = outcome;
        loop.quit();
    });
    loop.exec();
    const QString outcome = result.delivered ? QStringLiteral("test delivered") : QStringLiteral("test failed");
    store.log({QDateTime::currentDateTime(), c.name, eventName(Event::Down), outcome, result.detail}, &error);
    if (!result.delivered)
        return fail(1, QStringLiteral("%1: %2: %3").arg(c.name, AlertText::outcomeText(outcome), result.detail));
    QTextStream(stdout) << c.name << ": " << AlertText::outcomeText(outcome) << " (" << result.detail << ")\n";
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
        if (channels.isEmpty()) {
            // Said on stderr, so that a script reading the list reads none.
            QTextStream(stderr) << Text::tr("каналов оповещений нет; добавьте канал: orvant-alert add ИМЯ ... (см. --help)")
                                << '\n';
            return 0;
        }
        QTextStream out(stdout);
        for (const AlertChannel &c : std::as_const(channels)) {
            out << c.name << '\t' << kindName(c.kind) << '\t' << c.eventsText();
            if (c.wantsReminders)
                out << ' ' << Text::tr("(каждые %1 мин)").arg(c.reminderMinutes);
            out << '\t' << c.summary() << '\n';
        }
    } else if (command == QLatin1String("add")) {
        return add(store, args);
    } else if (command == QLatin1String("remove")) {
        AlertChannel c;
        if (!store.channel(args.first(), &c, &error))
            return fail(1, error.isEmpty() ? Text::tr("канала «%1» нет").arg(args.first()) : error);
        if (!store.removeChannel(c.id, &error))
            return fail(1, error);
    } else if (command == QLatin1String("test")) {
        return test(store, args.first());
    } else {
        bool ok = true;
        const int count = args.isEmpty() ? 20 : args.first().toInt(&ok);
        if (!ok || count < 1)
            return fail(2, Text::tr("log: ЧИСЛО — целое, не меньше 1"));
        QList<DeliveryEntry> entries;
        if (!store.deliveries(count, &entries, &error))
            return fail(1, error);
        QTextStream out(stdout);
        for (const DeliveryEntry &e : std::as_const(entries)) {
            out << e.at.toString(Qt::ISODate) << '\t' << e.channel << '\t' << AlertText::eventText(e.event) << '\t'
                << AlertText::outcomeText(e.outcome) << '\t'
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
    // Qt's own words in a delivery's outcome (a network error, a refused
    // certificate) in Russian too, as the programs have them.
    if (Language::forSystem() != Language::Choice::English) {
        auto *qtTexts = new QTranslator(&app);
        if (qtTexts->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qtTexts);
    }

    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        QTextStream(args.isEmpty() ? stderr : stdout) << usage();
        return args.isEmpty() ? 2 : 0;
    }
    DatabaseConfig database;
    QString error;
    if (args.first() == QLatin1String("--db")) {
        if (args.size() < 2)
            return fail(2, Text::tr("--db: нужен ФАЙЛ"));
        database = DatabaseConfig::sqliteFile(args.at(1));
        args = args.mid(2);
    } else if (!DatabaseConfig::load(Database::programDirectory(), &database, &error)) {
        return fail(1, error);
    }
    if (args.isEmpty())
        return fail(2, Text::tr("нужна КОМАНДА; см. --help"));
    const QString command = args.takeFirst();
    if (command != QLatin1String("list") && command != QLatin1String("add") && command != QLatin1String("remove")
        && command != QLatin1String("test") && command != QLatin1String("log"))
        return fail(2, Text::tr("неизвестная команда «%1»; см. --help").arg(command));
    if ((command == QLatin1String("remove") || command == QLatin1String("test")) && args.size() != 1)
        return fail(2, Text::tr("%1: нужно одно ИМЯ").arg(command));

    if (!Database::open(database, Database::Options{}, &error, QLatin1String(QSqlDatabase::defaultConnection), nullptr))
        return fail(1, error);
    const int status = run(QSqlDatabase::database(), command, args);
    Database::close();
    return status;
}
