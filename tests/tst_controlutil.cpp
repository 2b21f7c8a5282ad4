#include <QMetaProperty>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "controlutil.h"
#include "logcapture.h"
#include "temphome.h"
#include "viewutil.h"

// The controller driven as the pages drive it: through view-model writes.
// Nothing here opens a socket; joining and sending are in tst_endtoend.
class TestControlutil : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void constructionOrder();
    void settingsLoadIsSynchronous();
    void applyEmptyMap();
    void builtMapHasEighteenTypedEntries();
    void toggleWordsOtherThanKnownDoNothing_data();
    void toggleWordsOtherThanKnownDoNothing();
    void repeatedConnectRevalidates();
    void invalidSenderStartReportsVerdict();
    void customSentenceVerdictIsThereWhenWriteReturns_data();
    void customSentenceVerdictIsThereWhenWriteReturns();
    void statusLinesLoggedOncePerChange();
    void senderReportsAndCounters();
    void jsonMessagesReachLogAndTabs();
    void optionHandOversAreLogged();
    void saveToggleOffWhenNeverOn();

private:
    QStringList logTexts() const { return m_log->texts(); }
    // The workers log lines of their own in between; the controller's lines
    // must appear in this order.
    static bool inOrder(const QStringList &texts, const QStringList &expected)
    {
        int at = 0;
        for (const QString &line : expected) {
            at = texts.indexOf(line, at);
            if (at < 0) {
                qWarning().noquote() << "missing or out of order:" << line << "in" << texts;
                return false;
            }
            ++at;
        }
        return true;
    }

    QTemporaryDir *m_dir = nullptr;
    LogCapture *m_log = nullptr;
    Viewutil *m_view = nullptr;
    Controlutil *m_control = nullptr;
};

void TestControlutil::init()
{
    m_dir = new QTemporaryDir;
    m_log = new LogCapture;
    m_view = new Viewutil;
    m_control = new Controlutil(m_view,
                                {m_dir->path() + QStringLiteral("/settings"), m_dir->path() + QStringLiteral("/capture"),
                                 m_dir->path() + QStringLiteral("/fallback")});
}

void TestControlutil::cleanup()
{
    delete m_control;
    delete m_view;
    delete m_log;
    delete m_dir;
}

void TestControlutil::constructionOrder()
{
    const QStringList texts = logTexts();
    const QStringList expected{QStringLiteral("Viewutil initialized"), QStringLiteral("Jsonutil initialized"),
                               QStringLiteral("Validateutil initialized"), QStringLiteral("Recvutil initialized"),
                               QStringLiteral("Sendutil initialized"), QStringLiteral("Saveutil initialized"),
                               QStringLiteral("Controlutil initialized")};
    int last = -1;
    for (const QString &line : expected) {
        const int at = texts.indexOf(line);
        QVERIFY2(at > last, qPrintable(line + QStringLiteral(" out of order in:\n") + texts.join(QLatin1Char('\n'))));
        last = at;
    }
    QCOMPARE(texts.last(), QStringLiteral("Controlutil initialized"));
    // The settings file's own start-up lines sit between Jsonutil and Validateutil.
    QVERIFY(texts.indexOf(QStringLiteral("Validateutil initialized")) - texts.indexOf(QStringLiteral("Jsonutil initialized")) > 1);
}

void TestControlutil::settingsLoadIsSynchronous()
{
    m_log->clear();
    emit m_view->sendLoadAppSettings();

    QCOMPARE(m_view->mrDefaultGrpIpAddress(), QStringLiteral("239.191.1.1"));
    QCOMPARE(m_view->mrDefaultGrpPortNumber(), QStringLiteral("4400"));
    QCOMPARE(m_view->mrDefaultRxTimeout(), 3);
    QCOMPARE(m_view->msDefaultTxInterval(), 10.0);
    QVERIFY(m_view->mrAllowOsChooseIfaceStatus());

    const QStringList texts = logTexts();
    const int received = texts.indexOf(QStringLiteral("App Settings Received Successfully"));
    QVERIFY(received >= 0);
    QCOMPARE(texts.value(received + 1), QStringLiteral("App settings loaded to UI OK"));
    QVERIFY(inOrder(texts,
             (QStringList{QStringLiteral("App Settings Received Successfully"),
                          QStringLiteral("App settings loaded to UI OK"),
                          QStringLiteral("Mr include date and time in NMEA save file =  true"),
                          QStringLiteral("Mr allow OS to select interface status =  true"),
                          QStringLiteral("Ms allow OS to select interface status =  true")})));
}

