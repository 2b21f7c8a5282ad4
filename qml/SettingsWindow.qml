import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

ApplicationWindow {
    id: root

    flags: Qt.Dialog
    modality: Qt.ApplicationModal
    width: 700
    height: 500
    minimumWidth: 700
    minimumHeight: 500
    maximumWidth: 700
    maximumHeight: 500
    visible: false
    title: "Settings"

    // Any closing, by "Close" or by the window's own control, asks for a save.
    onClosing: {
        if (viewutil)
            viewutil.sendSaveAppSettings()
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 10
        spacing: 10

        // Thirteen rows at spacing 10 fill the fixed height: the check boxes
        // drop their vertical padding so that nothing overlaps.
        GroupBox {
            Layout.fillWidth: true
            Layout.fillHeight: true
            padding: 10
            title: "Multicast Receiver"

            ColumnLayout {
                anchors.fill: parent
                spacing: 10

                CheckBox {
                    id: saveMrIpAddChkBox
                    objectName: "saveMrIpAddChkBox"
                    Accessible.name: "Receiver: " + text
                    Accessible.onToggleAction: if (enabled) toggle()
                    Accessible.onPressAction: if (enabled) toggle()
                    verticalPadding: 0
                    text: "Save Mutlicast Group IP Address"
                    onCheckedChanged: {
                        if (viewutil)
                            viewutil.mrSaveGrpIpAddStatus = checked
                    }
                }

                CheckBox {
                    id: saveMrPortNumChkBox
                    objectName: "saveMrPortNumChkBox"
                    Accessible.name: "Receiver: " + text
                    Accessible.onToggleAction: if (enabled) toggle()
                    Accessible.onPressAction: if (enabled) toggle()
                    verticalPadding: 0
                    text: "Save Multicast Group Port Number"
                    onCheckedChanged: {
                        if (viewutil)
                            viewutil.mrSaveGrpPortNumStatus = checked
                    }
                }

                CheckBox {
                    id: saveMrNmeaToFileChkBox
                    objectName: "saveMrNmeaToFileChkBox"
                    Accessible.name: text
                    Accessible.onToggleAction: if (enabled) toggle()
                    Accessible.onPressAction: if (enabled) toggle()
                    verticalPadding: 0
                    text: "Save NMEA To File"
                    onCheckedChanged: {
                        if (viewutil)
                            viewutil.mrSaveNmeaToFileStatus = checked
                        rootAppWin.recvTab.saveNmeaChkBox = checked
                    }
                }

                CheckBox {
                    id: mrIncludeDateTimeInNmeaFileChkBox
                    objectName: "mrIncludeDateTimeInNmeaFileChkBox"
                    Accessible.name: text
                    Accessible.onToggleAction: if (enabled) toggle()
                    Accessible.onPressAction: if (enabled) toggle()
                    verticalPadding: 0
                    text: "Include Current Date And Time In NMEA Save File"
                    onCheckedChanged: {
                        if (viewutil)
                            viewutil.mrIncludeDateTimeInNmeaFileStatus = checked
                    }
                }

                CheckBox {
                    id: showMrDisconnectErrorChkBox
                    objectName: "showMrDisconnectErrorChkBox"
                    Accessible.name: "Receiver: " + text
                    Accessible.onToggleAction: if (enabled) toggle()
                    Accessible.onPressAction: if (enabled) toggle()
                    verticalPadding: 0
                    text: "Always Show An Error Message On Wired Ethernet Disconnection"
                    onCheckedChanged: {
                        if (viewutil)
                            viewutil.mrShowWiredIfaceErrorStatus = checked
                    }
                }

                CheckBox {
                    id: osChooseMrInterfaceChkBox
                    objectName: "osChooseMrInterfaceChkBox"
                    Accessible.name: "Receiver: " + text
                    Accessible.onToggleAction: if (enabled) toggle()
                    Accessible.onPressAction: if (enabled) toggle()
                    verticalPadding: 0
                    text: "Allow Operating System To Choose Another Network Interface If Wired Network Interface Absent"
                    onCheckedChanged: {
                        if (viewutil)
                            viewutil.mrAllowOsChooseIfaceStatus = checked
                    }
                }

                RowLayout {
                    spacing: 15

                    Label {
                        id: mrDefRxTimeoutLbl
                        text: "Default Rx Timeout"
                    }

                    CustomMrSpinBox {
                        id: mrDefRxTimeoutSpinBox
                        objectName: "mrDefRxTimeoutSpinBox"
                        Accessible.name: mrDefRxTimeoutLbl.text
                        Layout.preferredWidth: 0.75 * mrDefRxTimeoutLbl.implicitWidth
                        Layout.maximumWidth: 0.75 * mrDefRxTimeoutLbl.implicitWidth
                        from: 0
                        to: 60
                        stepSize: 1
                        value: 0
                        editable: true
                        onValueChanged: {
                            if (!viewutil)
                                return
                            viewutil.mrDefaultRxTimeout = value
                            rootAppWin.recvTab.mrRxTimout = viewutil.mrDefaultRxTimeout
                        }
                    }
                }

                Item {
                    Layout.fillHeight: true
                }
            }
        }

        GroupBox {
            Layout.fillWidth: true
            Layout.fillHeight: true
            padding: 10
            title: "Multicast Sender"

            ColumnLayout {
                anchors.fill: parent
                spacing: 10

                CheckBox {
                    id: saveMsIpAddChkBox
                    objectName: "saveMsIpAddChkBox"
                    Accessible.name: "Sender: " + text
                    Accessible.onToggleAction: if (enabled) toggle()
                    Accessible.onPressAction: if (enabled) toggle()
                    verticalPadding: 0
                    text: "Save Mutlicast Group IP Address"
                    onCheckedChanged: {
                        if (viewutil)
                            viewutil.msSaveGrpIpAddStatus = checked
                    }
                }

                CheckBox {
                    id: saveMsPortNumChkBox
                    objectName: "saveMsPortNumChkBox"
                    Accessible.name: "Sender: " + text
                    Accessible.onToggleAction: if (enabled) toggle()
                    Accessible.onPressAction: if (enabled) toggle()
                    verticalPadding: 0
                    text: "Save Multicast Group Port Number"
                    onCheckedChanged: {
                        if (viewutil)
                            viewutil.msSaveGrpPortNumStatus = checked
                    }
                }

                CheckBox {
                    id: saveMsCustomNmeaChkBox
                    objectName: "saveMsCustomNmeaChkBox"
                    Accessible.name: text
                    Accessible.onToggleAction: if (enabled) toggle()
                    Accessible.onPressAction: if (enabled) toggle()
                    verticalPadding: 0
                    text: "Save Custom NMEA Sentence"
                    onCheckedChanged: {
                        if (!viewutil)
                            return
                        viewutil.msSaveCustomNmeaStatus = checked
                        if (!checked)
                            viewutil.msDefaultCustomNmeaSentence = ""
                    }
                }

                CheckBox {
                    id: showMsDisconnectErrorChkBox
                    objectName: "showMsDisconnectErrorChkBox"
                    Accessible.name: "Sender: " + text
                    Accessible.onToggleAction: if (enabled) toggle()
                    Accessible.onPressAction: if (enabled) toggle()
                    verticalPadding: 0
                    text: "Always Show An Error Message On Wired Ethernet Disconnection"
                    onCheckedChanged: {
                        if (viewutil)
                            viewutil.msShowWiredIfaceErrorStatus = checked
                    }
                }

                CheckBox {
                    id: osChooseMsInterfaceChkBox
                    objectName: "osChooseMsInterfaceChkBox"
                    Accessible.name: "Sender: " + text
                    Accessible.onToggleAction: if (enabled) toggle()
                    Accessible.onPressAction: if (enabled) toggle()
                    verticalPadding: 0
                    text: "Allow Operating System To Choose Another Network Interface If Wired Network Interface Absent"
                    onCheckedChanged: {
                        if (viewutil)
                            viewutil.msAllowOsChooseIfaceStatus = checked
                    }
                }

                RowLayout {
                    spacing: 15

                    Label {
                        id: msDefTxIntervalLbl
                        text: "Default Tx Interval"
                    }

                    CustomMsSpinBox {
                        id: msDefTxIntervalSpinBox
                        objectName: "msDefTxIntervalSpinBox"
                        Accessible.name: msDefTxIntervalLbl.text
                        Layout.preferredWidth: 0.75 * msDefTxIntervalLbl.implicitWidth
                        Layout.maximumWidth: 0.75 * msDefTxIntervalLbl.implicitWidth
                        from: 1
                        to: 600
                        stepSize: 1
                        value: 1
                        editable: true
                        onValueChanged: {
                            if (!viewutil)
                                return
                            viewutil.msDefaultTxInterval = value
                            rootAppWin.sendTab.msTxInterval = viewutil.msDefaultTxInterval
                        }
                    }
                }

                Item {
                    Layout.fillHeight: true
                }
            }
        }

        Button {
            id: closeBtn
            objectName: "closeBtn"
            Accessible.name: text
            Accessible.onPressAction: if (enabled) clicked()
            Layout.alignment: Qt.AlignRight
            Layout.preferredWidth: 100
            Layout.preferredHeight: 32
            text: "Close"
            onClicked: root.close()
        }
    }

    function loadAppSettings() {
        if (!viewutil)
            return
        saveMrIpAddChkBox.checked = viewutil.mrSaveGrpIpAddStatus
        saveMrPortNumChkBox.checked = viewutil.mrSaveGrpPortNumStatus
        saveMrNmeaToFileChkBox.checked = viewutil.mrSaveNmeaToFileStatus
        mrIncludeDateTimeInNmeaFileChkBox.checked = viewutil.mrIncludeDateTimeInNmeaFileStatus
        showMrDisconnectErrorChkBox.checked = viewutil.mrShowWiredIfaceErrorStatus
        osChooseMrInterfaceChkBox.checked = viewutil.mrAllowOsChooseIfaceStatus
        mrDefRxTimeoutSpinBox.value = viewutil.mrDefaultRxTimeout
        saveMsIpAddChkBox.checked = viewutil.msSaveGrpIpAddStatus
        saveMsPortNumChkBox.checked = viewutil.msSaveGrpPortNumStatus
        saveMsCustomNmeaChkBox.checked = viewutil.msSaveCustomNmeaStatus
        showMsDisconnectErrorChkBox.checked = viewutil.msShowWiredIfaceErrorStatus
        osChooseMsInterfaceChkBox.checked = viewutil.msAllowOsChooseIfaceStatus
        msDefTxIntervalSpinBox.value = viewutil.msDefaultTxInterval
    }
}
