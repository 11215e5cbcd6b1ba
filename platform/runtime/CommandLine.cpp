#include "platform/runtime/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <cstdio>

#include "platform/runtime/AppInfo.h"
#include "platform/runtime/Notice.h"

namespace platform {

namespace {

// The toolkit's own options (QGuiApplication's, QApplication's and the X11 platform's). They
// are taken off the command line by the toolkit, not by the program; here they are only let
// through, so that they are not mistaken for unknown ones.
const char* const kToolkitOptionsWithValue[] = {
    "platform",
    "platformpluginpath",
    "platformtheme",
    "plugin",
    "qwindowgeometry",
    "qwindowicon",
    "qwindowtitle",
    "session",
    "display",
    "geometry",
    "title",
    "icon",
    "name",
    "visual",
    "style",
    "stylesheet",
    "qmljsdebugger",
    "fontengine",
};
const char* const kToolkitFlags[] = {
    "reverse", "widgetcount", "sync", "nograb", "dograb", "testability",
};

QString Version() {
    return QStringLiteral("%1 %2.%3.%4")
        .arg(QString::fromStdString(App::Title()))
        .arg(App::Major())
        .arg(App::Minor())
        .arg(App::Revision());
}

}  // namespace

CommandLine ReadCommandLine(const std::vector<std::string>& arguments) {
    QCommandLineParser parser;
    // As the toolkit reads them: -display is --display, not -d -i -s ...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "Opens every picture put on the clipboard in a window of its own, to crop it and\n"
        "save it as a BMP file. Started again on the same display, it brings the running\n"
        "one to the front.\n\n"
        "The toolkit's own options (-platform, -display, -style, ...) work as in any Qt\n"
        "program."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and ends."));
    const QCommandLineOption version(
        {QStringLiteral("v"), QStringLiteral("version")},
        QStringLiteral("Shows the program's name and version and ends."));
    parser.addOption(help);
    parser.addOption(version);
    for (const char* name : kToolkitOptionsWithValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : kToolkitFlags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    QStringList list;
    for (const std::string& argument : arguments) {
        list.append(QString::fromLocal8Bit(argument.c_str()));
    }
    const bool parsed = parser.parse(list);
    // The toolkit names the program by its path, or not at all before the application object
    // exists; the usage names it as it is typed.
    const QString helpText = QStringLiteral("Usage: vornal3 [options]\n") +
                             parser.helpText().section(QLatin1Char('\n'), 1);

    CommandLine result;
    // Asked for help or the version, the user gets it, whatever else the line holds.
    if (parser.isSet(help)) {
        result.outcome = CommandLine::Outcome::Help;
        result.text = helpText.toStdString();
    } else if (parser.isSet(version)) {
        result.outcome = CommandLine::Outcome::Version;
        result.text = Version().toStdString() + "\n";
    } else if (!parsed || !parser.positionalArguments().isEmpty()) {
        const QString error = !parsed ? parser.errorText()
                                      : QStringLiteral("Unexpected argument '%1'.")
                                            .arg(parser.positionalArguments().constFirst());
        result.outcome = CommandLine::Outcome::Misuse;
        result.text = (error + "\n\n" + helpText).toStdString();
    } else {
        result.display = parser.value(QStringLiteral("display")).toStdString();
    }
    return result;
}

int AnswerCommandLine(const CommandLine& commandLine) {
    switch (commandLine.outcome) {
        case CommandLine::Outcome::Run:
            return -1;
        case CommandLine::Outcome::Help:
        case CommandLine::Outcome::Version:
            std::fputs(commandLine.text.c_str(), stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        case CommandLine::Outcome::Misuse: {
            // The usage follows the error, as one notice.
            std::string_view text = commandLine.text;
            while (!text.empty() && text.back() == '\n') {
                text.remove_suffix(1);
            }
            Notice(text);
            return 2;
        }
    }
    return -1;
}

}  // namespace platform
