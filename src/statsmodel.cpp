#include "statsmodel.h"

#include <QUrl>

#include "textfile.h"

namespace {
QVariantList toList(const QVector<double> &values)
{
    QVariantList list;
    list.reserve(values.size());
    for (double v : values)
        list.append(v);
    return list;
}

QString latencyText(const Sourcestats::Source &s)
{
    if (s.latencyMaxMs < 0)
        return QString();
    return QStringLiteral("%1 / %2 ms").arg(s.latencyMedianMs).arg(s.latencyMaxMs);
}
}

Statsmodel::Statsmodel(Nmeastats::Clock clock, QObject *parent)
    : Celltable({QStringLiteral("Sentence"), QStringLiteral("Count"), QStringLiteral("Rate/s"),
                 QStringLiteral("Last seen"), QStringLiteral("Wrong"), QStringLiteral("Hosts"), QStringLiteral("State")},
                parent)
    , m_stats(clock)
    , m_sourceStats(clock)
    , m_sources({QStringLiteral("Source"), QStringLiteral("Host"), QStringLiteral("Sentences"), QStringLiteral("Lost"),
                 QStringLiteral("Duplicated"), QStringLiteral("Reordered"), QStringLiteral("Restarts"),
                 QStringLiteral("Damaged TAG"), QStringLiteral("Incomplete groups"),
                 QStringLiteral("Latency median / max")})
{
    m_timer.setInterval(refreshMs);
    connect(&m_timer, &QTimer::timeout, this, &Statsmodel::refresh);
}

void Statsmodel::add(const DatagramRecord &datagram)
{
    m_stats.addBytes(datagram.bytes);
    for (const RowRecord &row : datagram.rows) {
        for (const LineRecord &line : row.lines)
            m_stats.add(line.check.kind, line.check.verdict == NmeaVerdict::Wrong, datagram.host);
    }
    m_sourceStats.add(datagram);
}

void Statsmodel::reset()
{
    m_stats.reset();
    m_sourceStats.reset();
    refresh();
}

void Statsmodel::setActive(bool active)
{
    m_active = active;
    if (active) {
        refresh();
        m_timer.start();
    } else {
        m_timer.stop();
    }
    emit activeChanged();
}

void Statsmodel::setSelectedKind(const QString &kind)
{
    m_selectedKind = kind;
    refresh();
}

void Statsmodel::refresh()
{
    QVector<Row> kinds;
    for (const Nmeastats::Row &k : m_stats.rows()) {
        const QString hosts = k.hosts.join(QStringLiteral(", "));
        kinds.append({k.kind,
                      {k.kind, k.count, k.rate, k.sinceLastMs, k.wrong, hosts, k.stale},
                      {k.kind, QString::number(k.count), QString::number(k.rate, 'f', 1),
                       QString::number(k.sinceLastMs / 1000.0, 'f', 1) + QStringLiteral(" s"), QString::number(k.wrong),
                       hosts, k.stale ? QStringLiteral("\u26a0 stale") : QStringLiteral("active")},
                      k.stale});
    }
    update(kinds);

    QVector<Row> sources;
    for (const Sourcestats::Source &s : m_sourceStats.sources()) {
        const QString identity = s.identity.isEmpty() ? QStringLiteral("(no TAG)") : s.identity;
        sources.append({s.identity + QLatin1Char('\n') + s.host,
                        {identity, s.host, s.lines, s.lost, s.duplicated, s.reordered, s.restarts, s.damaged,
                         s.groupsIncomplete, s.latencyMedianMs},
                        {identity, s.host, QString::number(s.lines), QString::number(s.lost),
                         QString::number(s.duplicated), QString::number(s.reordered), QString::number(s.restarts),
                         QString::number(s.damaged), QString::number(s.groupsIncomplete), latencyText(s)},
                        s.stale});
    }
    m_sources.update(sources);
    m_sourcesSummary = m_sourceStats.summary();

    m_total = m_stats.total();
    m_totalHistory = m_stats.history();
    m_selectedHistory = m_selectedKind.isEmpty() ? QVector<double>() : m_stats.history(m_selectedKind);
    emit refreshed();
}

QVariantList Statsmodel::totalHistory() const
{
    return toList(m_totalHistory);
}

QVariantList Statsmodel::selectedHistory() const
{
    return toList(m_selectedHistory);
}

QString Statsmodel::csv() const
{
    // The kinds as they have always been written, then the sources.
    QString text = QStringLiteral("Kind,Count,Rate per second,Seconds since last,Wrong checksums,Hosts,Stale\n");
    for (int row = 0; row < rowCount(); ++row) {
        QStringList fields;
        for (int column = 0; column < columnCount(); ++column) {
            const QVariant value = index(row, column).data(SortRole);
            switch (column) {
            case 2:
                fields << QString::number(value.toDouble(), 'f', 1);
                break;
            case 3:
                fields << QString::number(value.toLongLong() / 1000.0, 'f', 1);
                break;
            case 6:
                fields << (value.toBool() ? QStringLiteral("yes") : QStringLiteral("no"));
                break;
            default:
                fields << csvField(value.toString());
            }
        }
        text += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    text += QStringLiteral("Total,%1,%2,,,,\n").arg(m_total.count).arg(m_total.rate, 0, 'f', 1);
    return text + QLatin1Char('\n') + m_sources.csv();
}

QString Statsmodel::saveCsv(const QUrl &file) const
{
    return writeTextFile(file.isLocalFile() ? file.toLocalFile() : file.toString(), csv().toUtf8());
}
