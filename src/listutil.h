#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <QPointer>
#include <QtQmlIntegration/qqmlintegration.h>

#include <vector>

#include "rowfeed.h"

// The rows of a CustomListView: one text per row, role "text", appended with
// append({ text: ... }) and emptied with clear(), as a ListModel is used.
// A receiver list grows by every datagram, so the texts are kept compactly:
// their UTF-8 bytes one after the other in large blocks, each row's text
// followed by its kinds, where each of them starts, and a byte for its
// checksum verdict. A list given a feed takes its rows from it, a frame's rows
// at a time.
class Listutil : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(QObject *feed READ feed WRITE setFeed NOTIFY feedChanged)
    QML_ELEMENT

public:
    // verdict: 0 none, 1 right, 2 wrong, 3 no checksum, 4 not NMEA;
    // verdictText: the hover text, each line's verdict and TAG block;
    // kinds: the sentence kinds of its lines, blank-separated.
    enum Role { TextRole = Qt::UserRole + 1, VerdictRole, VerdictTextRole, KindsRole };

    explicit Listutil(QObject *parent = nullptr);

    int count() const;
    QString text(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = TextRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    Q_INVOKABLE void append(const QVariantMap &row);
    void appendText(const QString &text);
    void appendRows(const std::vector<FeedRow> &rows);
    Q_INVOKABLE void clear();

    QObject *feed() const { return m_feed; }
    void setFeed(QObject *feed);

signals:
    void countChanged();
    void feedChanged();

private:
    void store(const FeedRow &row);
    QString part(int row, int from) const;
    void dropOldestRows(int rows);

    QPointer<Rowfeed> m_feed;
    std::vector<NmeaVerdict> m_verdicts;

    // Rows lie one after the other in a run of positions that the blocks
    // cover in order; no row spans two blocks, so a block is never moved.
    std::vector<QByteArray> m_blocks;
    std::vector<qsizetype> m_blockStarts;
    std::vector<qsizetype> m_rowStarts;
    // Where each row's kinds begin, after its text.
    std::vector<qsizetype> m_kindsStarts;
    qsizetype m_end = 0;
};
