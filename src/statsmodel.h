#pragma once

#include <QAbstractListModel>
#include <QTimer>
#include <QVariantList>

#include "nmeacheck.h"
#include "nmeastats.h"

// The statistics window's table: one row per sentence kind, sorted by a
// column, and the total. Sentences are counted as they come; what is shown
// is refreshed at most twice a second, and only while someone looks.
class Statsmodel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(bool active READ active WRITE setActive NOTIFY activeChanged)
    Q_PROPERTY(QString sortRole READ sortRole WRITE setSortRole NOTIFY sortChanged)
    Q_PROPERTY(bool sortDescending READ sortDescending WRITE setSortDescending NOTIFY sortChanged)
    Q_PROPERTY(QString selectedKind READ selectedKind WRITE setSelectedKind NOTIFY refreshed)
    Q_PROPERTY(qint64 totalCount READ totalCount NOTIFY refreshed)
    Q_PROPERTY(double totalRate READ totalRate NOTIFY refreshed)
    Q_PROPERTY(double totalBytesPerSecond READ totalBytesPerSecond NOTIFY refreshed)
    Q_PROPERTY(QVariantList totalHistory READ totalHistory NOTIFY refreshed)
    Q_PROPERTY(QVariantList selectedHistory READ selectedHistory NOTIFY refreshed)

public:
    enum Role { KindRole = Qt::UserRole + 1, CountRole, RateRole, AgeRole, WrongRole, HostsRole, StaleRole };
    static constexpr int refreshMs = 500;

    explicit Statsmodel(Nmeastats::Clock clock = {}, QObject *parent = nullptr);

    void add(const NmeaCheck &check, const QString &host, qint64 bytes);
    Q_INVOKABLE void reset();
    Q_INVOKABLE void refresh();
    Q_INVOKABLE QString csv() const;
    Q_INVOKABLE bool saveCsv(const QUrl &file) const;

    bool active() const { return m_active; }
    void setActive(bool active);
    QString sortRole() const { return m_sortRole; }
    void setSortRole(const QString &role);
    bool sortDescending() const { return m_descending; }
    void setSortDescending(bool descending);
    QString selectedKind() const { return m_selectedKind; }
    void setSelectedKind(const QString &kind);
    qint64 totalCount() const { return m_total.count; }
    double totalRate() const { return m_total.rate; }
    double totalBytesPerSecond() const { return m_total.bytesPerSecond; }
    QVariantList totalHistory() const;
    QVariantList selectedHistory() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void activeChanged();
    void sortChanged();
    void refreshed();

private:
    void sortRows();

    Nmeastats m_stats;
    QVector<Nmeastats::Row> m_rows;
    Nmeastats::Total m_total;
    QVector<double> m_totalHistory;
    QVector<double> m_selectedHistory;
    QString m_sortRole = QStringLiteral("kind");
    QString m_selectedKind;
    bool m_descending = false;
    bool m_active = false;
    QTimer m_timer;
};
