#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Collects the program's Qt log messages while it is alive, so a test can
// check the texts and their order without reading the log file.
class LogCapture
{
public:
    struct Entry {
        QtMsgType type;
        QString text;
    };

    LogCapture()
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&LogCapture::handler);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList texts() const
    {
        QStringList out;
        for (const Entry &e : m_entries)
            out << e.text;
        return out;
    }
    const QList<Entry> &entries() const { return m_entries; }
    void clear() { m_entries.clear(); }

private:
    static void handler(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        if (s_current)
            s_current->m_entries.append({type, text});
    }

    inline static LogCapture *s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
    QList<Entry> m_entries;
};
