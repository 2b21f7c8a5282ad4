#include "statsmodel.h"

#include <QFile>
#include <QUrl>

#include <algorithm>

namespace {
QString csvField(const QString &field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) && !field.contains(QLatin1Char('\n')))
        return field;
    return QLatin1Char('"') + QString(field).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QVariantList toList(const QVector<double> &values)
{
    QVariantList list;
    list.reserve(values.size());
    for (double v : values)
        list.append(v);
    return list;
}
}

Statsmodel::Statsmodel(Nmeastats::Clock clock, QObject *parent)
    : QAbstractListModel(parent)
    , m_stats(std::move(clock))
{
    m_timer.setInterval(refreshMs);
    connect(&m_timer, &QTimer::timeout, this, &Statsmodel::refresh);
}

void Statsmodel::add(const NmeaCheck &check, const QString &host, qint64 bytes)
{
    m_stats.add(check.kind, check.verdict == NmeaVerdict::Wrong, host, bytes);
}

void Statsmodel::reset()
{
    m_stats.reset();
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

void Statsmodel::setSortRole(const QString &role)
{
    m_sortRole = role;
    emit sortChanged();
    refresh();
}

void Statsmodel::setSortDescending(bool descending)
{
    m_descending = descending;
    emit sortChanged();
    refresh();
}

void Statsmodel::setSelectedKind(const QString &kind)
{
    m_selectedKind = kind;
    refresh();
}

void Statsmodel::refresh()
{
    beginResetModel();
    m_rows = m_stats.rows();
    sortRows();
    endResetModel();
    m_total = m_stats.total();
    m_totalHistory = m_stats.history();
    m_selectedHistory = m_selectedKind.isEmpty() ? QVector<double>() : m_stats.history(m_selectedKind);
    emit refreshed();
}

void Statsmodel::sortRows()
{
    const int role = roleNames().key(m_sortRole.toUtf8(), KindRole);
    const auto less = [role](const Nmeastats::Row &a, const Nmeastats::Row &b) {
        switch (role) {
        case CountRole:
            return a.count < b.count;
        case RateRole:
            return a.rate < b.rate;
        case AgeRole:
            return a.sinceLastMs < b.sinceLastMs;
        case WrongRole:
            return a.wrong < b.wrong;
        case HostsRole:
            return a.hosts.join(QLatin1Char(' ')) < b.hosts.join(QLatin1Char(' '));
        case StaleRole:
            return a.stale < b.stale;
        default:
            return a.kind < b.kind;
        }
    };
    // Ties keep the order of their kinds, so rows do not jump between refreshes.
    std::sort(m_rows.begin(), m_rows.end(),
              [](const Nmeastats::Row &a, const Nmeastats::Row &b) { return a.kind < b.kind; });
    if (m_descending)
        std::stable_sort(m_rows.begin(), m_rows.end(), [&](const auto &a, const auto &b) { return less(b, a); });
    else
        std::stable_sort(m_rows.begin(), m_rows.end(), less);
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
    QString text = QStringLiteral("Kind,Count,Rate per second,Seconds since last,Wrong checksums,Hosts,Stale\n");
    for (const Nmeastats::Row &row : m_rows) {
        text += QStringList{csvField(row.kind), QString::number(row.count), QString::number(row.rate, 'f', 1),
                            QString::number(row.sinceLastMs / 1000.0, 'f', 1), QString::number(row.wrong),
                            csvField(row.hosts.join(QLatin1Char(' '))),
                            row.stale ? QStringLiteral("yes") : QStringLiteral("no")}
                    .join(QLatin1Char(','))
            + QLatin1Char('\n');
    }
    text += QStringLiteral("Total,%1,%2,,,,\n").arg(m_total.count).arg(m_total.rate, 0, 'f', 1);
    return text;
}

bool Statsmodel::saveCsv(const QUrl &file) const
{
    QFile out(file.isLocalFile() ? file.toLocalFile() : file.toString());
    return out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(csv().toUtf8()) >= 0;
}

int Statsmodel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant Statsmodel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const Nmeastats::Row &row = m_rows.at(index.row());
    switch (role) {
    case KindRole:
        return row.kind;
    case CountRole:
        return row.count;
    case RateRole:
        return row.rate;
    case AgeRole:
        return double(row.sinceLastMs) / 1000.0;
    case WrongRole:
        return row.wrong;
    case HostsRole:
        return row.hosts.join(QStringLiteral(", "));
    case StaleRole:
        return row.stale;
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> Statsmodel::roleNames() const
{
    return {{KindRole, "kind"}, {CountRole, "count"}, {RateRole, "rate"}, {AgeRole, "age"},
            {WrongRole, "wrong"}, {HostsRole, "hosts"}, {StaleRole, "stale"}};
}
