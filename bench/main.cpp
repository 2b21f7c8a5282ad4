// Performance benchmarks of Quaycast Tool; see bench/README.md.
//
//   qcx_bench [--quick] [--framed] [--rates=R,...] [--receivers=bare,core,app,qcx,qcx-json]
//             [receive] [rows] [transmit] [startup] [scan]
//
// Runs the named parts (all when none is named) in host H of a lab it builds
// (tests/netlab.h) and prints a Markdown report. The receivers and senders
// under test run as child processes of this program in H
// ("qcx_bench --role NAME ..."), the peer (bench/peer.cpp) in P0.

#include <QGuiApplication>
#include <QProcessEnvironment>
#include <QQmlExtensionPlugin>
#include <QSysInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <thread>

#include "benchparts.h"

Q_IMPORT_QML_PLUGIN(QuaycastPlugin)

namespace {

QString cpuModel()
{
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    // Files in /proc have no size, so they are read whole rather than by line.
    const QByteArray text = cpuinfo.open(QIODevice::ReadOnly) ? cpuinfo.readAll() : QByteArray();
    const qsizetype at = text.indexOf("model name");
    return at < 0 ? QStringLiteral("unknown") : QString::fromLatin1(text.mid(text.indexOf(':', at) + 1).split('\n').first().trimmed());
}

int runRole(int argc, char **argv)
{
    const QString role = QString::fromLocal8Bit(argv[2]);
    QStringList args;
    for (int i = 3; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    const QString refusal = netnsRefusal();
    if (!refusal.isEmpty()) {
        std::fprintf(stderr, "qcx_bench: %s\n", qPrintable(refusal));
        return 2;
    }

    if (role == QLatin1String("startup"))
        return runStartupRole(argc, argv); // makes its application object itself, as main() does
    const bool core = role == QLatin1String("core") || role == QLatin1String("sender-core");
    const std::unique_ptr<QCoreApplication> app(core ? new QCoreApplication(argc, argv) : new QGuiApplication(argc, argv));
    if (role == QLatin1String("core") || role == QLatin1String("app"))
        return core ? runCoreReceiverRole(args) : runAppReceiverRole(args);
    if (role.startsWith(QLatin1String("sender-")))
        return runSenderRole(args, !core);
    if (role == QLatin1String("scan"))
        return runScanReceiverRole(args);
    std::fprintf(stderr, "qcx_bench: unknown role %s\n", argv[2]);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && qstrcmp(argv[1], "--role") == 0)
        return runRole(argc, argv);

    QCoreApplication app(argc, argv);
    const Bench::BenchLab lab;
    const QString refusal = lab.refusal();
    if (!refusal.isEmpty()) {
        std::fprintf(stderr, "qcx_bench: %s\n", qPrintable(refusal));
        return 2;
    }

    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    BenchSetup setup;
    setup.self = app.applicationFilePath();
    setup.qcx = QStringLiteral(QCX_CLI);
    setup.childEnvironment = environment.toStringList();

    QStringList parts;
    for (const QString &arg : app.arguments().mid(1)) {
        if (arg == QLatin1String("--quick")) {
            setup.quick = true;
        } else if (arg == QLatin1String("--framed")) {
            setup.framed = true;
        } else if (arg.startsWith(QLatin1String("--rates="))) {
            for (const QString &rate : arg.mid(8).split(QLatin1Char(',')))
                setup.rates << rate.toInt();
        } else if (arg.startsWith(QLatin1String("--receivers="))) {
            setup.receivers = arg.mid(12).split(QLatin1Char(','));
        } else
            parts << arg;
    }
    if (parts.isEmpty())
        parts = QStringList{QStringLiteral("receive"), QStringLiteral("rows"), QStringLiteral("transmit"),
                            QStringLiteral("startup"), QStringLiteral("scan")};

    std::printf("# Quaycast Tool benchmark\n\n");
    std::printf("Machine: %u logical CPUs (std::thread::hardware_concurrency), %s; %s; Qt %s\n\n",
                std::thread::hardware_concurrency(), qPrintable(cpuModel()),
                qPrintable(QSysInfo::prettyProductName() + QStringLiteral(", kernel ") + QSysInfo::kernelVersion()),
                qVersion());
    if (setup.quick)
        std::printf("**Quick run: shortened durations, figures are not comparable.**\n\n");
    std::fflush(stdout);

    const QMap<QString, bool (*)(const BenchSetup &)> benches{
        {QStringLiteral("receive"), runReceiveBench}, {QStringLiteral("rows"), runRowsBench},
        {QStringLiteral("transmit"), runTransmitBench}, {QStringLiteral("startup"), runStartupBench},
        {QStringLiteral("scan"), runScanBench}};
    bool ok = true;
    for (const QString &part : parts) {
        const auto bench = benches.value(part);
        if (!bench)
            std::fprintf(stderr, "qcx_bench: unknown part %s\n", qPrintable(part));
        ok = bench && bench(setup) && ok;
        std::fflush(stdout);
    }
    return ok ? 0 : 1;
}
