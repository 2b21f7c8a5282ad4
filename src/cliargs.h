#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// The rules of qcx's command line, apart from sockets and files so that they
// can be tried on their own.

struct OptionSpec
{
    const char *name; // with its dashes, "--count"
    bool takesValue;
};

struct ParsedArguments
{
    QStringList positional;
    QMap<QString, QString> options; // a flag's value is empty

    bool has(const char *name) const { return options.contains(QLatin1String(name)); }
    QString value(const char *name) const { return options.value(QLatin1String(name)); }
};

// An argument's or an input line's bytes as text: UTF-8 where they are,
// else Latin-1, so that a byte the sender is to put on the wire stays that byte.
QString inputText(QByteArrayView bytes);

// Splits a command's arguments into positional ones and the options it
// knows ("--name value" or "--name=value"; "--" ends the options). Empty
// when they parse, else what is wrong.
QString parseArguments(const QStringList &arguments, const QList<OptionSpec> &options, ParsedArguments &out);

struct GroupPort
{
    QString group;
    quint16 port = 0;
};
// "GROUP:PORT" with the window's rules for both; empty when valid, else the
// window's message.
QString parseGroupPort(const QString &argument, GroupPort &out);

// A number within [low, high] (seconds, a count); empty when it is one, else
// what is needed.
QString parseNumber(const QString &option, const QString &text, double low, double high, double &out);
// A whole number of at least 1.
QString parseCount(const QString &option, const QString &text, qint64 &out);

// The replay speeds: 1, 2, 10, or 0 for "max"; -1 for anything else.
int replaySpeed(const QString &text);

// A sentence the sender may send: the window's syntax check, and room for it
// in a datagram with its framing; empty when it may, else the window's message.
QString sentenceError(const QString &sentence, bool framed);
