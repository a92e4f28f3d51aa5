#pragma once

#include <QCoreApplication>
#include <QStringList>

class QCommandLineParser;

// The command line of the programs with windows: the monitor, admin and the
// grapher. --help and --version print and end before anything else starts
// (no display, no database, no second instance check); an argument the
// program does not know is refused with a word on stderr; with none, the
// program starts exactly as it always has.
class ProgramCommandLine
{
    Q_DECLARE_TR_FUNCTIONS(ProgramCommandLine)

public:
    enum class Program { Monitor, Admin, Grapher };

    explicit ProgramCommandLine(Program program) : m_program(program) {}

    // First thing in main(), before the application object: for --help or
    // --version, answers on an application object of its own (in the
    // desktop's language) and returns the exit status; otherwise -1, and
    // nothing was made.
    int answerBeforeStart(int argc, char **argv) const;

    // Once the application object exists (it has taken Qt's own options
    // such as -platform): -1 when every argument is known, else the exit
    // status after the reason was said.
    int check(const QStringList &arguments);

    // The grapher's --latency.
    bool latency() const { return m_latency; }

    // The command the program is installed as ("orvant", "orvant-admin",
    // "orvant-grapher"): named in help and --version.
    QString commandName() const;

private:
    void define(QCommandLineParser &parser) const;

    Program m_program;
    bool m_latency = false;
};