void TestControlutil::applyEmptyMap()
{
    emit m_view->sendLoadAppSettings();
    QList<QSignalSpy *> spies;
    const QMetaObject *mo = m_view->metaObject();
    const int first = mo->indexOfProperty("mrDefaultGrpIpAddress");
    QVERIFY(first > 0);
    for (int i = first; i < mo->propertyCount(); ++i)
        spies << new QSignalSpy(m_view, mo->property(i).notifySignal());
    QCOMPARE(spies.size(), 18);

    m_control->recvAppSettings(QVariantMap());

    for (int i = 0; i < spies.size(); ++i) {
        QCOMPARE(spies.at(i)->count(), 1);
        const QVariant value = mo->property(first + i).read(m_view);
        QVERIFY2(value == QVariant(QMetaType(value.typeId())), mo->property(first + i).name());
    }
    qDeleteAll(spies);
    QCOMPARE(m_view->mrDefaultRxTimeout(), 0);
    QCOMPARE(m_view->msDefaultTxInterval(), 0.0);
    QCOMPARE(m_view->mrDefaultGrpPortNumber(), QString());
    QVERIFY(!m_view->mrSaveNmeaToFileStatus());
}

void TestControlutil::builtMapHasEighteenTypedEntries()
{
    emit m_view->sendLoadAppSettings();
    m_view->setMrDefaultRxTimeout(7);
    m_view->setMsDefaultCustomNmeaSentence(QStringLiteral("$HEHDT,90.0,T*16"));
    QSignalSpy save(m_control, &Controlutil::sendSaveAppSettings);
    m_log->clear();
    emit m_view->sendSaveAppSettings();

    QCOMPARE(save.count(), 1);
    QCOMPARE(logTexts().value(0), QStringLiteral("App settings received From UI OK"));
    const QVariantMap map = save.at(0).at(0).toMap();
    QCOMPARE(map.size(), 18);
    QCOMPARE(map.value(QStringLiteral("msDefaultTxInterval")).typeId(), int(QMetaType::Double));
    QCOMPARE(map.value(QStringLiteral("msDefaultTxInterval")).toDouble(), 10.0);
    QCOMPARE(map.value(QStringLiteral("mrDefaultRxTimeout")).typeId(), int(QMetaType::Int));
    QCOMPARE(map.value(QStringLiteral("mrDefaultRxTimeout")).toInt(), 7);
    QCOMPARE(map.value(QStringLiteral("mrDefaultGrpPortNumber")).typeId(), int(QMetaType::QString));
    QCOMPARE(map.value(QStringLiteral("mrSaveNmeaToFileStatus")).typeId(), int(QMetaType::Bool));
    QCOMPARE(map.value(QStringLiteral("msDefaultCustomNmeaSentence")).toString(), QStringLiteral("$HEHDT,90.0,T*16"));
}

void TestControlutil::toggleWordsOtherThanKnownDoNothing_data()
{
    QTest::addColumn<QString>("word");
    QTest::newRow("capitalised connect") << QStringLiteral("Connect");
    QTest::newRow("capitalised start") << QStringLiteral("Start");
    QTest::newRow("empty") << QString();
    QTest::newRow("upper stop") << QStringLiteral("STOP");
}

void TestControlutil::toggleWordsOtherThanKnownDoNothing()
{
    QFETCH(QString, word);
    QSignalSpy mrValidate(m_control, &Controlutil::sendMrValidateConnect);
    QSignalSpy mrDisconnect(m_control, &Controlutil::sendMrDisconnect);
    QSignalSpy msValidate(m_control, &Controlutil::sendMsValidateConnect);
    QSignalSpy msStop(m_control, &Controlutil::sendMsStop);
    m_log->clear();
    m_view->setMrConnectionToggle(word);
    m_view->setMsConnectionToggle(word);
    QVERIFY(logTexts().isEmpty());
    QCOMPARE(mrValidate.count() + mrDisconnect.count() + msValidate.count() + msStop.count(), 0);
}

