#include "viewutil.h"

#include <QDebug>

Viewutil::Viewutil(QObject *parent)
    : QObject(parent)
{
    qInfo() << "Viewutil initialized";

    m_msHeadingNmeaSentence = QStringLiteral("$HEHDT,90.0,T*16");
    m_msPositionZdaNmeaSentence = QStringLiteral("$GPZDA,173616.97,01,11,2025,0,0*68");
    m_msPositionRmcNmeaSentence = QStringLiteral("$GPRMC,173749.53,A,0002.12132,N,00002.12132,E,0000.0,000.0,011125,0.0,W,A,S*67");
    m_msSpeedNmeaSentence = QStringLiteral("$VDVBW,15.0,00.0,A,11.0,00.0,A,00.0,A,00.0,A*55");
    m_msDepthNmeaSentence = QStringLiteral("$SDDPT,20.0,0.0,50.0*52");
    m_msWindNmeaSentence = QStringLiteral("$WIMWV,045.0,T,012.0,N,A*27");
    m_msReplaySpeed = 1;
    m_msReplaySilenceSeconds = 10;

    connect(this, &Viewutil::sendMrClearData, this, [this] {
        m_mrFeed.clear();
        m_mrStats.reset();
    });
}

void Viewutil::setMrConnectionStatus(const QString &mrConnectionStatus)
{
    m_mrConnectionStatus = mrConnectionStatus;
    emit sendMrConnectionStatusChanged();
    if (m_mrShownConnectionStatus != mrConnectionStatus) {
        m_mrShownConnectionStatus = mrConnectionStatus;
        emit sendMrShownConnectionStatusChanged();
    }
}

void Viewutil::setMrInfoSrcIpAddress(const QString &mrInfoSrcIpAddress)
{
    m_mrInfoSrcIpAddress = mrInfoSrcIpAddress;
    emit sendMrInfoSrcIpAddressChanged();
    if (m_mrShownSrcIpAddress != mrInfoSrcIpAddress) {
        m_mrShownSrcIpAddress = mrInfoSrcIpAddress;
        emit sendMrShownSrcIpAddressChanged();
    }
}
