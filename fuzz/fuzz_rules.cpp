// One libFuzzer target for the rules that received and stored bytes go
// through. The first byte picks the rule, the rest is its input:
//   0 the NMEA sentence check against a hand-written reading of its pattern
//   1 the group address and port verdict, and what the workers then parse
//   2 a datagram's sentence and its capture line
//   3 arbitrary bytes as the settings file: loaded, applied, saved, reloaded
//   4 an IEC 61162-450 datagram's rows, qcx's JSON line of each, and a sent
//     one read back
//   5 a received row's checksum verdict and sentence kind

#include "controlutil.h"
#include "iec450.h"
#include "jsonline.h"
#include "linerecord.h"
#include "nmeacheck.h"
#include "recvutil.h"
#include "saveutil.h"
#include "sourcestats.h"
#include "validateutil.h"
#include "viewutil.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QtEndian>
#include <QFile>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cctype>
#include <cstdio>
#include <cstring>

// A broken rule: say which, and let libFuzzer keep the input.
#define CHECK(condition, what) ((condition) ? void() : fail(#condition, what))
[[noreturn]] void fail(const char *condition, const QString &what)
{
    std::fprintf(stderr, "fuzz check failed: %s (%s)\n", condition, qPrintable(what));
    std::abort();
}

namespace {

Viewutil *view = nullptr;
QString settingsFile;
QList<QMetaProperty> settingsProperties; // the view model's property per settings key

// The first byte picks how the rest becomes text: as a datagram (Latin-1), as
// a field or file holds it (UTF-8), or raw UTF-16 units, lone surrogates included.
QString text(QByteArrayView in)
{
    const int how = in.isEmpty() ? 0 : uchar(in.front()) % 3;
    in = in.sliced(qMin<qsizetype>(1, in.size()));
    if (how < 2)
        return how ? QString::fromUtf8(in) : QString::fromLatin1(in);
    QString units(in.size() / 2, Qt::Uninitialized);
    std::memcpy(units.data(), in.data(), size_t(units.size()) * sizeof(QChar));
    return units;
}

bool referenceSentence(const QString &input)
{
    const QString t = input.trimmed();
    // Text with a lone surrogate has no bytes to send, so it is never a sentence.
    if (!QStringView(t).isValidUtf16())
        return false;
    auto ascii = [&](qsizetype i, int (*is)(int)) { return i < t.size() && t.at(i).unicode() < 128 && is(t.at(i).unicode()); };
    qsizetype i = 1;
    while (i <= 5 && (ascii(i, std::isupper) || ascii(i, std::isdigit)))
        ++i;
    if (t.isEmpty() || (t.front() != u'$' && t.front() != u'!') || i < 3)
        return false;
    if (i < t.size() && t.at(i) == u',')
        i = t.indexOf(u'*', i) < 0 ? t.size() : t.indexOf(u'*', i);
    return i + 3 == t.size() && t.at(i) == u'*' && ascii(i + 1, std::isxdigit) && ascii(i + 2, std::isxdigit);
}

void sentenceRule(QByteArrayView in)
{
    const QString input = text(in);
    const bool valid = isNmeaSentence(input);
    CHECK(valid == referenceSentence(input), input);
    CHECK(isNmeaSentence(u" \r\n"_qs + input + u"\r\n"_qs) == valid, input); // white space never changes it
}

void socketRule(QByteArrayView in)
{
    if (in.size() < 2)
        return;
    // The first byte says where the address text ends and the port text begins.
    const qsizetype split = 1 + uchar(in.front()) % in.size();
    const QString address = text(in.sliced(1, split - 1));
    const QString port = text(in.sliced(split));
    const bool addressOk = isMulticastGroupAddress(address);
    const bool portOk = isGroupPortNumber(port);
    const SocketDetailsVerdict verdict = socketDetailsVerdict(address, port);
    CHECK(verdict.valid == (addressOk && portOk), address + u'|' + port);
    CHECK(verdict.message == (!addressOk ? u"Invalid or Empty Multicast Group IP Address"_qs
                              : !portOk  ? u"Invalid or Empty Group Port Number"_qs
                                         : u"All Socket Details OK"_qs), address + u'|' + port);
    // The workers parse the same text again: it must be what was validated.
    const quint32 group = QHostAddress(address).toIPv4Address();
    CHECK(!addressOk || (group >= 0xE0000000u && group <= 0xEFFFFFFFu), address);
    CHECK(!portOk || (port.toUShort() >= 1024 && int(port.toUShort()) == port.toInt()), port); // 0 when unreadable
}

void captureRule(QByteArrayView datagram)
{
    // Nothing is added, replaced or interpreted: the bytes, one character
    // each, less the white space around them.
    const QString sentence = datagramSentence(datagram);
    auto space = [&](qsizetype i) { return QChar(uchar(datagram.at(i))).isSpace(); };
    qsizetype start = 0, end = datagram.size();
    while (start < end && space(start))
        ++start;
    while (end > start && space(end - 1))
        --end;
    CHECK(sentence.size() == end - start && sentence.toLatin1() == datagram.sliced(start, end - start), sentence);
    if (sentence.isEmpty()) // blank sentences leave no line
        return;
    // Each line of the datagram is a line of its own in the file, stamped when
    // asked; placeholders such as %1 stay as they are; UTF-8 gives the line back.
    const QDate date(2025, 3, 14);
    const QTime time(9, 5, 7);
    for (const QString &stamp : {QString(), u"25.03.14:09.05.07: "_qs}) {
        const QString line = captureLine(sentence, !stamp.isEmpty(), date, time);
        CHECK(line == stamp + QString(sentence).replace(QRegularExpression(u"[\r\n]+"_qs), u'\n' + stamp) + u'\n',
              sentence);
        CHECK(QString::fromUtf8(line.toUtf8()) == line, sentence);
    }
}

// Whatever arrived, qcx's line is one JSON object of ASCII text that gives
// the line back as it was.
void jsonLineRule(const LineRecord &line, qint64 arrivalMs)
{
    const QByteArray json = jsonLine(line, arrivalMs, u"198.51.100.2"_qs, u"239.192.0.1"_qs, 60001);
    CHECK(json.endsWith("}\n") && json.count('\n') == 1, line.text);
    for (const char c : json.first(json.size() - 1))
        CHECK(c >= 0x20 && c < 0x7f, QString::fromLatin1(json));
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(json, &error).object();
    CHECK(error.error == QJsonParseError::NoError, QString::fromLatin1(json));
    CHECK(object.value(u"line"_qs).toString() == line.text && object.value(u"port"_qs).toInt() == 60001,
          QString::fromLatin1(json));
    CHECK(QDateTime::fromString(object.value(u"time"_qs).toString(), Qt::ISODateWithMs).toMSecsSinceEpoch() == arrivalMs,
          QString::fromLatin1(json));
    static const QStringList checksums{u"right"_qs, u"wrong"_qs, u"none"_qs, u"not-nmea"_qs};
    CHECK(checksums.contains(object.value(u"checksum"_qs).toString()), QString::fromLatin1(json));
    CHECK(object.contains(u"tag"_qs) == (line.tag.blocks > 0), QString::fromLatin1(json));
}

void lineRecordRule(QByteArrayView datagram)
{
    // Framed or not, the datagram gives rows of read lines; a framed one
    // gives text lines only, each one capture line, and its bytes never reach
    // the file raw. Every counter stays sane, whatever the bytes.
    DatagramRecord record = readDatagram(datagram);
    record.host = u"198.51.100.2"_qs;
    CHECK(!record.rows.isEmpty() && record.bytes == datagram.size(), QString::fromLatin1(datagram));
    if (!record.framed)
        CHECK(record.rows.size() == 1 && record.rows.first().text == datagramSentence(datagram), record.rows.first().text);
    for (const RowRecord &row : record.rows) {
        for (const LineRecord &line : row.lines) {
            CHECK(line.tag.lineCount >= -1 && line.tag.lineCount <= 999 && line.sentenceAt <= line.text.size(), line.text);
            CHECK((line.check.verdict == NmeaVerdict::None) == line.text.isEmpty(), line.text);
            CHECK(int(row.verdict()) != int(NmeaVerdict::None) || row.lines.isEmpty(), row.text);
            // Any time from 1970 to some 130 years on, from the datagram's first bytes.
            jsonLineRule(line, qint64(qFromLittleEndian<quint32>(datagram.toByteArray().leftJustified(4, '\0').constData()))
                                   * 997 % (qint64(1) << 42));
        }
        if (!record.framed)
            continue;
        CHECK(row.lines.size() == 1 && row.text == row.text.trimmed() && captureLine(row.text, QString()) == row.text + u'\n',
              row.text);
        for (const QChar c : row.text)
            CHECK(c.unicode() >= 0x20 && (c.unicode() < 0x7f || c.unicode() >= 0xa0), row.text);
    }
    static Sourcestats sources;
    sources.add(record);
    qint64 lost = 0;
    for (const Sourcestats::Source &s : sources.sources()) {
        CHECK(s.lost >= 0 && s.duplicated >= 0 && s.reordered >= 0 && s.restarts >= 0 && s.damaged <= s.lines, s.identity);
        lost += s.lost;
    }
    CHECK(lost == sources.totalLost() && sources.sources().size() <= Sourcestats::maxSources + 1, sources.summary());

    // A sentence sent with a TAG block comes back as one row that says so.
    const QByteArray sentence = datagram.trimmed().toByteArray();
    const int k = datagram.isEmpty() ? 1 : 1 + uchar(datagram.front()) % 999;
    const DatagramRecord back = readDatagram(Iec450::sentenceDatagram(sentence, u"EI0001"_qs, k));
    const Iec450::TagInfo tag = back.rows.value(0).lines.value(0).tag;
    CHECK(back.framed && tag.source == u"EI0001"_qs && tag.lineCount == k, back.rows.value(0).text);
    CHECK(sentence.startsWith('\\') || tag.verdict == Iec450::TagVerdict::Correct, back.rows.value(0).text);
    CHECK(sentence.contains('\r') || sentence.contains('\n') || sentence.contains('\\') || back.rows.size() == 1,
          back.rows.value(0).text);
}

void settingsRule(QByteArrayView content)
{
    // Exact for doubles, NaN included: the shortest text of a double is unique.
    auto same = [](const QVariant &a, const QVariant &b) { return a.typeId() == b.typeId() && a.toString() == b.toString(); };
    QFile file(settingsFile);
    CHECK(file.open(QIODevice::WriteOnly) && file.write(content.toByteArray()) == content.size(), settingsFile);
    file.close();
    emit view->sendLoadAppSettings();

    // A JSON object is applied as it is, anything else gives the defaults; the
    // file is read in text mode, which drops every carriage return.
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(content.toByteArray().replace('\r', ""), &error);
    const QVariantMap loaded = error.error || !document.isObject() ? defaultAppSettings() : document.object().toVariantMap();
    QVariantList applied;
    for (const QMetaProperty &property : std::as_const(settingsProperties)) {
        QVariant expected = loaded.value(QString::fromLatin1(property.name()));
        expected.convert(property.metaType());
        applied << property.read(view);
        CHECK(same(applied.last(), expected), QString::fromLatin1(property.name()));
    }

    // Saved and loaded again: one object with every key, and the same settings.
    emit view->sendSaveAppSettings();
    CHECK(file.open(QIODevice::ReadOnly)
              && QJsonDocument::fromJson(file.readAll()).object().size() == settingsProperties.size(), settingsFile);
    emit view->sendLoadAppSettings();
    for (qsizetype i = 0; i < applied.size(); ++i)
        CHECK(same(settingsProperties.at(i).read(view), applied.at(i)), QString::fromLatin1(settingsProperties.at(i).name()));
}

} // namespace

