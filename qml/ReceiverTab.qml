import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

Rectangle {
    id: root

    property alias mrGrpIpAddress: grpIpTextField.text
    property alias mrGrpPortNumber: grpPortTextField.text
    property alias mrRxTimout: rxTimeoutSpinBox.value
    property alias saveNmeaChkBox: saveNmeaChkBox.checked

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 10
        spacing: 5

        RowLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 10

            // The control column takes a fifth of the row (the page less its margins
            // and the column gap) and the data column the rest, but the control
            // column never gets narrower than its boxes need.
            ColumnLayout {
                Layout.fillWidth: false
                Layout.fillHeight: true
                Layout.preferredWidth: Math.max((root.width - 30) / 5, connectionDetailsBox.implicitWidth,
                                                settingsBox.implicitWidth, connectionInfoBox.implicitWidth)
                spacing: 5

                GroupBox {
                    id: connectionDetailsBox
                    Layout.fillWidth: true
                    title: "Connection Details"

                    ColumnLayout {
                        anchors.fill: parent
                        spacing: 2

                        Label {
                            id: grpIpLbl
                            text: "Group IP Address"
                        }

                        TextField {
                            id: grpIpTextField
                            objectName: "grpIpTextField"
                            Accessible.name: grpIpLbl.text
                            Layout.fillWidth: true
                            leftPadding: 5
                            rightPadding: 5
                            placeholderText: "Pls Enter Multicast IP Address"
                            onTextChanged: root.checkSaveMrGrpIpAddStatus()
                        }

                        Label {
                            id: grpPortLbl
                            Layout.topMargin: 5
                            text: "Group Port Number"
                        }

                        TextField {
                            id: grpPortTextField
                            objectName: "grpPortTextField"
                            Accessible.name: grpPortLbl.text
                            Layout.fillWidth: true
                            leftPadding: 5
                            rightPadding: 5
                            placeholderText: "Pls Enter Port Number"
                            onTextChanged: root.checkSaveMrGrpPortNumStatus()
                        }

                        RowLayout {
                            Layout.fillWidth: true
                            Layout.topMargin: 10
                            Layout.bottomMargin: 5
                            Layout.alignment: Qt.AlignHCenter

                            Button {
                                id: connectBtn
                                objectName: "connectBtn"
                                Accessible.name: text
                                Accessible.onPressAction: if (enabled) clicked()
                                Layout.fillWidth: true
                                Layout.preferredWidth: 1
                                text: "Connect"
                                onClicked: {
                                    if (!viewutil)
                                        return
                                    viewutil.mrGrpIpAddress = grpIpTextField.text
                                    viewutil.mrGrpPortNumber = grpPortTextField.text
                                    viewutil.mrConnectionToggle = "connect"
                                }
                            }

                            Button {
                                id: disconnectBtn
                                objectName: "disconnectBtn"
                                Accessible.name: text
                                Accessible.onPressAction: if (enabled) clicked()
                                Layout.fillWidth: true
                                Layout.preferredWidth: 1
                                text: "Disonnect"
                                enabled: false
                                onClicked: {
                                    if (viewutil)
                                        viewutil.mrConnectionToggle = "disconnect"
                                }
                            }
                        }
                    }
                }

                GroupBox {
                    id: settingsBox
                    Layout.fillWidth: true
                    title: "Settings"

                    ColumnLayout {
                        anchors.fill: parent
                        spacing: 15

                        RowLayout {
                            spacing: 15

                            Label {
                                id: rxTimeoutLbl
                                text: "Rx Timeout"
                            }

                            CustomMrSpinBox {
                                id: rxTimeoutSpinBox
                                objectName: "rxTimeoutSpinBox"
                                Accessible.name: rxTimeoutLbl.text
                                Layout.preferredWidth: 1.25 * rxTimeoutLbl.implicitWidth
                                Layout.maximumWidth: 1.25 * rxTimeoutLbl.implicitWidth
                                from: 0
                                to: 60
                                stepSize: 1
                                value: 3
                                editable: true
                                onValueChanged: {
                                    if (viewutil)
                                        viewutil.mrRxTimeout = value
                                }
                            }
                        }

                        RowLayout {
                            spacing: 10

                            CheckBox {
                                id: saveNmeaChkBox
                                objectName: "saveNmeaChkBox"
                                Accessible.name: text
                                Accessible.onToggleAction: if (enabled) toggle()
                                Accessible.onPressAction: if (enabled) toggle()
                                text: "Save NMEA To File"
                                onCheckedChanged: {
                                    if (viewutil)
                                        viewutil.mrSaveNmeaToFileToggle = checked
                                }
                            }
                        }
                    }
                }

                GroupBox {
                    Layout.fillWidth: true
                    Layout.fillHeight: true

                    LogoUtil {
                        objectName: "recvLogo"
                        anchors.fill: parent
                        color: styleUtil.activeTabColor
                    }
                }

                GroupBox {
                    id: connectionInfoBox
                    Layout.fillWidth: true
                    title: "Connection Info"

                    ColumnLayout {
                        anchors.fill: parent
                        spacing: 2

                        Label {
                            text: "Status"
                        }

                        CustomLabel {
                            id: socketStatusLbl
                            objectName: "socketStatusLbl"
                            Layout.fillWidth: true
                            textFormat: Text.PlainText
                            text: viewutil ? viewutil.mrShownConnectionStatus : ""
                        }

                        Label {
                            text: "Source IP Address"
                        }

                        CustomLabel {
                            id: infoSrcIpAddressLbl
                            objectName: "infoSrcIpAddressLbl"
                            Layout.fillWidth: true
                            textFormat: Text.PlainText
                            text: viewutil ? viewutil.mrShownSrcIpAddress : ""
                        }
                    }
                }
            }

            GroupBox {
                Layout.fillWidth: true
                Layout.fillHeight: true
                title: "NMEA Data"

                ColumnLayout {
                    anchors.fill: parent

                    CustomListView {
                        id: listView
                        objectName: "listView"
                        Layout.fillWidth: true
                        Layout.fillHeight: true
                        feed: viewutil ? viewutil.mrFeed : null
                        showVerdicts: true
                        filterText: filterField.text
                    }

                    // "Clear Data" stays in the middle; the new controls
                    // take the room on either side of it.
                    Item {
                        Layout.fillWidth: true
                        Layout.preferredHeight: clearBtn.implicitHeight

                        TextField {
                            id: filterField
                            objectName: "filterField"
                            anchors.left: parent.left
                            anchors.right: clearBtn.left
                            anchors.rightMargin: 6
                            anchors.verticalCenter: parent.verticalCenter
                            leftPadding: 5
                            rightPadding: 5
                            placeholderText: "Filter"
                            Accessible.name: "Filter"
                        }

                        Button {
                            id: clearBtn
                            objectName: "clearBtn"
                            anchors.horizontalCenter: parent.horizontalCenter
                            width: Math.max(implicitWidth, connectBtn.width)
                            Accessible.name: text
                            Accessible.onPressAction: if (enabled) clicked()
                            text: "Clear Data"
                            onClicked: {
                                listView.nmeaModel.clear()
                                if (viewutil)
                                    viewutil.sendMrClearData()
                            }
                        }

                        Button {
                            id: pauseBtn
                            objectName: "pauseBtn"
                            readonly property var feed: viewutil ? viewutil.mrFeed : null
                            readonly property bool paused: feed ? feed.paused : false
                            // More rows than the feed keeps may have come meanwhile.
                            readonly property int held: feed ? feed.heldRows : 0
                            readonly property int kept: feed ? feed.maxHeldRows : 0
                            anchors.left: clearBtn.right
                            anchors.leftMargin: 6
                            width: (parent.width - clearBtn.x - clearBtn.width - 12) / 2
                            text: !paused ? "Pause"
                                          : held > kept ? "Resume (" + root.grouped(held) + ", newest " + root.grouped(kept) + " kept)"
                                                        : "Resume (" + root.grouped(held) + ")"
                            Accessible.name: text
                            Accessible.onPressAction: clicked()
                            onClicked: {
                                if (feed)
                                    feed.paused = !feed.paused
                            }
                        }

                        Button {
                            id: statsBtn
                            objectName: "statsBtn"
                            anchors.left: pauseBtn.right
                            anchors.leftMargin: 6
                            anchors.right: parent.right
                            text: "Statistics"
                            Accessible.name: text
                            Accessible.onPressAction: clicked()
                            onClicked: {
                                statsWin.show()
                                statsWin.raise()
                            }
                        }
                    }
                }
            }
        }

        // Stays while recording was asked for and lines are not being
        // written, whatever the info strip says meanwhile.
        Rectangle {
            id: recordingAlert
            objectName: "recordingAlert"
            readonly property string problem: viewutil ? viewutil.mrRecordingProblem : ""
            Layout.fillWidth: true
            Layout.preferredHeight: 22
            visible: problem !== ""
            color: "#c00000"

            Label {
                id: recordingAlertLbl
                objectName: "recordingAlertLbl"
                anchors.fill: parent
                anchors.leftMargin: 4
                anchors.rightMargin: 4
                verticalAlignment: Text.AlignVCenter
                color: "white"
                font.bold: true
                textFormat: Text.PlainText
                elide: Text.ElideRight
                text: "Not Recording: " + recordingAlert.problem
                Accessible.role: Accessible.AlertMessage
                Accessible.name: text

                HoverHandler {
                    id: recordingAlertHover
                }
                ToolTip.visible: recordingAlertHover.hovered && truncated
                ToolTip.text: text
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 22
            color: "transparent"
            border.width: 1
            border.color: "lightgray"

            CustomLabel {
                id: infoLbl
                objectName: "infoLbl"
                anchors.fill: parent
                anchors.margins: 2
                padding: 2
                textFormat: Text.PlainText
                elide: Text.ElideRight
                text: viewutil ? viewutil.mrInfoMessage : ""
            }
        }
    }

    StatisticsWindow {
        id: statsWin
        objectName: "statsWin"
    }

    // 150000 as "150,000".
    function grouped(n) {
        let text = String(n)
        for (let at = text.length - 3; at > 0; at -= 3)
            text = text.slice(0, at) + "," + text.slice(at)
        return text
    }

    function recvMrSocketStatus() {
        if (!viewutil)
            return
        if (!viewutil.mrSocketStatus) {
            msgWin.message = viewutil.mrSocketStatusMessage
            msgWin.show()
        }
    }

    function updateMrControlsOnConnectionStatus() {
        if (!viewutil)
            return
        const status = viewutil.mrConnectionStatus
        if (status === "Connected")
            updateMrControlsOnConnected()
        else if (status === "Disconnected" || status === "Error")
            updateMrControlsOnDisconnected()
    }

    function updateMrControlsOnConnected() {
        grpIpTextField.readOnly = true
        grpPortTextField.readOnly = true
        connectBtn.enabled = false
        disconnectBtn.enabled = true
    }

    function updateMrControlsOnDisconnected() {
        grpIpTextField.readOnly = false
        grpPortTextField.readOnly = false
        connectBtn.enabled = true
        disconnectBtn.enabled = false
    }

    // The controller unticks the box when no capture file can be opened.
    function followMrSaveNmeaToFileToggle() {
        if (viewutil && saveNmeaChkBox.checked !== viewutil.mrSaveNmeaToFileToggle)
            saveNmeaChkBox.checked = viewutil.mrSaveNmeaToFileToggle
    }

    function recvMrErrorMessage() {
        if (!viewutil)
            return
        const message = viewutil.mrErrorMessage
        if (message === "No Wired Ethernet Interface Found" && !viewutil.mrShowWiredIfaceErrorStatus)
            return
        msgWin.message = message
        msgWin.show()
    }

    function checkSaveMrGrpIpAddStatus() {
        if (!viewutil)
            return
        viewutil.mrDefaultGrpIpAddress = viewutil.mrSaveGrpIpAddStatus ? grpIpTextField.text : ""
    }

    function checkSaveMrGrpPortNumStatus() {
        if (!viewutil)
            return
        viewutil.mrDefaultGrpPortNumber = viewutil.mrSaveGrpPortNumStatus ? grpPortTextField.text : ""
    }
}
