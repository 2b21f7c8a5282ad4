#pragma once

#include <QTimer>
#include <QVariantList>

#include "celltable.h"
#include "linerecord.h"
#include "nmeastats.h"
#include "sourcestats.h"

// The statistics window's tables: one row per sentence kind (this model)
// and one per source (sources), and the total. Lines are counted as they
// come; what is shown is refreshed at most twice a second, and only while
// someone looks.
class Statsmodel : public Celltable
{
    Q_OBJECT
    Q_PROPERTY(bool active READ active WRITE setActive NOTIFY activeChanged)
    Q_PROPERTY(QString selectedKind READ selectedKind WRITE setSelectedKind NOTIFY refreshed)
    Q_PROPERTY(qint64 totalCount READ totalCount NOTIFY refreshed)
    Q_PROPERTY(double totalRate READ totalRate NOTIFY refreshed)
    Q_PROPERTY(double totalBytesPerSecond READ totalBytesPerSecond NOTIFY refreshed)
    Q_PROPERTY(QVariantList totalHistory READ totalHistory NOTIFY refreshed)
    Q_PROPERTY(QVariantList selectedHistory READ selectedHistory NOTIFY refreshed)
    Q_PROPERTY(QObject *sources READ sources CONSTANT)
    Q_PROPERTY(QString sourcesSummary READ sourcesSummary NOTIFY refreshed)

public:
    static constexpr int refreshMs = 500;

    explicit Statsmodel(Nmeastats::Clock clock = {}, QObject *parent = nullptr);

    void add(const DatagramRecord &datagram);
    Q_INVOKABLE void reset();
    Q_INVOKABLE void refresh();
    // Both tables, one after the other.
    Q_INVOKABLE QString csv() const;
    // Empty when saved, else the file and the reason.
    Q_INVOKABLE QString saveCsv(const QUrl &file) const;

    bool active() const { return m_active; }
    void setActive(bool active);
    QString selectedKind() const { return m_selectedKind; }
    void setSelectedKind(const QString &kind);
    qint64 totalCount() const { return m_total.count; }
    double totalRate() const { return m_total.rate; }
    double totalBytesPerSecond() const { return m_total.bytesPerSecond; }
    QVariantList totalHistory() const;
    QVariantList selectedHistory() const;
    Celltable *sources() { return &m_sources; }
    QString sourcesSummary() const { return m_sourcesSummary; }

signals:
    void activeChanged();
    void refreshed();

private:
    Nmeastats m_stats;
    Sourcestats m_sourceStats;
    Celltable m_sources;
    Nmeastats::Total m_total;
    QVector<double> m_totalHistory;
    QVector<double> m_selectedHistory;
    QString m_selectedKind;
    QString m_sourcesSummary;
    bool m_active = false;
    QTimer m_timer;
};
