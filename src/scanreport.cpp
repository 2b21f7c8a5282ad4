#include "scanreport.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

// Rows stay in the order of the scan list, each group's sources below it in
// the order they were first heard.
constexpr qint64 kOrderStep = Sourcestats::maxSources + 2;

QString identityText(const Sourcestats::Source &s)
{
    return s.identity.isEmpty() ? QStringLiteral("(no TAG)") : s.identity;
}

QString clockText(qint64 utcMs)
{
    return QDateTime::fromMSecsSinceEpoch(utcMs).toString(QStringLiteral("HH:mm:ss"));
}

QString staleText(qint64 sinceMs)
{
    return QStringLiteral("\u26a0 stale ") + clockText(sinceMs);
}

QString sinceText(qint64 ms)
{
    return ms < 0 ? QStringLiteral("never") : QString::number(ms / 1000.0, 'f', 1) + QStringLiteral(" s");
}

QString kindsText(const QMap<QString, qint64> &kinds)
{
    QStringList parts;
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it)
        parts << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
    return parts.join(QStringLiteral(", "));
}

double rounded(double rate)
{
    return std::round(rate * 10.0) / 10.0;
}

} // namespace

QString scanStateText(ScanReport::State state)
{
    switch (state) {
    case ScanReport::State::Silent:
        return QStringLiteral("silent");
    case ScanReport::State::Active:
        return QStringLiteral("active");
    case ScanReport::State::Stale:
        return QStringLiteral("stale");
    }
    return QString();
}

QByteArray scanJson(const ScanReport &report)
{
    QJsonArray groups;
    for (const ScanReport::Group &g : report.groups) {
        QJsonArray sources;
        for (const ScanReport::Source &source : g.sources) {
            const Sourcestats::Source &s = source.counts;
            QJsonObject kinds;
            for (auto it = s.kinds.cbegin(); it != s.kinds.cend(); ++it)
                kinds.insert(it.key(), it.value());
            sources.append(QJsonObject{
                {QStringLiteral("host"), s.host},
                {QStringLiteral("s"), s.identity},
                {QStringLiteral("lines"), s.lines},
                {QStringLiteral("lost"), s.lost},
                {QStringLiteral("duplicated"), s.duplicated},
                {QStringLiteral("reordered"), s.reordered},
                {QStringLiteral("restarts"), s.restarts},
                {QStringLiteral("damaged"), s.damaged},
                {QStringLiteral("latency_ms"),
                 s.latencyMaxMs < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(s.latencyMedianMs)},
                {QStringLiteral("kinds"), kinds},
            });
        }
        groups.append(QJsonObject{
            {QStringLiteral("group"), g.target.group},
            {QStringLiteral("port"), int(g.target.port)},
            {QStringLiteral("name"), g.target.name},
            {QStringLiteral("lines"), g.lines},
            {QStringLiteral("rate"), rounded(g.rate)},
            {QStringLiteral("sources"), sources},
        });
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("groups"), groups}}).toJson(QJsonDocument::Indented);
}

QStringList scanCaptions()
{
    return {QStringLiteral("Group / Source"), QStringLiteral("Address / Host"), QStringLiteral("Lines"),
            QStringLiteral("Rate/s"), QStringLiteral("Last seen"), QStringLiteral("Sources / Kinds"),
            QStringLiteral("Lost / Dup / Reord / Restarts"), QStringLiteral("Damaged TAG"),
            QStringLiteral("Latency median / max"), QStringLiteral("State"), QStringLiteral("Note")};
}

QVector<Celltable::Row> scanRows(const ScanReport &report)
{
    QVector<Celltable::Row> rows;
    for (qsizetype i = 0; i < report.groups.size(); ++i) {
        const ScanReport::Group &g = report.groups.at(i);
        const QString groupKey = g.target.address();
        const bool groupStale = g.state == ScanReport::State::Stale;
        const QString state = groupStale ? staleText(g.staleSinceMs) : scanStateText(g.state);
        const QVariant order = qint64(i) * kOrderStep;
        Celltable::Row groupRow{groupKey,
                                QVariantList(scanCaptions().size(), order),
                                {g.target.name.isEmpty() ? g.target.group : g.target.name, g.target.address(),
                                 QString::number(g.lines), QString::number(g.rate, 'f', 1),
                                 sinceText(g.sinceLastMs), QString::number(g.sources.size()), QString(), QString(),
                                 QString(), state, QString()},
                                groupStale};
        groupRow.level = 0;
        rows.append(groupRow);
        for (qsizetype j = 0; j < g.sources.size(); ++j) {
            const ScanReport::Source &source = g.sources.at(j);
            const Sourcestats::Source &s = source.counts;
            const QString latency = s.latencyMaxMs < 0
                ? QString()
                : QStringLiteral("%1 / %2 ms").arg(s.latencyMedianMs).arg(s.latencyMaxMs);
            Celltable::Row sourceRow{groupKey + QLatin1Char('\n') + s.identity + QLatin1Char('\n') + s.host,
                                     QVariantList(scanCaptions().size(), qint64(i) * kOrderStep + j + 1),
                                     {QStringLiteral("  ") + identityText(s), s.host, QString::number(s.lines),
                                      QString::number(s.rate, 'f', 1), sinceText(s.sinceLastMs), kindsText(s.kinds),
                                      QStringLiteral("%1 / %2 / %3 / %4")
                                          .arg(s.lost)
                                          .arg(s.duplicated)
                                          .arg(s.reordered)
                                          .arg(s.restarts),
                                      QString::number(s.damaged), latency,
                                      s.stale ? staleText(source.staleSinceMs) : QStringLiteral("active"),
                                      source.notes.join(QStringLiteral(", "))},
                                     s.stale};
            sourceRow.level = 1;
            rows.append(sourceRow);
        }
    }
    return rows;
}

QString scanTable(const ScanReport &report)
{
    const QStringList captions = scanCaptions();
    QVector<QStringList> lines{captions};
    for (const Celltable::Row &row : scanRows(report))
        lines.append(row.texts);
    QVector<qsizetype> widths(captions.size(), 0);
    for (const QStringList &line : lines) {
        for (qsizetype c = 0; c < line.size(); ++c)
            widths[c] = std::max(widths[c], line.at(c).size());
    }
    QString text;
    for (const QStringList &line : lines) {
        QString out;
        for (qsizetype c = 0; c < line.size(); ++c)
            out += c + 1 < line.size() ? line.at(c).leftJustified(widths[c] + 2) : line.at(c);
        while (out.endsWith(QLatin1Char(' ')))
            out.chop(1);
        text += out + QLatin1Char('\n');
    }
    return text;
}

QStringList scanAlarms(const ScanReport &report)
{
    QStringList alarms;
    for (const ScanReport::Group &g : report.groups) {
        const QString name = g.target.name.isEmpty() ? g.target.address() : g.target.name;
        if (g.state == ScanReport::State::Stale)
            alarms << QStringLiteral("%1 (%2) stale since %3").arg(name, g.target.address(), clockText(g.staleSinceMs));
        for (const ScanReport::Source &source : g.sources) {
            if (source.counts.stale)
                alarms << QStringLiteral("%1 %2 from %3 stale since %4")
                              .arg(name, identityText(source.counts), source.counts.host,
                                   clockText(source.staleSinceMs));
        }
    }
    return alarms;
}
