#include <QMetaMethod>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QTest>

#include "logcapture.h"
#include "viewutil.h"

class TestViewutil : public QObject
{
    Q_OBJECT

private slots:
    void constructorLogsAndFillsTemplates();
    void initialValues();
    void templateChecksums_data();
    void templateChecksums();
    void everySetterEmitsEvenForSameValue();
    void listWithSameContentStillNotifies();
    void misspeltSignalIsTheNotifier();
    void requestSignalsSitBeforeSettingsGroup();
};

static QString templateOf(const Viewutil &v, const char *name)
{
    return v.property(name).toString();
}

void TestViewutil::constructorLogsAndFillsTemplates()
{
    LogCapture log;
    Viewutil view;
    QCOMPARE(log.texts(), QStringList{QStringLiteral("Viewutil initialized")});
    QCOMPARE(log.entries().first().type, QtInfoMsg);
    QCOMPARE(view.msHeadingNmeaSentence(), QStringLiteral("$HEHDT,90.0,T*16"));
    QCOMPARE(view.msPositionZdaNmeaSentence(), QStringLiteral("$GPZDA,173616.97,01,11,2025,0,0*68"));
    QCOMPARE(view.msPositionRmcNmeaSentence(),
             QStringLiteral("$GPRMC,173749.53,A,0002.12132,N,00002.12132,E,0000.0,000.0,011125,0.0,W,A,S*67"));
    QCOMPARE(view.msSpeedNmeaSentence(), QStringLiteral("$VDVBW,15.0,00.0,A,11.0,00.0,A,00.0,A,00.0,A*55"));
    QCOMPARE(view.msDepthNmeaSentence(), QStringLiteral("$SDDPT,20.0,0.0,50.0*52"));
    QCOMPARE(view.msWindNmeaSentence(), QStringLiteral("$WIMWV,045.0,T,012.0,N,A*27"));
}

void TestViewutil::initialValues()
{
    Viewutil view;
    const QMetaObject *mo = view.metaObject();
    int count = 0;
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
        const QMetaProperty p = mo->property(i);
        const QString name = QString::fromLatin1(p.name());
        ++count;
        if (name.endsWith(QLatin1String("NmeaSentence")) && name.startsWith(QLatin1String("ms"))
            && name != QLatin1String("msNmeaSentence") && name != QLatin1String("msCustomNmeaSentence"))
            continue; // the six templates
        const QVariant value = p.read(&view);
        switch (value.typeId()) {
        case QMetaType::QString:
            QVERIFY2(value.toString().isEmpty(), qPrintable(name));
            break;
        case QMetaType::QStringList:
            QVERIFY2(value.toStringList().isEmpty(), qPrintable(name));
            break;
        case QMetaType::Bool:
            QVERIFY2(!value.toBool(), qPrintable(name));
            break;
        case QMetaType::Int:
            QVERIFY2(value.toInt() == 0, qPrintable(name));
            break;
        case QMetaType::Double:
            QVERIFY2(value.toDouble() == 0.0, qPrintable(name));
            break;
        default:
            QFAIL(qPrintable(QStringLiteral("unexpected type of ") + name));
        }
    }
    QCOMPARE(count, 53);
}

void TestViewutil::templateChecksums_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::newRow("heading") << QByteArray("msHeadingNmeaSentence");
    QTest::newRow("position zda") << QByteArray("msPositionZdaNmeaSentence");
    QTest::newRow("position rmc") << QByteArray("msPositionRmcNmeaSentence");
    QTest::newRow("speed") << QByteArray("msSpeedNmeaSentence");
    QTest::newRow("depth") << QByteArray("msDepthNmeaSentence");
    QTest::newRow("wind") << QByteArray("msWindNmeaSentence");
}

void TestViewutil::templateChecksums()
{
    QFETCH(QByteArray, property);
    Viewutil view;
    const QString sentence = templateOf(view, property.constData());
    QVERIFY(sentence.startsWith(QLatin1Char('$')));
    QVERIFY(!sentence.contains(QLatin1Char('\r')) && !sentence.contains(QLatin1Char('\n')));
    const int star = sentence.indexOf(QLatin1Char('*'));
    QVERIFY(star > 1);
    QCOMPARE(star + 3, sentence.size());
    quint8 sum = 0;
    for (int i = 1; i < star; ++i)
        sum ^= quint8(sentence.at(i).toLatin1());
    QCOMPARE(sentence.mid(star + 1), QString::asprintf("%02X", sum));
}

