#include "app/command_line.h"

#include <QFile>

namespace {

bool Is(const QString& argument, const char* longForm, const char* shortForm) {
    return argument == QLatin1String(longForm) ||
           argument.compare(QLatin1String(shortForm), Qt::CaseInsensitive) == 0;
}

CommandLine Invalid(const QString& error) {
    CommandLine line;
    line.action = CommandLine::Action::Invalid;
    line.error = error;
    return line;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine line;
    if (arguments.isEmpty()) return line;
    const QString& first = arguments.at(0);
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        line.action = CommandLine::Action::Help;
        return line;
    }
    if (first == QLatin1String("--version")) {
        line.action = CommandLine::Action::Version;
        return line;
    }
    if (Is(first, "--print", "/p")) {
        if (arguments.size() != 2) return Invalid(QStringLiteral("--print needs one job file"));
        line.action = CommandLine::Action::Print;
        line.file = arguments.at(1);
        line.nativeFile = QFile::encodeName(line.file);
        return line;
    }
    if (Is(first, "--print-to", "/pt")) {
        if (arguments.size() != 3) {
            return Invalid(QStringLiteral("--print-to needs a printer name and one job file"));
        }
        line.action = CommandLine::Action::PrintTo;
        line.printer = arguments.at(1);
        line.file = arguments.at(2);
        line.nativeFile = QFile::encodeName(line.file);
        return line;
    }
    // "--" ends the options, so that a job file may start with a dash.
    qsizetype index = 0;
    if (first == QLatin1String("--")) index = 1;
    if (index < arguments.size() && index + 1 == arguments.size()) {
        const QString& file = arguments.at(index);
        if (index == 0 && file.startsWith(QLatin1Char('-')) && file.size() > 1) {
            return Invalid(QStringLiteral("unknown option %1").arg(file));
        }
        line.action = CommandLine::Action::Open;
        line.file = file;
        line.nativeFile = QFile::encodeName(file);
        return line;
    }
    if (index == arguments.size()) return line;
    return Invalid(QStringLiteral("one job file at most"));
}

CommandLine ParseCommandLine(const QList<QByteArray>& arguments) {
    QStringList text;
    for (const QByteArray& argument : arguments) text.append(QFile::decodeName(argument));
    CommandLine line = ParseCommandLine(text);
    // The file is always the last argument; its bytes are kept, not their lossy text.
    if (!line.file.isEmpty()) line.nativeFile = arguments.constLast();
    return line;
}

QString CommandLineUsage() {
    return QStringLiteral(
        "usage: caelvane [FILE.cvj | FILE.csv]\n"
        "       caelvane FILE.json                     (a file of horoscopes)\n"
        "       caelvane --print FILE.cvj              (also /p FILE.cvj)\n"
        "       caelvane --print-to PRINTER FILE.cvj   (also /pt PRINTER FILE.cvj)\n"
        "       caelvane --version | --help\n"
        "\n"
        "Without a file, starts with a new job. With a file, opens it (in the running\n"
        "program when there is one): a job file (.cvj), or a file of price bars ending in .csv\n"
        "as a price chart with planetary price lines. The bars: a header naming Date [Time]\n"
        "Open High Low Close [Volume] in any case and order (or Date and Price), commas,\n"
        "semicolons or tabs, dates YYYY-MM-DD, MM/DD/YYYY or DD.MM.YYYY. A .json file of\n"
        "horoscopes opens in a horoscope window. --print prints every page of the job on the\n"
        "default printer, --print-to on the named printer, and ends.\n"
        "\n"
        "Dates in the new windows are proleptic Gregorian; the classic pages name days before\n"
        "1582-10-15 in the Julian calendar, as historians do.\n");
}