void TestControlutil::repeatedConnectRevalidates()
{
    QSignalSpy validate(m_control, &Controlutil::sendMrValidateConnect);
    QStringList order;
    connect(m_view, &Viewutil::sendMrSocketStatusMessageChanged, this, [&] { order << QStringLiteral("message"); });
    connect(m_view, &Viewutil::sendMrSocketStatusChanged, this, [&] { order << QStringLiteral("status"); });

    m_view->setMrGrpIpAddress(QString());
    m_view->setMrGrpPortNumber(QString());
    m_log->clear();
    m_view->setMrConnectionToggle(QStringLiteral("connect"));
    // The verdict is in the view model when the write returns.
    QCOMPARE(m_view->mrSocketStatus(), false);
    QCOMPARE(m_view->mrSocketStatusMessage(), QStringLiteral("Invalid or Empty Multicast Group IP Address"));

    m_view->setMrGrpIpAddress(QStringLiteral("239.1.1.1"));
    m_view->setMrGrpPortNumber(QStringLiteral("80"));
    m_view->setMrConnectionToggle(QStringLiteral("connect"));
    QCOMPARE(m_view->mrSocketStatusMessage(), QStringLiteral("Invalid or Empty Group Port Number"));

    QCOMPARE(validate.count(), 2);
    QCOMPARE(validate.at(0), (QVariantList{QString(), QString()}));
    QCOMPARE(validate.at(1), (QVariantList{QStringLiteral("239.1.1.1"), QStringLiteral("80")}));
    QCOMPARE(order, (QStringList{QStringLiteral("message"), QStringLiteral("status"), QStringLiteral("message"),
                                 QStringLiteral("status")}));

    const QStringList texts = logTexts();
    QCOMPARE(texts.count(QStringLiteral("Mr connection toggle = connect")), 2);
    QVERIFY(texts.contains(QStringLiteral("Mr socket status =  false")));
    QVERIFY(texts.contains(QStringLiteral("Mr socket message =  \"Invalid or Empty Group Port Number\"")));
    QCOMPARE(m_view->mrConnectionStatus(), QString()); // nothing was opened

    QSignalSpy disconnect(m_control, &Controlutil::sendMrDisconnect);
    m_view->setMrConnectionToggle(QStringLiteral("disconnect"));
    QCOMPARE(disconnect.count(), 1);
    QVERIFY(logTexts().contains(QStringLiteral("Mr connection toggle = disconnect")));
}

void TestControlutil::invalidSenderStartReportsVerdict()
{
    QSignalSpy validate(m_control, &Controlutil::sendMsValidateConnect);
    m_view->setMsGrpIpAddress(QStringLiteral("192.168.1.1"));
    m_view->setMsGrpPortNumber(QStringLiteral("4400"));
    m_log->clear();
    m_view->setMsConnectionToggle(QStringLiteral("start"));
    QCOMPARE(validate.count(), 1);
    QCOMPARE(m_view->msSocketStatus(), false);
    QCOMPARE(m_view->msSocketStatusMessage(), QStringLiteral("Invalid or Empty Multicast Group IP Address"));
    QVERIFY(logTexts().contains(QStringLiteral("Ms socket status =  false")));
    // The sender toggle itself is not logged.
    QVERIFY(!logTexts().join(QLatin1Char('\n')).contains(QStringLiteral("toggle")));
}

void TestControlutil::customSentenceVerdictIsThereWhenWriteReturns_data()
{
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<bool>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("heading") << QStringLiteral("$HEHDT,90.0,T*16") << true << QStringLiteral("Custom NMEA Sentence is OK");
    QTest::newRow("no checksum") << QStringLiteral("$HEHDT,90.0,T") << false
                                 << QStringLiteral("Pls Enter A Valid NMEA Sentence");
    QTest::newRow("empty") << QString() << false << QStringLiteral("Pls Enter A Valid NMEA Sentence");
}

void TestControlutil::customSentenceVerdictIsThereWhenWriteReturns()
{
    QFETCH(QString, sentence);
    QFETCH(bool, status);
    QFETCH(QString, message);
    // Start from the opposite verdict so a stale value cannot pass.
    m_control->recvMsCustomNmeaSentenceValidateReslut(!status, QStringLiteral("stale"));
    m_log->clear();
    m_view->setMsCustomNmeaSentence(sentence);
    QCOMPARE(m_view->msCustomNmeaSentenceStatus(), status);
    QCOMPARE(m_view->msCustomNmeaSentenceValidateMessage(), message);
    const QStringList texts = logTexts();
    QCOMPARE(texts.value(0), QStringLiteral("Ms custom NMEA sent for validation"));
    QVERIFY(texts.contains(QStringLiteral("Ms custom NMEA validation status =  ") + (status ? "true" : "false")));
    QVERIFY(texts.contains(QStringLiteral("Ms custom NMEA validation message =  \"%1\"").arg(message)));
}

