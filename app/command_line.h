#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What the program was started to do.
struct CommandLine {
    enum class Action {
        NewJob,   // no argument: a new job with the defaults
        Open,     // FILE: open the job
        Print,    // --print FILE or /p FILE: print it on the default printer and end
        PrintTo,  // --print-to PRINTER FILE or /pt PRINTER FILE: print it there and end
        Version,  // --version: print the version and end
        Help,     // --help: print the usage and end
        Invalid,  // anything else: print the usage and end with an error
    };
    Action action = Action::NewJob;
    QString file;
    QByteArray nativeFile;  // the file's name as the system gave it (need not be UTF-8)
    QString printer;
    QString error;  // for Invalid: what was wrong
};

// `arguments` without the program name.
CommandLine ParseCommandLine(const QStringList& arguments);
// The same for the arguments as the system gave them.
CommandLine ParseCommandLine(const QList<QByteArray>& arguments);

// The usage text for --help and for a wrong command line.
QString CommandLineUsage();
