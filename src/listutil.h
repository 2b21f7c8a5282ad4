#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <QtQmlIntegration/qqmlintegration.h>

#include <vector>

// The rows of a CustomListView: one text per row, role "text", appended with
// append({ text: ... }) and emptied with clear(), as a ListModel is used.
// A receiver list grows by every datagram, so the texts are kept compactly:
// their UTF-8 bytes one after the other in large blocks, and where each row
// starts. An 80-character sentence takes 88 bytes.
class Listutil : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    QML_ELEMENT

public:
    enum Role { TextRole = Qt::UserRole + 1 };

    explicit Listutil(QObject *parent = nullptr);

    int count() const;
    QString text(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = TextRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    Q_INVOKABLE void append(const QVariantMap &row);
    void appendText(const QString &text);
    Q_INVOKABLE void clear();

signals:
    void countChanged();

private:
    void dropOldestRows(int rows);

    // Rows lie one after the other in a run of positions that the blocks
    // cover in order; no row spans two blocks, so a block is never moved.
    std::vector<QByteArray> m_blocks;
    std::vector<qsizetype> m_blockStarts;
    std::vector<qsizetype> m_rowStarts;
    qsizetype m_end = 0;
};
