#include "gui/gui_options.h"

#include <QCommandLineParser>
#include <algorithm>
#include <string_view>

#include "platform/product.h"
#include "transport/tcp_client.h"
#include "ui/app_strings.h"

namespace orvane::gui {

namespace {

// Latin-1 carries every byte of a file name through unchanged.
QString FromBytes(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text) {
    return text.toLatin1().toStdString();
}

}  // namespace

bool ParseGuiOptions(int argc, const char* const* argv, GuiOptions& options, std::string& error) {
    options = {};
    options.rest.emplace_back(argc > 0 ? argv[0] : "orvane2");
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption demo(QStringLiteral("demo"));
    const QCommandLineOption trace(QStringLiteral("trace"));
    const QCommandLineOption commsLog(QStringLiteral("comms-log"), {}, QStringLiteral("FILE"));
    QCommandLineParser parser;
    parser.addOptions({help, version, demo, trace, commsLog});

    // Ours are "-h" and those with two hyphens; Qt's own (-style, -platform)
    // and the shell's (-d1) have one and go on to them untouched.
    QStringList ours{FromBytes(options.rest.front())};
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg != "-h" && !arg.starts_with("--")) {
            options.rest.emplace_back(arg);
            continue;
        }
        ours << FromBytes(arg);
        if (commsLog.names().contains(FromBytes(arg.substr(2))) && i + 1 < argc)
            ours << FromBytes(argv[++i]);
    }
    // The argument that gave the option of this name: "--name" or "--name=value".
    auto given = [&](const QString& name) {
        auto arg = std::find_if(ours.begin() + 1, ours.end(), [&](const QString& a) {
            return a.section(QLatin1Char('='), 0, 0) == QLatin1String("--") + name;
        });
        return arg == ours.end() ? QString() : *arg;
    };
    const QString missingFile = QStringLiteral("--comms-log needs a file name");
    QString fault;
    if (parser.parse(ours)) {
        if (ours.contains(QLatin1String("--"))) fault = QStringLiteral("unknown option --");
    } else if (!parser.unknownOptionNames().isEmpty()) {
        fault = "unknown option " + given(parser.unknownOptionNames().front());
    } else if (ours.back() == QLatin1String("--comms-log")) {
        fault = missingFile;
    } else {  // a value given to a switch
        for (const QString& name : parser.optionNames()) {
            if (!commsLog.names().contains(name) && given(name).contains(QLatin1Char('='))) {
                fault = "unknown option " + given(name);
                break;
            }
        }
    }
    if (fault.isEmpty() && parser.values(commsLog).contains(QString())) fault = missingFile;
    if (!fault.isEmpty()) {
        error = ToBytes(fault);
        return false;
    }
    options.help = parser.isSet(help);
    options.version = parser.isSet(version);
    options.demo = parser.isSet(demo);
    options.trace = parser.isSet(trace);
    options.commsLog = ToBytes(parser.value(commsLog));
    return true;
}

std::string GuiUsage() {
    return "usage: orvane2 [OPTIONS]\n"
           "  --demo            start a simulated instrument inside the program (a "
           "pseudo-terminal,\n"
           "                    and TCP on 127.0.0.1 port " +
           std::to_string(transport::kInstrumentTcpPort) +
           " when that port is free) and choose it in the\n"
           "                    Connect dialog; the saved settings are left as they are\n"
           "  --trace           print the time-stamped trace lines on stderr (or ORVANE2_TRACE=1)\n"
           "  --comms-log FILE  write every command sent and every reply received to FILE;\n"
           "                    a regular file (or none yet) in a folder that exists\n"
           "  -d1               delete the debug file /tmp/orvane2.dbg at start-up\n"
           "  --version         print the version and exit\n"
           "  --help            print this help and exit\n";
}

std::string GuiVersion() {
    return std::string(platform::kProductName) + " " + platform::kVersionMajor + "." +
           platform::kVersionMinor + "." + platform::kVersionBuild + " (" + ui::kAppVersion + ")\n";
}

}  // namespace orvane::gui
