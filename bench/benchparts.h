#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What every part of the benchmark needs to start its peers and children.
struct BenchSetup
{
    QString self;                 // this program, started again for each role
    QString blaster;              // the peer program, bench/blaster.cpp
    QString qcx;                  // the command line program, measured as a receiver
    QString hostB;                // the peer host of the harness
    QString addressA;             // this host's eth0
    QString addressB;             // the peer host's eth0
    QString group;                // the multicast group every part uses
    quint16 port = 0;
    QStringList childEnvironment; // offscreen, and HOME and the config folder in a temporary folder
    bool quick = false;           // shorter runs, to try the benchmark out
    QList<int> rates;             // receive rates; empty for all
    QStringList receivers;        // bare, core, app, qcx, qcx-json; empty for all
    bool framed = false;          // receive: IEC 61162-450 datagrams with TAG blocks
};

// Orchestrators: each prints its section of the report and returns false
// when it could not measure.
bool runReceiveBench(const BenchSetup &setup);
bool runRowsBench(const BenchSetup &setup);
bool runTransmitBench(const BenchSetup &setup);
bool runStartupBench(const BenchSetup &setup);
bool runScanBench(const BenchSetup &setup);

// Child roles, started by the orchestrators as "qcx_bench --role NAME ARGS".
int runBareReceiverRole(const QStringList &args);
int runCoreReceiverRole(const QStringList &args);
int runAppReceiverRole(const QStringList &args);
int runScanReceiverRole(const QStringList &args);
int runSenderRole(const QStringList &args, bool wholeProgram);
int runStartupRole(int argc, char **argv);
