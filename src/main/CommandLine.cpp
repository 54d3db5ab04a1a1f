#include "main/CommandLine.h"

#include "main/Version.h"

namespace vz::mainwin {

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine line;
    qsizetype next = 0;
    if (!arguments.isEmpty() && arguments.front().left(30).toUpper() == QStringLiteral("/BROWSE")) {
        line.browseOnly = true;
        next = 1;
    }
    bool onlyFiles = false;  // after "--", every argument is a file name, even "-x"
    for (qsizetype i = next; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (!onlyFiles && a == QStringLiteral("--")) {
            onlyFiles = true;
        } else if (!onlyFiles && (a == QStringLiteral("--help") || a == QStringLiteral("-h"))) {
            line.help = true;
        } else if (!onlyFiles && a == QStringLiteral("--version")) {
            line.version = true;
        } else if (!onlyFiles && a.startsWith('-') && a.size() > 1) {
            line.error = QStringLiteral("Unknown option \"%1\".").arg(a);
        } else if (line.database.isEmpty()) {
            line.database = a;
        } else {
            line.error = QStringLiteral("Only one collection can be named on the command line.");
        }
    }
    return line;
}

QString commandLineUsage() {
    return QStringLiteral(
               "Usage: vazovi [/BROWSE] [FILE.DBF]\n"
               "%1, a database for stamp collectors.\n"
               "\n"
               "  FILE.DBF     open this collection instead of the one used last\n"
               "  /BROWSE      browse-only mode: records can be looked at but not changed\n"
               "  --help       show this text\n"
               "  --version    show the version\n"
               "\n"
               "Without FILE.DBF the program opens the collection used last, or MASTER.DBF in its "
               "program\n"
               "folder (~/.local/share/kestrelhouse for an installed program).\n")
        .arg(QLatin1String(kProgramName));
}

QString versionLine(const QString& programName) {
    return QStringLiteral("%1 (%2) %3")
        .arg(programName, QLatin1String(kProgramName), QLatin1String(kProgramVersion));
}

}  // namespace vz::mainwin
