#include "livetime.h"

#include "nmeacheck.h"

#include <QStringList>

namespace {

bool allDigits(QStringView text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return !text.isEmpty();
}

QString padded(int value, qsizetype width)
{
    return QStringLiteral("%1").arg(value, int(width), 10, QLatin1Char('0')).right(width);
}

// hhmmss with as many decimals of the second as the field had; the
// decimals are cut, not rounded, so the time never runs ahead of the clock.
void setTime(QString &field, const QTime &time)
{
    const qsizetype dot = field.indexOf(QLatin1Char('.'));
    const QStringView whole = QStringView(field).left(dot < 0 ? field.size() : dot);
    const QStringView fraction = dot < 0 ? QStringView() : QStringView(field).mid(dot + 1);
    if (whole.size() != 6 || !allDigits(whole) || (dot >= 0 && !fraction.isEmpty() && !allDigits(fraction)))
        return;
    QString text = time.toString(QStringLiteral("hhmmss"));
    if (dot >= 0) {
        const QString millis = padded(time.msec(), 3) + QString(qMax<qsizetype>(0, fraction.size() - 3), QLatin1Char('0'));
        text += QLatin1Char('.') + millis.left(fraction.size());
    }
    field = text;
}

void setNumber(QString &field, int value)
{
    if (allDigits(field))
        field = padded(value, field.size());
}

} // namespace

QString nmeaChecksum(QStringView body)
{
    return QStringLiteral("%1").arg(xorChecksum(body), 2, 16, QLatin1Char('0')).toUpper();
}

QString liveTimeSentence(const QString &sentence, const QDateTime &utc)
{
    // A trailing line end is kept as it came.
    qsizetype length = sentence.size();
    while (length > 0 && (sentence.at(length - 1) == QLatin1Char('\r') || sentence.at(length - 1) == QLatin1Char('\n')))
        --length;
    const SentenceShape shape = sentenceShape(QStringView(sentence).first(length));
    if (!shape.valid)
        return sentence;
    const qsizetype star = shape.star;
    const QString body = sentence.mid(1, (star < 0 ? length : star) - 1);
    QStringList fields = body.split(QLatin1Char(','));
    const QString address = fields.first();
    const bool zda = address.size() == 5 && address.endsWith(QLatin1String("ZDA"));
    const bool rmc = address.size() == 5 && address.endsWith(QLatin1String("RMC"));
    if ((!zda && !rmc) || fields.size() < 2)
        return sentence;

    const QDateTime now = utc.toUTC();
    const QDate date = now.date();
    setTime(fields[1], now.time());
    if (zda && fields.size() > 4) {
        setNumber(fields[2], date.day());
        setNumber(fields[3], date.month());
        setNumber(fields[4], date.year());
    }
    if (rmc && fields.size() > 9 && fields[9].size() == 6 && allDigits(fields[9]))
        fields[9] = date.toString(QStringLiteral("ddMMyy"));

    const QString newBody = fields.join(QLatin1Char(','));
    QString live = sentence.left(1) + newBody;
    if (star >= 0) {
        // Whatever followed the two checksum digits (a line end) stays.
        live += QLatin1Char('*') + nmeaChecksum(newBody) + sentence.mid(star + 3);
    } else {
        live += sentence.mid(length);
    }
    return live;
}
