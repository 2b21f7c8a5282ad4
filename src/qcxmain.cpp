// qcx: the command line of Quaycast Tool. Each command is one row of the
// table below: its name, its help and options, and the function that runs it.

#include <QCoreApplication>
#include <QFile>
#include <QNetworkInterface>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "cliargs.h"
#include "iec450.h"
#include "ifaceselect.h"
#include "linewriter.h"
#include "logutil.h"
#include "qcxlisten.h"
#include "qcxreplay.h"
#include "qcxscan.h"
#include "qcxsend.h"
#include "signalpipe.h"

namespace {

enum Status { Done = 0, Failed = 1, Usage = 2 };

struct Command
{
    const char *name;
    const char *summary;
    const char *synopsis;
    const char *details;
    QList<OptionSpec> options;
    int (*run)(const ParsedArguments &arguments);
};

int runListen(const ParsedArguments &arguments);
int runSend(const ParsedArguments &arguments);
int runReplay(const ParsedArguments &arguments);
int runScan(const ParsedArguments &arguments);

const OptionSpec kIface{"--iface", true};
const OptionSpec kLog{"--log", false};
const OptionSpec kHelp{"--help", false};

const Command kCommands[] = {
    {"listen", "print and record what arrives on one or more groups",
     "qcx listen GROUP:PORT [GROUP:PORT ...] [--iface NAME] [--capture DIR] [--no-time] [--json]\n"
     "                      [--duration SEC] [--count N] [--timeout SEC]",
     "Joins every group on one interface and prints each line received, framed\n"
     "(IEC 61162-450) or not, as the window's capture file has it.\n\n"
     "  --capture DIR   also write capture files in DIR, as the window names them;\n"
     "                  a new one at local midnight and on SIGHUP\n"
     "  --no-time       no date and time before the lines (in the file too)\n"
     "  --json          one JSON object per line: time, host, group, port, line,\n"
     "                  kind, checksum and, with a TAG block, tag\n"
     "  --duration SEC  end after SEC seconds\n"
     "  --count N       end after N lines\n"
     "  --timeout SEC   fail with exit status 3 when nothing arrived within SEC seconds\n",
     {kIface, kLog, kHelp, {"--capture", true}, {"--no-time", false}, {"--json", false}, {"--duration", true},
      {"--count", true}, {"--timeout", true}},
     runListen},
    {"send", "send sentences to a group",
     "qcx send GROUP:PORT [--iface NAME] [--interval SEC] [--count N] [--iec450 ID] [--live-time]\n"
     "                    [SENTENCE ...]",
     "Sends the sentences given, else one sentence per line of standard input,\n"
     "each as one datagram, every interval, as the window's sender does.\n\n"
     "  --interval SEC  seconds between rounds, 0.1 to 60 (default 1)\n"
     "  --count N       send N rounds (default: until SIGINT or SIGTERM)\n"
     "  --iec450 ID     IEC 61162-450 framing with source identity ID (e.g. EI0001)\n"
     "  --live-time     the current UTC time in ZDA and RMC sentences\n",
     {kIface, kLog, kHelp, {"--interval", true}, {"--count", true}, {"--iec450", true}, {"--live-time", false}},
     runSend},
    {"replay", "send a capture or NMEA text file at its recorded pace",
     "qcx replay FILE GROUP:PORT [--iface NAME] [--speed 1|2|10|max] [--loop] [--iec450 ID]",
     "Sends the file's sentences as the window's replay does, then prints\n"
     "\"sent N, skipped N, seconds S\".\n\n"
     "  --speed S       1, 2, 10 times the recorded pace, or max (default 1)\n"
     "  --loop          start over at the end, until SIGINT or SIGTERM\n"
     "  --iec450 ID     IEC 61162-450 framing with source identity ID\n",
     {kIface, kLog, kHelp, {"--speed", true}, {"--loop", false}, {"--iec450", true}},
     runReplay},
    {"scan", "see which of many groups carry data, from whom, and what is lost",
     "qcx scan [GROUP:PORT ...] [--preset iec450|iec450-all] [--iface NAME] [--duration SEC] [--json]",
     "Joins the groups given and those of the preset (iec450 when neither is\n"
     "given) on one interface for SEC seconds, then prints the table of the\n"
     "window's Network Scan tab: per group its name, lines, rate, sources and\n"
     "state, below it per source (TAG identity s: and host) the sentence kinds,\n"
     "lost, duplicated and reordered lines, restarts, damaged TAG blocks and\n"
     "latency. SIGINT or SIGTERM ends it early with what was found.\n\n"
     "  --preset P      iec450: 239.192.0.1-16 on ports 60001-60016 (MISC, TGTD,\n"
     "                  SATD, NAVD, VDRD, RCOM, TIME, PROP, USR1-USR8);\n"
     "                  iec450-all: the 64 reserved groups 239.192.0.1-64\n"
     "  --duration SEC  how long to listen (default 10)\n"
     "  --json          one JSON document, as the window's Copy and Save give it\n",
     {kIface, kLog, kHelp, {"--preset", true}, {"--duration", true}, {"--json", false}},
     runScan},
};

const char *const kCommonOptions =
    "  --iface NAME    the interface to use (default: the first wired one, else the\n"
    "                  system's choice)\n"
    "  --log           write the window's daily application log\n"
    "  --help          this text\n";

const char *const kExitStatus =
    "Exit status: 0 done, 1 run-time failure, 2 usage error or invalid input,\n"
    "3 --timeout passed without data.\n";

void print(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

QString overview()
{
    QString text = QStringLiteral("Usage: qcx COMMAND [ARGUMENTS] [OPTIONS]\n"
                                  "       qcx --help | qcx COMMAND --help | qcx --version\n\n"
                                  "Quaycast Tool's receiver, sender, replay and network scan on the command line.\n\n"
                                  "Commands:\n");
    for (const Command &command : kCommands)
        text += QStringLiteral("  %1%2\n").arg(QLatin1String(command.name), -9).arg(QLatin1String(command.summary));
    return text + QStringLiteral("\nOptions of every command:\n") + QLatin1String(kCommonOptions)
        + QLatin1Char('\n') + QLatin1String(kExitStatus);
}

QString commandHelp(const Command &command)
{
    return QStringLiteral("Usage: %1\n\n%2%3\n%4")
        .arg(QLatin1String(command.synopsis), QLatin1String(command.details), QLatin1String(kCommonOptions),
             QLatin1String(kExitStatus));
}

const Command *currentCommand = nullptr;

int usageError(const QString &message)
{
    Linewriter::printError(message);
    print(stderr, currentCommand ? QStringLiteral("Try 'qcx %1 --help'.\n").arg(QLatin1String(currentCommand->name))
                                 : QStringLiteral("Try 'qcx --help'.\n"));
    return Usage;
}

// Without --log, Qt's messages (the workers' notes) go nowhere: standard
// output is for data, and what the user must know comes as an error.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        Linewriter::printError(text);
}

void startLog(const ParsedArguments &arguments)
{
    qInstallMessageHandler(quietMessages);
    if (!arguments.has("--log"))
        return;
    Logutil &log = Logutil::instance();
    log.setConsoleOutput(false);
    log.installMessageHandler();
    qInfo() << "qcx" << currentCommand->name << "started:" << QCoreApplication::arguments().mid(1);
}

// --iface: an interface of that name must exist; whether it can carry the
// groups shows when the socket is placed on it.
QString interfaceError(const ParsedArguments &arguments)
{
    const QString name = arguments.value("--iface");
    if (!arguments.has("--iface") || QNetworkInterface::interfaceFromName(name).isValid())
        return QString();
    return QStringLiteral("No Network Interface Named \"%1\"").arg(name);
}

QString identityOption(const ParsedArguments &arguments, QString &identity)
{
    if (!arguments.has("--iec450"))
        return QString();
    // As the window takes what was typed.
    identity = arguments.value("--iec450").trimmed().toUpper();
    return Iec450::identityError(identity);
}

// Runs the event loop until the command finishes or a signal ends it.
template<typename Worker>
int runLoop(Worker &worker)
{
    Signalpipe signalPipe;
    QObject::connect(&signalPipe, &Signalpipe::stopRequested, &worker, [&worker] { worker.stop(); });
    QObject::connect(&worker, &Worker::finished, QCoreApplication::instance(), &QCoreApplication::exit,
                     Qt::QueuedConnection);
    if constexpr (std::is_same_v<Worker, Qcxlisten>)
        QObject::connect(&signalPipe, &Signalpipe::reopenRequested, &worker, &Qcxlisten::reopenCapture);
    return QCoreApplication::exec();
}

int runListen(const ParsedArguments &arguments)
{
    ListenOptions options;
    if (arguments.positional.isEmpty())
        return usageError(QStringLiteral("listen needs at least one GROUP:PORT"));
    for (const QString &argument : arguments.positional) {
        GroupPort group;
        const QString error = parseGroupPort(argument, group);
        if (!error.isEmpty())
            return usageError(QStringLiteral("%1: %2").arg(error, argument));
        bool again = false;
        for (const GroupPort &known : qAsConst(options.groups))
            again = again || (known.group == group.group && known.port == group.port);
        if (!again)
            options.groups << group;
    }
    QString error = interfaceError(arguments);
    options.interfaceName = arguments.value("--iface");
    options.captureDirectory = arguments.value("--capture");
    if (error.isEmpty() && arguments.has("--capture") && options.captureDirectory.isEmpty())
        error = QStringLiteral("--capture needs a folder");
    options.stamp = !arguments.has("--no-time");
    options.json = arguments.has("--json");
    constexpr double kLongest = 10.0 * 365 * 24 * 3600;
    if (error.isEmpty() && arguments.has("--duration"))
        error = parseNumber(QStringLiteral("--duration"), arguments.value("--duration"), 0.001, kLongest,
                            options.durationSeconds);
    if (error.isEmpty() && arguments.has("--timeout"))
        error = parseNumber(QStringLiteral("--timeout"), arguments.value("--timeout"), 0.001, kLongest,
                            options.timeoutSeconds);
    if (error.isEmpty() && arguments.has("--count"))
        error = parseCount(QStringLiteral("--count"), arguments.value("--count"), options.count);
    if (!error.isEmpty())
        return usageError(error);

    startLog(arguments);
    Linewriter out(STDOUT_FILENO);
    Qcxlisten listen(options, &out);
    if (!listen.start())
        return Failed;
    return runLoop(listen);
}

int runSend(const ParsedArguments &arguments)
{
    SenderOptions sender;
    if (arguments.positional.isEmpty())
        return usageError(QStringLiteral("send needs a GROUP:PORT"));
    QString error = parseGroupPort(arguments.positional.first(), sender.target);
    if (!error.isEmpty())
        return usageError(QStringLiteral("%1: %2").arg(error, arguments.positional.first()));
    error = interfaceError(arguments);
    sender.interfaceName = arguments.value("--iface");
    if (error.isEmpty())
        error = identityOption(arguments, sender.identity);
    sender.liveTime = arguments.has("--live-time");
    double interval = 1;
    if (error.isEmpty() && arguments.has("--interval"))
        error = parseNumber(QStringLiteral("--interval"), arguments.value("--interval"), 0.1, 60, interval);
    qint64 rounds = 0;
    if (error.isEmpty() && arguments.has("--count"))
        error = parseCount(QStringLiteral("--count"), arguments.value("--count"), rounds);
    if (!error.isEmpty())
        return usageError(error);

    QStringList sentences = arguments.positional.mid(1);
    if (sentences.isEmpty()) {
        QFile input;
        if (!input.open(stdin, QIODevice::ReadOnly)) {
            Linewriter::printError(QStringLiteral("Cannot Read Standard Input"));
            return Failed;
        }
        QByteArray line;
        while (!(line = input.readLine()).isEmpty()) {
            while (line.endsWith('\n') || line.endsWith('\r'))
                line.chop(1);
            if (!line.trimmed().isEmpty())
                sentences << inputText(line);
        }
        if (sentences.isEmpty())
            return usageError(QStringLiteral("no sentence to send: none given and none on standard input"));
    }
    for (const QString &sentence : qAsConst(sentences)) {
        error = sentenceError(sentence, !sender.identity.isEmpty());
        if (!error.isEmpty())
            return usageError(QStringLiteral("%1: %2").arg(error, sentence));
    }

    startLog(arguments);
    Qcxsend send(sender, sentences, interval * 10, rounds);
    if (!send.start())
        return Failed;
    return runLoop(send);
}

int runReplay(const ParsedArguments &arguments)
{
    SenderOptions sender;
    if (arguments.positional.size() != 2)
        return usageError(QStringLiteral("replay needs a FILE and a GROUP:PORT"));
    QString error = parseGroupPort(arguments.positional.at(1), sender.target);
    if (!error.isEmpty())
        return usageError(QStringLiteral("%1: %2").arg(error, arguments.positional.at(1)));
    error = interfaceError(arguments);
    sender.interfaceName = arguments.value("--iface");
    if (error.isEmpty())
        error = identityOption(arguments, sender.identity);
    const int speed = arguments.has("--speed") ? replaySpeed(arguments.value("--speed")) : 1;
    if (error.isEmpty() && speed < 0)
        error = QStringLiteral("--speed needs 1, 2, 10 or max, not \"%1\"").arg(arguments.value("--speed"));
    if (!error.isEmpty())
        return usageError(error);

    startLog(arguments);
    Linewriter out(STDOUT_FILENO);
    Qcxreplay replay(sender, arguments.positional.at(0), speed, arguments.has("--loop"), &out);
    if (!replay.start())
        return replay.status();
    return runLoop(replay);
}

int runScan(const ParsedArguments &arguments)
{
    ScanOptions options;
    if (arguments.has("--preset")) {
        // By the ids only; the window's labels are the tab's.
        const QString preset = arguments.value("--preset");
        for (const ScanPreset &known : scanPresets()) {
            if (preset == QLatin1String(known.id))
                options.targets = presetTargets(preset);
        }
        if (options.targets.isEmpty())
            return usageError(QStringLiteral("--preset needs iec450 or iec450-all, not \"%1\"").arg(preset));
    } else if (arguments.positional.isEmpty()) {
        options.targets = presetTargets(QStringLiteral("iec450"));
    }
    for (const QString &argument : arguments.positional) {
        ScanTarget target;
        const QString error = parseScanEntry(argument, target);
        if (!error.isEmpty())
            return usageError(QStringLiteral("%1: %2").arg(error, argument));
        if (!options.targets.contains(target))
            options.targets << target;
    }
    QString error = interfaceError(arguments);
    options.interfaceName = arguments.value("--iface");
    options.json = arguments.has("--json");
    // A timer's longest wait, some 24 days.
    if (error.isEmpty() && arguments.has("--duration"))
        error = parseNumber(QStringLiteral("--duration"), arguments.value("--duration"), 0.1, 2000000,
                            options.durationSeconds);
    if (!error.isEmpty())
        return usageError(error);

    startLog(arguments);
    Linewriter out(STDOUT_FILENO);
    Qcxscan scan(options, &out);
    if (!scan.start())
        return Failed;
    return runLoop(scan);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The window's names: --log writes where the window's log is.
    QCoreApplication::setOrganizationName(QStringLiteral("vestranautic"));
    QCoreApplication::setApplicationName(QStringLiteral("QuaycastTool"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QCX_VERSION));
    // A closed pipe is a write error to handle, not a reason to die.
    std::signal(SIGPIPE, SIG_IGN);

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << inputText(argv[i]);
    if (arguments.isEmpty()) {
        print(stderr, overview());
        return Usage;
    }
    const QString first = arguments.first();
    if (first == QLatin1String("--help")) {
        print(stdout, overview());
        return Done;
    }
    if (first == QLatin1String("--version")) {
        print(stdout, QStringLiteral("qcx %1\n").arg(QCoreApplication::applicationVersion()));
        return Done;
    }
    for (const Command &command : kCommands) {
        if (first != QLatin1String(command.name))
            continue;
        currentCommand = &command;
        ParsedArguments parsed;
        const QString error = parseArguments(arguments.mid(1), command.options, parsed);
        if (parsed.has("--help") || (!error.isEmpty() && arguments.contains(QStringLiteral("--help")))) {
            print(stdout, commandHelp(command));
            return Done;
        }
        if (!error.isEmpty())
            return usageError(error);
        return command.run(parsed);
    }
    return usageError(QStringLiteral("unknown command \"%1\"").arg(first));
}