void TestControlutil::statusLinesLoggedOncePerChange()
{
    QSignalSpy sentence(m_view, &Viewutil::sendMrNmeaSentenceChanged);
    QSignalSpy status(m_view, &Viewutil::sendMrConnectionStatusChanged);
    QStringList order;
    connect(m_view, &Viewutil::sendMrConnectionStatusChanged, this, [&] { order << QStringLiteral("status"); });
    connect(m_view, &Viewutil::sendMrNmeaSentenceChanged, this, [&] { order << QStringLiteral("sentence"); });
    connect(m_view, &Viewutil::sendMrInfoSrcIpAddressChanged, this, [&] { order << QStringLiteral("source"); });
    m_log->clear();

    const QString c = QStringLiteral("Connected");
    m_control->recvMrNmeaData(c, QStringLiteral("$A"), QStringLiteral("198.51.100.2"), QStringLiteral("5000"));
    m_control->recvMrNmeaData(c, QStringLiteral("$A"), QStringLiteral("198.51.100.2"), QStringLiteral("5000"));
    m_control->recvMrNmeaData(c, QStringLiteral("$B"), QStringLiteral("198.51.100.3"), QStringLiteral("5001"));
    m_control->recvMrNmeaData(QStringLiteral("Disconnected"), QString(), QString(), QString());
    m_control->recvMrNmeaData(c, QString(), QString(), QString());

    QCOMPARE(sentence.count(), 5);
    QCOMPARE(status.count(), 5);
    QCOMPARE(order.mid(0, 3), (QStringList{QStringLiteral("status"), QStringLiteral("sentence"), QStringLiteral("source")}));
    QCOMPARE(m_view->mrConnectionStatus(), c);
    QCOMPARE(logTexts(),
             (QStringList{QStringLiteral("Mr connection Status =  \"Connected\""),
                          QStringLiteral("Mr source IP address =  \"198.51.100.2\""),
                          QStringLiteral("Mr source port number =  \"5000\""),
                          QStringLiteral("Mr connection Status =  \"Disconnected\""),
                          QStringLiteral("Mr source IP address =  \"\""),
                          QStringLiteral("Mr source port number =  \"\""),
                          QStringLiteral("Mr connection Status =  \"Connected\""),
                          QStringLiteral("Mr source IP address =  \"\""),
                          QStringLiteral("Mr source port number =  \"\"")}));
}

void TestControlutil::senderReportsAndCounters()
{
    m_log->clear();
    m_control->recvMsNmeaData(QStringLiteral("Started"), QStringLiteral("$HEHDT,90.0,T*16"),
                              QStringLiteral("198.51.100.1"), QStringLiteral("4400"));
    m_control->recvMsNmeaData(QStringLiteral("Started"), QStringLiteral("$HEHDT,90.0,T*16"),
                              QStringLiteral("198.51.100.1"), QStringLiteral("4400"));
    m_control->recvMsTransmissionData(QStringLiteral("2"), QStringLiteral("32"));
    QCOMPARE(m_view->msConnectionStatus(), QStringLiteral("Started"));
    QCOMPARE(m_view->msNmeaSentence(), QStringLiteral("$HEHDT,90.0,T*16"));
    QCOMPARE(m_view->msSrcIpAddress(), QStringLiteral("198.51.100.1"));
    QCOMPARE(m_view->msTotalSentencesSent(), QStringLiteral("2"));
    QCOMPARE(m_view->msTotalBytesSent(), QStringLiteral("32"));
    QCOMPARE(logTexts(), (QStringList{QStringLiteral("Ms connection Status =  \"Started\""),
                                      QStringLiteral("Ms source IP address =  \"198.51.100.1\""),
                                      QStringLiteral("Ms source port number =  \"4400\"")}));

    QSignalSpy list(m_control, &Controlutil::sendMsNmeaSentencesList);
    QSignalSpy interval(m_control, &Controlutil::sendMsTxTransmissionInterval);
    m_log->clear();
    m_view->setMsNmeaSentencesList({QStringLiteral("$A*00")});
    m_view->setMsTxInterval(5);
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.at(0).at(0).toStringList(), QStringList{QStringLiteral("$A*00")});
    QCOMPARE(interval.at(0).at(0).toDouble(), 5.0);
    QVERIFY(logTexts().contains(QStringLiteral("Ms transmission interval =  5")));
}

