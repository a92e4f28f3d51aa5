// Makes ping_addr.mdb from the schema template, only where none exists yet.
// The build runs it for build/bin and the installation for its prefix: an
// existing database is the operator's history and is left byte for byte alone.
#include "Language.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Database errors reach the operator in the desktop's language.
    Language::installOwnTextsForSystem(app);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() != 2) {
        err << "usage: orvant-mkdb PATH/ping_addr.mdb\n";
        return 2;
    }
    const QString path = args.at(1);
    if (QFileInfo::exists(path)) {
        QTextStream(stdout) << "kept existing database " << QFileInfo(path).absoluteFilePath() << '\n';
        return 0;
    }
    QString error;
    if (!Schema::createDatabaseFile(path, &error)) {
        err << error << '\n';
        return 1;
    }
    QTextStream(stdout) << "created database " << QFileInfo(path).absoluteFilePath() << '\n';
    return 0;
}
