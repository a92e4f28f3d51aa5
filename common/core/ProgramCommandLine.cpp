#include "ProgramCommandLine.h"

#include "Language.h"
#include "OrvantVersion.h"

#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QTextStream>
#include <QTranslator>

#include <cstring>

namespace {

bool asksForInformation(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (std::strcmp(a, "--") == 0)
            return false;
        for (const char *option : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
            if (std::strcmp(a, option) == 0)
                return true;
        }
    }
    return false;
}

} // namespace

QString ProgramCommandLine::commandName() const
{
    switch (m_program) {
    case Program::Monitor:
        return QStringLiteral("orvant");
    case Program::Admin:
        return QStringLiteral("orvant-admin");
    case Program::Grapher:
        return QStringLiteral("orvant-grapher");
    }
    return {};
}

void ProgramCommandLine::define(QCommandLineParser &parser) const
{
    switch (m_program) {
    case Program::Monitor:
        parser.setApplicationDescription(
            tr("Orvant — монитор доступности узлов: опрашивает адреса из базы данных, записывает сбои связи и "
               "оповещает о них. Без аргументов запускается как обычно."));
        break;
    case Program::Admin:
        parser.setApplicationDescription(
            tr("Orvant Admin — адресная книга, настройки монитора, журнал сбоев и каналы оповещений. Без "
               "аргументов запускается как обычно."));
        break;
    case Program::Grapher:
        parser.setApplicationDescription(
            tr("Orvant Grapher — в какое время суток узел чаще теряет связь. Без аргументов запускается как обычно."));
        parser.addOption({QStringLiteral("latency"),
                          tr("Открыть график времени ответа и потерь вместо распределения сбоев по времени суток.")});
        break;
    }
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")}, tr("Показать эту справку.")});
    parser.addOption({QStringLiteral("help-all"), tr("Показать эту справку.")});
    parser.addOption({{QStringLiteral("v"), QStringLiteral("version")}, tr("Показать версию программы.")});
}

int ProgramCommandLine::answerBeforeStart(int argc, char **argv) const
{
    if (!asksForInformation(argc, argv))
        return -1;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(commandName());
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVANT_VERSION));
    const Language::Choice language = Language::forSystem();
    Language::installOwnTexts(app, language, Language::translationDirectories());
    if (language != Language::Choice::English) {
        // Qt's own words of the help ("Usage:", "Options:") in Russian too,
        // when its translation is there; English otherwise, said by nobody.
        auto *qtTexts = new QTranslator(&app);
        if (qtTexts->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qtTexts);
    }
    QCommandLineParser parser;
    define(parser);
    if (!parser.parse(QCoreApplication::arguments())) {
        QTextStream(stderr) << commandName() << ": " << parser.errorText() << '\n';
        return 2;
    }
    QTextStream out(stdout);
    if (parser.isSet(QStringLiteral("version")) && !parser.isSet(QStringLiteral("help"))
        && !parser.isSet(QStringLiteral("help-all")))
        out << commandName() << ' ' << QCoreApplication::applicationVersion() << '\n';
    else
        out << parser.helpText();
    return 0;
}

int ProgramCommandLine::check(const QStringList &arguments)
{
    QCommandLineParser parser;
    define(parser);
    if (!parser.parse(arguments)) {
        QTextStream(stderr) << commandName() << ": " << parser.errorText() << '\n'
                            << tr("Справка: %1 --help").arg(commandName()) << '\n';
        return 2;
    }
    if (!parser.positionalArguments().isEmpty()) {
        QTextStream(stderr) << commandName() << ": "
                            << tr("лишний аргумент «%1»").arg(parser.positionalArguments().first()) << '\n'
                            << tr("Справка: %1 --help").arg(commandName()) << '\n';
        return 2;
    }
    m_latency = m_program == Program::Grapher && parser.isSet(QStringLiteral("latency"));
    return -1;
}