void TestControlutil::jsonMessagesReachLogAndTabs()
{
    QSignalSpy mrInfo(m_view, &Viewutil::sendMrInfoMessageChanged);
    QSignalSpy msInfo(m_view, &Viewutil::sendMsInfoMessageChanged);
    m_log->clear();
    m_control->recvJsonErrorMessage(QStringLiteral("Failed To Read App Settings File"));
    QCOMPARE(mrInfo.count() + msInfo.count(), 0);
    QCOMPARE(m_log->entries().size(), 1);
    QCOMPARE(m_log->entries().at(0).type, QtWarningMsg);
    QCOMPARE(m_log->entries().at(0).text, QStringLiteral("Json util error message =  \"Failed To Read App Settings File\""));

    m_control->recvJsonInfoMessage(QStringLiteral("App Settings Saved Successfully"));
    QCOMPARE(m_view->mrInfoMessage(), QStringLiteral("App Settings Saved Successfully"));
    QCOMPARE(m_view->msInfoMessage(), QStringLiteral("App Settings Saved Successfully"));
    QCOMPARE(m_log->texts().last(), QStringLiteral("Json util info message =  \"App Settings Saved Successfully\""));

    m_log->clear();
    m_control->recvMrInfoMessage(QStringLiteral("r"));
    m_control->recvMsInfoMessage(QStringLiteral("s"));
    QCOMPARE(m_view->mrInfoMessage(), QStringLiteral("r"));
    QCOMPARE(m_view->msInfoMessage(), QStringLiteral("s"));
    m_control->recvMrErrorMessage(QStringLiteral("Failed To Join Multicast Group"));
    m_control->recvMsErrorMessage(QStringLiteral("Failed To Bind Socket"));
    QCOMPARE(m_view->mrErrorMessage(), QStringLiteral("Failed To Join Multicast Group"));
    QCOMPARE(m_view->msErrorMessage(), QStringLiteral("Failed To Bind Socket"));
    QCOMPARE(m_log->texts(), (QStringList{QStringLiteral("Mr error message =  \"Failed To Join Multicast Group\""),
                                          QStringLiteral("Ms error message =  \"Failed To Bind Socket\"")}));
    QCOMPARE(m_log->entries().at(1).type, QtWarningMsg);
}

void TestControlutil::optionHandOversAreLogged()
{
    QSignalSpy mrOs(m_control, &Controlutil::sendMrOsSelectInterfaceStatus);
    QSignalSpy msOs(m_control, &Controlutil::sendMsOsSelectInterfaceStatus);
    QSignalSpy dateTime(m_control, &Controlutil::sendMrIncludeDateTimeInNmeaSaveFile);
    QSignalSpy timeout(m_control, &Controlutil::sendMrRxTimeout);
    m_log->clear();
    m_view->setMrAllowOsChooseIfaceStatus(false);
    m_view->setMsAllowOsChooseIfaceStatus(true);
    m_view->setMrIncludeDateTimeInNmeaFileStatus(false);
    m_view->setMrRxTimeout(0);
    QCOMPARE(mrOs.at(0).at(0).toBool(), false);
    QCOMPARE(msOs.at(0).at(0).toBool(), true);
    QCOMPARE(dateTime.at(0).at(0).toBool(), false);
    QCOMPARE(timeout.at(0).at(0).toInt(), 0);
    const QStringList texts = logTexts();
    QCOMPARE(texts.mid(0, 2), (QStringList{QStringLiteral("Mr allow OS to select interface status =  false"),
                                           QStringLiteral("Ms allow OS to select interface status =  true")}));
    QVERIFY(texts.contains(QStringLiteral("Mr include date and time in NMEA save file =  false")));
    QVERIFY(texts.contains(QStringLiteral("Mr receiver timeout =  0")));
}

void TestControlutil::saveToggleOffWhenNeverOn()
{
    QSignalSpy stop(m_control, &Controlutil::sendMrStopSaveNmeaToFile);
    QSignalSpy start(m_control, &Controlutil::sendMrStartSaveNmeaToFile);
    m_log->clear();
    m_view->setMrSaveNmeaToFileToggle(false);
    QCOMPARE(stop.count(), 1);
    QCOMPARE(start.count(), 0);
    QCOMPARE(logTexts().value(0), QStringLiteral("Mr save NMEA to file deactivated"));
    m_view->setMrSaveNmeaToFileToggle(true);
    QCOMPARE(start.count(), 1);
    QVERIFY(logTexts().contains(QStringLiteral("Mr save NMEA to file activated")));
    m_view->setMrSaveNmeaToFileToggle(false);
    QCOMPARE(stop.count(), 2);
}

QCX_TEMP_HOME_TEST_MAIN(TestControlutil)
#include "tst_controlutil.moc"
