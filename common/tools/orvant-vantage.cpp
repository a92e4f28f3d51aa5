// orvant-vantage: the vantage points of a server database and the rule the
// outage log follows over them.
//
//   orvant-vantage [--config FILE] list
//   orvant-vantage [--config FILE] rule [all|any|K]
//
// `list` prints one line per vantage, tab-separated: its name, its last
// pass (local time, ISO 8601), live or stale (judged by the server's clock),
// its polling interval in seconds, its machine, and "writer" for the one
// that writes the log. `rule` prints the rule, or sets it. The database is
// the one the orvant.conf beside the program names, unless --config names
// another file; vantages exist only on a server. Exit 0 on success, 1 when
// the configuration or the database failed, 2 for a wrong command line.
#include "Database.h"
#include "Language.h"
#include "VantageRecords.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QTextStream>

namespace {

int fail(int status, const QString &message)
{
    QTextStream(stderr) << "orvant-vantage: " << message << '\n';
    return status;
}

int list(const QSqlDatabase &db)
{
    QList<VantageState> vantages;
    QString error;
    if (!VantageRecords::listVantages(db, &vantages, &error))
        return fail(1, error);
    QTextStream out(stdout);
    for (const VantageState &v : std::as_const(vantages)) {
        out << v.name << '\t' << QDateTime::fromSecsSinceEpoch(v.lastPass).toString(Qt::ISODate) << '\t'
            << (v.isLive() ? "live" : "stale") << '\t' << v.intervalSeconds << '\t' << v.host << '\t'
            << (v.writer ? "writer" : "") << '\n';
    }
    if (vantages.isEmpty())
        QTextStream(stderr) << QCoreApplication::translate("orvant-vantage",
                                                           "Наблюдательных пунктов в базе данных нет.")
                            << '\n';
    return 0;
}

int rule(const QSqlDatabase &db, const QString &text)
{
    QString error;
    if (text.isNull()) {
        VantageRule current;
        if (!VantageRecords::readRule(db, &current, &error))
            return fail(1, error);
        QTextStream(stdout) << current.text() << '\n';
        return 0;
    }
    const std::optional<VantageRule> wanted = VantageRule::fromText(text);
    if (!VantageRecords::writeRule(db, *wanted, &error))
        return fail(1, error);
    QTextStream(stdout) << wanted->text() << '\n';
    // A rule no present set of vantages can meet is allowed (more sites may
    // come), but the operator should know the log stays quiet meanwhile.
    QList<VantageState> vantages;
    if (wanted->kind() == VantageRule::Kind::AtLeast && VantageRecords::listVantages(db, &vantages, &error)) {
        const auto live =
            std::count_if(vantages.cbegin(), vantages.cend(), [](const VantageState &v) { return v.isLive(); });
        if (wanted->count() > live)
            QTextStream(stderr) << QCoreApplication::translate(
                                       "orvant-vantage",
                                       "Работающих наблюдательных пунктов сейчас %1: пока их меньше %2, журнал не "
                                       "отметит ни одного сбоя.")
                                       .arg(qint64(live))
                                       .arg(wanted->count())
                                << '\n';
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvant-vantage"));
    Language::installOwnTextsForSystem(app);
    Language::installQtTextsForSystem(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "orvant-vantage",
        "Наблюдательные пункты базы данных на сервере и правило, по которому журнал сбоев их слушает.\n"
        "  list         пункты: имя, последний проход, live или stale, интервал, машина, writer\n"
        "  rule [RULE]  показать или задать правило: all, any или число K"));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("config"),
                      QCoreApplication::translate(
                          "orvant-vantage",
                          "Файл orvant.conf, называющий базу данных (по умолчанию тот, что рядом с программой)."),
                      QStringLiteral("FILE")});
    parser.addPositionalArgument(QStringLiteral("COMMAND"),
                                 QCoreApplication::translate("orvant-vantage", "list или rule"),
                                 QStringLiteral("list | rule [all|any|K]"));
    if (!parser.parse(app.arguments()))
        return fail(2, parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return fail(2, QCoreApplication::translate("orvant-vantage", "нужна команда list или rule; см. --help"));
    const QString command = args.takeFirst();
    if (command == QLatin1String("list")) {
        if (!args.isEmpty())
            return fail(2, QCoreApplication::translate("orvant-vantage", "list: лишнее «%1»").arg(args.first()));
    } else if (command == QLatin1String("rule")) {
        if (args.size() > 1)
            return fail(2, QCoreApplication::translate("orvant-vantage", "rule: одно правило — all, any или число"));
        if (!args.isEmpty() && !VantageRule::fromText(args.first()))
            return fail(2, QCoreApplication::translate(
                               "orvant-vantage", "rule: «%1» — не правило; допустимы all, any или число от 1 до %2.")
                               .arg(args.first(), QString::number(VantageRule::MaxCount)));
    } else {
        return fail(2,
                    QCoreApplication::translate("orvant-vantage", "неизвестная команда «%1»; см. --help").arg(command));
    }

    DatabaseConfig config;
    QString error;
    const bool loaded = parser.isSet(QStringLiteral("config"))
                            ? DatabaseConfig::loadFile(parser.value(QStringLiteral("config")), &config, &error)
                            : DatabaseConfig::load(Database::programDirectory(), &config, &error);
    if (!loaded)
        return fail(1, error);
    if (!config.isServer())
        return fail(1, VantageRecords::onlyOnServerText(config.describe()));
    if (!Database::open(config, Database::Options{}, &error, QLatin1String(QSqlDatabase::defaultConnection), nullptr))
        return fail(1, error);
    const int status = command == QLatin1String("list") ? list(QSqlDatabase::database())
                                                        : rule(QSqlDatabase::database(), args.value(0));
    Database::close();
    return status;
}