void TestViewutil::everySetterEmitsEvenForSameValue()
{
    Viewutil view;
    const QMetaObject *mo = view.metaObject();
    int checked = 0;
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
        const QMetaProperty p = mo->property(i);
        QVERIFY2(p.hasNotifySignal(), p.name());
        QVERIFY2(p.isWritable(), p.name());
        QVERIFY(!p.isConstant());
        QVERIFY(!p.isFinal());
        const QMetaMethod notify = p.notifySignal();
        QCOMPARE(notify.parameterCount(), 0);
        QSignalSpy spy(&view, notify);
        const QVariant current = p.read(&view);
        QVariant other;
        switch (current.typeId()) {
        case QMetaType::QString: other = QStringLiteral("x"); break;
        case QMetaType::QStringList: other = QStringList{QStringLiteral("x")}; break;
        case QMetaType::Bool: other = true; break;
        case QMetaType::Int: other = 7; break;
        case QMetaType::Double: other = 2.5; break;
        default: QFAIL(p.name());
        }
        QVERIFY(p.write(&view, current));
        QVERIFY(p.write(&view, other));
        QVERIFY(p.write(&view, other));
        QCOMPARE(spy.count(), 3);
        QCOMPARE(p.read(&view), other);
        const QByteArray expected = QByteArray("send") + char(toupper(p.name()[0])) + QByteArray(p.name() + 1)
            + (QByteArray(p.name()) == "msTotalSentencesSent" ? "hanged" : "Changed");
        QCOMPARE(notify.name(), expected);
        ++checked;
    }
    QCOMPARE(checked, 53);
}

void TestViewutil::listWithSameContentStillNotifies()
{
    Viewutil view;
    QSignalSpy spy(&view, &Viewutil::sendMsNmeaSentencesListChanged);
    const QStringList list{QStringLiteral("$HEHDT,90.0,T*16")};
    view.setMsNmeaSentencesList(list);
    view.setMsNmeaSentencesList(list);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(view.msNmeaSentencesList(), list);

    QSignalSpy toggle(&view, &Viewutil::sendMrConnectionToggleChanged);
    view.setMrConnectionToggle(QStringLiteral("connect"));
    view.setMrConnectionToggle(QStringLiteral("connect"));
    QCOMPARE(toggle.count(), 2);
}

void TestViewutil::misspeltSignalIsTheNotifier()
{
    Viewutil view;
    const QMetaObject *mo = view.metaObject();
    QCOMPARE(mo->indexOfSignal("sendMsTotalSentencesSentChanged()"), -1);
    QVERIFY(mo->indexOfSignal("sendMsTotalSentencesSenthanged()") >= 0);
    QSignalSpy spy(&view, &Viewutil::sendMsTotalSentencesSenthanged);
    view.setMsTotalSentencesSent(QStringLiteral("12"));
    QCOMPARE(spy.count(), 1);
}

void TestViewutil::requestSignalsSitBeforeSettingsGroup()
{
    const QMetaObject *mo = &Viewutil::staticMetaObject;
    const int load = mo->indexOfSignal("sendLoadAppSettings()");
    const int save = mo->indexOfSignal("sendSaveAppSettings()");
    QVERIFY(load >= 0 && save == load + 1);
    QCOMPARE(mo->indexOfSignal("sendMsCustomNmeaSentenceValidateMessageChanged()"), load - 1);
    QCOMPARE(mo->indexOfSignal("sendMrDefaultGrpIpAddressChanged()"), save + 1);

    Viewutil view;
    QSignalSpy loadSpy(&view, &Viewutil::sendLoadAppSettings);
    QSignalSpy saveSpy(&view, &Viewutil::sendSaveAppSettings);
    QVERIFY(QMetaObject::invokeMethod(&view, "sendLoadAppSettings"));
    QVERIFY(QMetaObject::invokeMethod(&view, "sendSaveAppSettings"));
    QCOMPARE(loadSpy.count(), 1);
    QCOMPARE(saveSpy.count(), 1);
}

QTEST_GUILESS_MAIN(TestViewutil)
#include "tst_viewutil.moc"
