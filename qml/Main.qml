import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

ApplicationWindow {
    id: rootAppWin

    property alias recvTab: recvTab
    property alias sendTab: sendTab
    property alias scanTab: scanTab

    width: 800
    height: 600
    minimumWidth: 800
    minimumHeight: 600
    visible: true
    title: qsTr("Quaycast Tool - QCX")

    StyleUtil {
        id: styleUtil
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.maximumHeight: 48
            spacing: 0

            TabBar {
                id: tabBar
                objectName: "tabBar"
                spacing: 0
                padding: 0
                Layout.preferredHeight: 40
                Layout.alignment: Qt.AlignBottom

                CustomTabButton {
                    id: recvTabBtn
                    objectName: "recvTabBtn"
                    text: "Multicast Receiver"
                    height: 40
                    width: recvTabBtn.implicitWidth + 20
                    onClicked: rootAppWin.setRecvTabStyle()
                }

                CustomTabButton {
                    id: sendTabBtn
                    objectName: "sendTabBtn"
                    text: "Multicast Sender"
                    height: 40
                    width: recvTabBtn.implicitWidth + 20
                    onClicked: rootAppWin.setSendTabStyle()
                }

                CustomTabButton {
                    id: scanTabBtn
                    objectName: "scanTabBtn"
                    text: "Network Scan"
                    height: 40
                    width: recvTabBtn.implicitWidth + 20
                    onClicked: rootAppWin.setScanTabStyle()
                }
            }

            Item {
                Layout.fillWidth: true
            }

            Button {
                id: settingsBtn
                objectName: "settingsBtn"
                Accessible.name: "Settings"
                Accessible.onPressAction: if (enabled) clicked()
                icon.source: "/icons/settings_01.svg"
                icon.width: 20
                icon.height: 20
                display: AbstractButton.IconOnly
                Layout.alignment: Qt.AlignRight | Qt.AlignVCenter
                Layout.rightMargin: 10
                onClicked: {
                    rootAppWin.loadAppSettingsToSettingsWindow()
                    settingsWin.show()
                }
            }

            Button {
                id: aboutBtn
                objectName: "aboutBtn"
                Accessible.name: "About"
                Accessible.onPressAction: if (enabled) clicked()
                icon.source: "/icons/about_02.svg"
                icon.width: 20
                icon.height: 20
                display: AbstractButton.IconOnly
                Layout.alignment: Qt.AlignRight | Qt.AlignVCenter
                Layout.rightMargin: 10
                onClicked: aboutWin.show()
            }
        }

        StackLayout {
            id: pages
            Layout.fillWidth: true
            Layout.fillHeight: true
            currentIndex: tabBar.currentIndex

            ReceiverTab {
                id: recvTab
                objectName: "recvTab"
            }

            SenderTab {
                id: sendTab
                objectName: "sendTab"
            }

            ScanTab {
                id: scanTab
                objectName: "scanTab"
                onOpenInReceiver: function(group, port) { rootAppWin.openInReceiver(group, port) }
            }
        }
    }

    CustomMessageWindow {
        id: msgWin
        objectName: "msgWin"
    }

    AboutWindow {
        id: aboutWin
        objectName: "aboutWin"
    }

    SettingsWindow {
        id: settingsWin
        objectName: "settingsWin"
    }

    function initialize() {
        initializeAppStyle()
        initializeConnections()
        initializeAppSettings()
        initializeRecvTab()
        initializeSendTab()
    }

    function initializeAppStyle() {
        rootAppWin.color = styleUtil.defaultColor
        setRecvTabStyle()
    }

    function initializeConnections() {
        if (!viewutil)
            return
        viewutil.sendMrSocketStatusChanged.connect(recvTab.recvMrSocketStatus)
        viewutil.sendMrShownConnectionStatusChanged.connect(recvTab.updateMrControlsOnConnectionStatus)
        viewutil.sendMrErrorMessageChanged.connect(recvTab.recvMrErrorMessage)
        viewutil.sendMrSaveNmeaToFileToggleChanged.connect(recvTab.followMrSaveNmeaToFileToggle)
        viewutil.sendMsSocketStatusChanged.connect(sendTab.recvMsSocketStatus)
        viewutil.sendMsConnectionStatusChanged.connect(sendTab.updateMsControlsOnConnectionStatus)
        viewutil.sendMsErrorMessageChanged.connect(sendTab.recvMsErrorMessage)
        viewutil.sendMsNmeaSentenceChanged.connect(sendTab.updateMsListView)
        viewutil.sendMsCustomNmeaSentenceStatusChanged.connect(sendTab.recvCustomNmeaErrorMessage)
    }

    function setRecvTabStyle() {
        recvTabBtn.backgroundColor = styleUtil.activeTabColor
        recvTab.color = styleUtil.activeTabColor
        sendTabBtn.backgroundColor = styleUtil.inactiveTabColor
        scanTabBtn.backgroundColor = styleUtil.inactiveTabColor
    }

    function setSendTabStyle() {
        sendTabBtn.backgroundColor = styleUtil.activeTabColor
        sendTab.color = styleUtil.activeTabColor
        recvTabBtn.backgroundColor = styleUtil.inactiveTabColor
        scanTabBtn.backgroundColor = styleUtil.inactiveTabColor
    }

    function setScanTabStyle() {
        scanTabBtn.backgroundColor = styleUtil.activeTabColor
        scanTab.color = styleUtil.activeTabColor
        recvTabBtn.backgroundColor = styleUtil.inactiveTabColor
        sendTabBtn.backgroundColor = styleUtil.inactiveTabColor
    }

    // A group of the scan in the receiver tab, connected; the scan goes on.
    function openInReceiver(group, port) {
        if (!viewutil)
            return
        recvTab.mrGrpIpAddress = group
        recvTab.mrGrpPortNumber = port
        tabBar.currentIndex = 0
        setRecvTabStyle()
        viewutil.mrGrpIpAddress = group
        viewutil.mrGrpPortNumber = port
        viewutil.mrConnectionToggle = "connect"
    }

    function initializeAppSettings() {
        if (viewutil)
            viewutil.sendLoadAppSettings()
    }

    function loadAppSettingsToSettingsWindow() {
        settingsWin.loadAppSettings()
    }

    function initializeRecvTab() {
        if (!viewutil)
            return
        recvTab.mrGrpIpAddress = viewutil.mrDefaultGrpIpAddress
        recvTab.mrGrpPortNumber = viewutil.mrDefaultGrpPortNumber
        recvTab.mrRxTimout = viewutil.mrDefaultRxTimeout
        recvTab.saveNmeaChkBox = viewutil.mrSaveNmeaToFileStatus
    }

    function initializeSendTab() {
        if (!viewutil)
            return
        sendTab.msGrpIpAddress = viewutil.msDefaultGrpIpAddress
        sendTab.msGrpPortNumber = viewutil.msDefaultGrpPortNumber
        sendTab.msTxInterval = viewutil.msDefaultTxInterval
        sendTab.msCustomNmeaSentence = viewutil.msDefaultCustomNmeaSentence
    }

    onClosing: function(close) {
        recvTab.checkSaveMrGrpIpAddStatus()
        recvTab.checkSaveMrGrpPortNumStatus()
        sendTab.checkSaveMsGrpIpAddStatus()
        sendTab.checkSaveMsGrpPortNumStatus()
        if (viewutil)
            viewutil.sendSaveAppSettings()
        close.accepted = true
    }

    Component.onCompleted: initialize()
}