void verdictRule(QByteArrayView in)
{
    const QString row = text(in);
    const NmeaCheck check = checkNmea(row);
    const bool nmea = check.verdict != NmeaVerdict::None && check.verdict != NmeaVerdict::NotNmea;
    CHECK((check.verdict == NmeaVerdict::None) == row.isEmpty(), row);
    CHECK((check.kind == u"other"_qs) == (check.verdict == NmeaVerdict::NotNmea), row);
    CHECK(!nmea || ((row.front() == u'$' || row.front() == u'!') && !check.kind.isEmpty()), row);
    CHECK(check.verdict != NmeaVerdict::Right || check.received.toInt(nullptr, 16) == check.computed, row);
    // Only the first line counts.
    if (!row.isEmpty() && !row.contains(u'\r') && !row.contains(u'\n'))
        CHECK(checkNmea(row + u"\r\n$X*00"_qs).verdict == check.verdict, row);
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The program logs every step; a fuzz run only wants to hear of failures.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        CHECK(type != QtFatalMsg, message);
    });
    new QCoreApplication(*argc, *argv);
    static QTemporaryDir dir; // removed when the run ends
    view = new Viewutil;
    new Controlutil(view, {dir.filePath(u"settings"_qs), dir.filePath(u"capture"_qs), dir.filePath(u"documents"_qs)});
    settingsFile = dir.filePath(u"settings/appSettings.json"_qs);
    for (const QString &key : defaultAppSettings().keys()) {
        settingsProperties << view->metaObject()->property(view->metaObject()->indexOfProperty(qPrintable(key)));
        CHECK(settingsProperties.last().isValid(), key);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    void (*const rules[])(QByteArrayView) = {sentenceRule, socketRule, captureRule, settingsRule, lineRecordRule,
                                             verdictRule};
    if (size > 0)
        rules[data[0] % std::size(rules)](QByteArrayView(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1)));
    return 0;
}
