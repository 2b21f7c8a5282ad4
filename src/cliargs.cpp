#include "cliargs.h"

#include "iec450.h"
#include "linerecord.h"
#include "validateutil.h"

#include <QStringDecoder>

#include <cmath>

QString inputText(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

QString parseArguments(const QStringList &arguments, const QList<OptionSpec> &options, ParsedArguments &out)
{
    out = ParsedArguments();
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(QLatin1String("--"))) {
            out.positional << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const QString name = argument.section(QLatin1Char('='), 0, 0);
        const OptionSpec *spec = nullptr;
        for (const OptionSpec &option : options) {
            if (name == QLatin1String(option.name))
                spec = &option;
        }
        if (!spec)
            return QStringLiteral("unknown option %1").arg(name);
        const bool inlineValue = argument.contains(QLatin1Char('='));
        if (!spec->takesValue) {
            if (inlineValue)
                return QStringLiteral("%1 takes no value").arg(name);
            out.options.insert(name, QString());
        } else if (inlineValue) {
            out.options.insert(name, argument.section(QLatin1Char('='), 1));
        } else if (i + 1 < arguments.size()) {
            out.options.insert(name, arguments.at(++i));
        } else {
            return QStringLiteral("%1 needs a value").arg(name);
        }
    }
    return QString();
}

QString parseGroupPort(const QString &argument, GroupPort &out)
{
    const qsizetype colon = argument.lastIndexOf(QLatin1Char(':'));
    const QString group = colon < 0 ? argument : argument.left(colon);
    const QString port = colon < 0 ? QString() : argument.mid(colon + 1);
    const SocketDetailsVerdict verdict = socketDetailsVerdict(group, port);
    if (!verdict.valid)
        return verdict.message;
    out.group = group.trimmed();
    out.port = quint16(port.toUInt());
    return QString();
}

QString parseNumber(const QString &option, const QString &text, double low, double high, double &out)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (ok && std::isfinite(value) && value >= low && value <= high) {
        out = value;
        return QString();
    }
    return QStringLiteral("%1 needs a number from %2 to %3, not \"%4\"")
        .arg(option, QString::number(low), QString::number(high), text);
}

QString parseCount(const QString &option, const QString &text, qint64 &out)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (ok && value >= 1) {
        out = value;
        return QString();
    }
    return QStringLiteral("%1 needs a whole number of at least 1, not \"%2\"").arg(option, text);
}

int replaySpeed(const QString &text)
{
    if (text == QLatin1String("max"))
        return 0;
    if (text == QLatin1String("1") || text == QLatin1String("2") || text == QLatin1String("10"))
        return text.toInt();
    return -1;
}

QString sentenceError(const QString &sentence, bool framed)
{
    // The window's message; a sentence too long for a datagram would be
    // refused by the socket anyway, after the others were sent.
    const qsizetype framing = framed ? Iec450::sentenceDatagram("", QStringLiteral("XX0000"), 999).size() : 0;
    if (!isNmeaSentence(sentence) || sentence.toLatin1().size() + framing > kMaxDatagramBytes)
        return customNmeaMessage(false);
    return QString();
}
