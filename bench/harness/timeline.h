#pragma once

#include <QString>
#include <QStringList>

#include "logcapture.h"

// Merges log lines and the events a test notes (usually signal emissions)
// into one list in the order they happened.
class Timeline
{
public:
    explicit Timeline(const LogCapture &log)
        : m_log(log)
        , m_seen(log.entries().size())
    {
    }

    void note(const QString &event)
    {
        catchUp();
        m_events << event;
    }

    QStringList events()
    {
        catchUp();
        return m_events;
    }

private:
    void catchUp()
    {
        const QList<LogCapture::Entry> &entries = m_log.entries();
        for (; m_seen < entries.size(); ++m_seen) {
            const LogCapture::Entry &entry = entries.at(m_seen);
            const char *level = entry.type == QtInfoMsg ? "info: "
                : entry.type == QtWarningMsg            ? "warning: "
                                                        : "other: ";
            m_events << QLatin1String(level) + entry.text;
        }
    }

    const LogCapture &m_log;
    qsizetype m_seen;
    QStringList m_events;
};
