#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <vector>

#include "linerecord.h"

// A list keeps the newest rows only (the capture file keeps them all); the
// oldest leave ten thousand at a time, so that a long session at a high rate
// neither runs out of memory nor moves rows for every new one.
constexpr int listRowsKept = 100000;
constexpr int listRowsDroppedAtOnce = 10000;

struct FeedRow
{
    QString text;
    NmeaVerdict verdict = NmeaVerdict::None;
    QString kinds;   // the kinds of its lines, blank-separated
};

// Carries the receiver's rows to its list, each with what its record says
// of it, and the rows wait for the next frame to reach the list in one
// batch. While paused they wait until resumed.
class Rowfeed : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool paused READ paused WRITE setPaused NOTIFY pausedChanged)
    Q_PROPERTY(int heldRows READ heldRows NOTIFY heldRowsChanged)
    Q_PROPERTY(int maxHeldRows READ maxHeldRowCount CONSTANT)

public:
    // Rows held beyond what a list can hold would be dropped from it anyway.
    static constexpr size_t maxHeldRows = listRowsKept + listRowsDroppedAtOnce;

    explicit Rowfeed(QObject *parent = nullptr);

    void add(const RowRecord &row);
    // A row the program writes itself: a notice, or a blank at a connection change.
    void addNotice(const QString &text);
    std::vector<FeedRow> take();
    Q_INVOKABLE void clear();

    bool paused() const { return m_paused; }
    void setPaused(bool paused);
    int heldRows() const { return m_held; }
    int maxHeldRowCount() const { return int(maxHeldRows); }

signals:
    void rowsReady();
    void pausedChanged();
    void heldRowsChanged();

private:
    void push(FeedRow row);
    void deliver();

    std::deque<FeedRow> m_rows;
    bool m_paused = false;
    int m_held = 0;
    QTimer m_frame;
};
