#pragma once

#include <QSortFilterProxyModel>
#include <QtQmlIntegration/qqmlintegration.h>

// The rows of a list that contain a text, in any case, or whose sentence
// kind is that text (GPRMC, PGRM, other).
class Rowfilter : public QSortFilterProxyModel
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    QML_ELEMENT

public:
    explicit Rowfilter(QObject *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);

signals:
    void textChanged();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QString m_text;
};
