import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

Rectangle {
    id: root

    property alias msGrpIpAddress: grpIpTextField.text
    property alias msGrpPortNumber: grpPortTextField.text
    property alias msCustomNmeaSentence: customNmeaTextField.text
    property alias msTxInterval: txIntervalSpinBox.value

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
                            onTextChanged: root.checkSaveMsGrpIpAddStatus()
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
                            onTextChanged: root.checkSaveMsGrpPortNumStatus()
                        }

                        RowLayout {
                            Layout.fillWidth: true
                            Layout.topMargin: 10
                            Layout.bottomMargin: 5
                            Layout.alignment: Qt.AlignHCenter

                            Button {
                                id: startBtn
                                objectName: "startBtn"
                                Accessible.name: text
                                Accessible.onPressAction: if (enabled) clicked()
                                Layout.fillWidth: true
                                Layout.preferredWidth: 1
                                text: "Start"
                                onClicked: {
                                    if (!viewutil)
                                        return
                                    viewutil.msGrpIpAddress = grpIpTextField.text
                                    viewutil.msGrpPortNumber = grpPortTextField.text
                                    viewutil.msConnectionToggle = "start"
                                }
                            }

                            Button {
                                id: stopBtn
                                objectName: "stopBtn"
                                Accessible.name: text
                                Accessible.onPressAction: if (enabled) clicked()
                                Layout.fillWidth: true
                                Layout.preferredWidth: 1
                                text: "Stop"
                                enabled: false
                                onClicked: {
                                    if (viewutil)
                                        viewutil.msConnectionToggle = "stop"
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
                                id: txIntervalLbl
                                text: "Tx Interval"
                            }

                            CustomMsSpinBox {
                                id: txIntervalSpinBox
                                objectName: "txIntervalSpinBox"
                                Accessible.name: txIntervalLbl.text
                                Layout.preferredWidth: 1.25 * txIntervalLbl.implicitWidth
                                Layout.maximumWidth: 1.25 * txIntervalLbl.implicitWidth
                                from: 1
                                to: 600
                                stepSize: 1
                                value: 10
                                editable: true
                                onValueChanged: {
                                    if (viewutil)
                                        viewutil.msTxInterval = value
                                }
                            }
                        }

                        // In the row of the receiver's "Save NMEA To File", so that both
                        // "Settings" boxes are equally high.
                        RowLayout {
                            spacing: 10

                            CheckBox {
                                id: iec450ChkBox
                                objectName: "iec450ChkBox"
                                text: "IEC 61162-450"
                                Accessible.name: text
                                Accessible.onToggleAction: if (enabled) { toggle(); toggled() }
                                Accessible.onPressAction: if (enabled) { toggle(); toggled() }
                                onToggled: {
                                    if (!viewutil)
                                        return
                                    viewutil.msIec450Identity = sourceIdTextField.text
                                    viewutil.msIec450Enabled = checked
                                }
                            }

                            CheckBox {
                                id: liveTimeChkBox
                                objectName: "liveTimeChkBox"
                                text: "Live Time"
                                checked: viewutil ? viewutil.msLiveTime : false
                                Accessible.name: text
                                Accessible.onToggleAction: if (enabled) toggle()
                                Accessible.onPressAction: if (enabled) toggle()
                                onCheckedChanged: {
                                    if (viewutil && viewutil.msLiveTime !== checked)
                                        viewutil.msLiveTime = checked
                                }
                            }
                        }
                    }
                }

                GroupBox {
                    Layout.fillWidth: true
                    Layout.fillHeight: true

                    LogoUtil {
                        objectName: "sendLogo"
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
                            text: viewutil ? viewutil.msConnectionStatus : ""
                        }

                        Label {
                            text: "Source IP Address"
                        }

                        CustomLabel {
                            id: infoSrcIpAddressLbl
                            objectName: "infoSrcIpAddressLbl"
                            Layout.fillWidth: true
                            textFormat: Text.PlainText
                            text: viewutil ? viewutil.msSrcIpAddress : ""
                        }
                    }
                }
            }

            ColumnLayout {
                Layout.fillWidth: true
                Layout.fillHeight: true
                spacing: 5

                GroupBox {
                    Layout.fillWidth: true
                    title: "Template NMEA Data"

                    RowLayout {
                        anchors.fill: parent
                        spacing: 50

                        ColumnLayout {
                            Layout.fillWidth: true
                            Layout.alignment: Qt.AlignTop
                            spacing: 15

                            CheckBox {
                                id: headingChkBox
                                objectName: "headingChkBox"
                                Accessible.name: text
                                Accessible.onToggleAction: if (enabled) toggle()
                                Accessible.onPressAction: if (enabled) toggle()
                                text: "Heading"
                                onCheckedChanged: root.templateBoxChanged(checked, viewutil ? viewutil.msHeadingNmeaSentence : "")
                            }

                            CheckBox {
                                id: positionZdaChkBox
                                objectName: "positionZdaChkBox"
                                Accessible.name: text
                                Accessible.onToggleAction: if (enabled) toggle()
                                Accessible.onPressAction: if (enabled) toggle()
                                text: "Position - ZDA"
                                onCheckedChanged: root.templateBoxChanged(checked, viewutil ? viewutil.msPositionZdaNmeaSentence : "")
                            }

                            CheckBox {
                                id: positionRmcChkBox
                                objectName: "positionRmcChkBox"
                                Accessible.name: text
                                Accessible.onToggleAction: if (enabled) toggle()
                                Accessible.onPressAction: if (enabled) toggle()
                                text: "Position - RMC"
                                onCheckedChanged: root.templateBoxChanged(checked, viewutil ? viewutil.msPositionRmcNmeaSentence : "")
                            }
                        }

                        ColumnLayout {
                            Layout.fillWidth: true
                            Layout.alignment: Qt.AlignTop
                            spacing: 15

                            CheckBox {
                                id: speedChkBox
                                objectName: "speedChkBox"
                                Accessible.name: text
                                Accessible.onToggleAction: if (enabled) toggle()
                                Accessible.onPressAction: if (enabled) toggle()
                                text: "Speed"
                                onCheckedChanged: root.templateBoxChanged(checked, viewutil ? viewutil.msSpeedNmeaSentence : "")
                            }

                            CheckBox {
                                id: depthChkBox
                                objectName: "depthChkBox"
                                Accessible.name: text
                                Accessible.onToggleAction: if (enabled) toggle()
                                Accessible.onPressAction: if (enabled) toggle()
                                text: "Depth"
                                onCheckedChanged: root.templateBoxChanged(checked, viewutil ? viewutil.msDepthNmeaSentence : "")
                            }

                            CheckBox {
                                id: windChkBox
                                objectName: "windChkBox"
                                Accessible.name: text
                                Accessible.onToggleAction: if (enabled) toggle()
                                Accessible.onPressAction: if (enabled) toggle()
                                text: "Wind"
                                onCheckedChanged: root.templateBoxChanged(checked, viewutil ? viewutil.msWindNmeaSentence : "")
                            }
                        }

                        ColumnLayout {
                            Layout.fillWidth: true
                            Layout.alignment: Qt.AlignTop
                            spacing: 15

                            CheckBox {
                                id: selectAllChkBox
                                objectName: "selectAllChkBox"
                                Accessible.name: text
                                Accessible.onToggleAction: if (enabled) toggle()
                                Accessible.onPressAction: if (enabled) toggle()
                                text: "Select All"
                                onCheckedChanged: {
                                    headingChkBox.checked = checked
                                    positionZdaChkBox.checked = checked
                                    positionRmcChkBox.checked = checked
                                    speedChkBox.checked = checked
                                    windChkBox.checked = checked
                                    depthChkBox.checked = checked
                                }
                            }
                        }
                    }
                }

                GroupBox {
                    id: customNmeaBox
                    Layout.fillWidth: true
                    title: "Custom NMEA Data"

                    ColumnLayout {
                        anchors.fill: parent
                        spacing: 15

                        TextField {
                            id: customNmeaTextField
                            objectName: "customNmeaTextField"
                            Accessible.name: customNmeaBox.title
                            Layout.fillWidth: true
                            leftPadding: 5
                            rightPadding: 5
                            placeholderText: "Pls Enter Valid NMEA Sentence"
                        }

                        RowLayout {
                            Layout.fillWidth: true
                            spacing: 10

                            CheckBox {
                                id: setCustomNmeaChkBox
                                objectName: "setCustomNmeaChkBox"
                                Accessible.name: text
                                Accessible.onToggleAction: if (enabled) toggle()
                                Accessible.onPressAction: if (enabled) toggle()
                                text: "Set"
                                onCheckedChanged: {
                                    if (checked)
                                        root.setCustomNmeaSentence()
                                    else
                                        root.unsetCustomNmeaSentence()
                                }
                            }

                            Item {
                                Layout.fillWidth: true
                            }

                            // The identity of the "IEC 61162-450" option under "Settings".
                            Label {
                                text: "IEC 61162-450 Source"
                            }

                            TextField {
                                id: sourceIdTextField
                                objectName: "sourceIdTextField"
                                Layout.preferredWidth: 1.5 * txIntervalLbl.implicitWidth
                                Layout.maximumHeight: setCustomNmeaChkBox.implicitHeight
                                leftPadding: 5
                                rightPadding: 5
                                maximumLength: 6
                                // A hint, not a value: grey, slanted, and says it is an example.
                                placeholderText: "e.g. EI0001"
                                placeholderTextColor: "#8a8a8a"
                                font.italic: text === ""
                                Accessible.name: "IEC 61162-450 Source"
                                Accessible.description: "Two letters and four digits, for example EI0001"
                                ToolTip.visible: hovered
                                ToolTip.delay: 500
                                ToolTip.text: "Type two letters and four digits, for example EI0001"
                                onEditingFinished: {
                                    if (viewutil && text !== viewutil.msIec450Identity)
                                        viewutil.msIec450Identity = text
                                }
                            }
                        }
                    }
                }

                ReplayBox {
                    id: replayBox
                    objectName: "replayBox"
                    Layout.fillWidth: true
                }

                GroupBox {
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    title: "Transmitted NMEA Data"

                    ColumnLayout {
                        anchors.fill: parent

                        CustomListView {
                            id: senderListView
                            objectName: "senderListView"
                            Layout.fillWidth: true
                            Layout.fillHeight: true
                        }

                        Button {
                            id: senderClearBtn
                            objectName: "senderClearBtn"
                            Accessible.name: text
                            Accessible.onPressAction: if (enabled) clicked()
                            Layout.alignment: Qt.AlignHCenter
                            Layout.minimumWidth: startBtn.width
                            text: "Clear Data"
                            onClicked: senderListView.nmeaModel.clear()
                        }
                    }
                }
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
                color: "black"
                textFormat: Text.PlainText
                elide: Text.ElideRight
                text: viewutil ? viewutil.msInfoMessage : ""
            }
        }
    }

    // The view model may refuse the option (an invalid identity) or hold it
    // from the preferences file.
    Connections {
        target: viewutil
        function onSendMsIec450EnabledChanged() {
            iec450ChkBox.checked = viewutil.msIec450Enabled
        }
        function onSendMsIec450IdentityChanged() {
            if (!sourceIdTextField.activeFocus)
                sourceIdTextField.text = viewutil.msIec450Identity
        }
    }

    Component.onCompleted: {
        if (!viewutil)
            return
        iec450ChkBox.checked = viewutil.msIec450Enabled
        sourceIdTextField.text = viewutil.msIec450Identity
    }

    function templateBoxChanged(ticked, sentence) {
        if (!viewutil)
            return
        if (ticked)
            appendNmeaSentence(sentence)
        else
            removeTemplateNmeaSentence(sentence)
    }

    // A plain copy: changing the property's own sequence in place would write
    // it back by itself, and each change must reach the view model once.
    function sentencesListCopy() {
        return Array.from(viewutil.msNmeaSentencesList)
    }

    function appendNmeaSentence(sentence) {
        const list = sentencesListCopy()
        list.push(sentence)
        viewutil.msNmeaSentencesList = list
    }

    function removeTemplateNmeaSentence(tempNmeaSentence) {
        if (!viewutil)
            return
        const list = sentencesListCopy()
        const index = list.indexOf(tempNmeaSentence)
        if (index < 0)
            return
        list.splice(index, 1)
        viewutil.msNmeaSentencesList = list
    }

    function setCustomNmeaSentence() {
        const text = customNmeaTextField.text
        if (text === "") {
            setCustomNmeaChkBox.checked = false
            msgWin.message = "No Nmea Sentence Found !"
            msgWin.show()
            return
        }
        if (!viewutil)
            return
        // The verdict is in the view model when this write returns; a rejection
        // has already cleared the box and shown the validator's message.
        viewutil.msCustomNmeaSentence = text
        if (!viewutil.msCustomNmeaSentenceStatus)
            return
        customNmeaTextField.readOnly = true
        appendNmeaSentence(text)
        viewutil.msDefaultCustomNmeaSentence = viewutil.msSaveCustomNmeaStatus ? text : ""
    }

    function unsetCustomNmeaSentence() {
        const text = customNmeaTextField.text
        if (text === "")
            return
        removeTemplateNmeaSentence(text)
        customNmeaTextField.readOnly = false
    }

    function recvMsSocketStatus() {
        if (!viewutil)
            return
        if (!viewutil.msSocketStatus) {
            msgWin.message = viewutil.msSocketStatusMessage
            msgWin.show()
        }
    }

    function updateMsControlsOnConnectionStatus() {
        if (!viewutil)
            return
        const status = viewutil.msConnectionStatus
        if (status === "Started" || status === "No Transmission")
            updateMsControlsOnStarted()
        else if (status === "Stopped" || status === "Error")
            updateMsControlsOnStopped()
    }

    function updateMsControlsOnStarted() {
        grpIpTextField.readOnly = true
        grpPortTextField.readOnly = true
        startBtn.enabled = false
        stopBtn.enabled = true
    }

    function updateMsControlsOnStopped() {
        grpIpTextField.readOnly = false
        grpPortTextField.readOnly = false
        startBtn.enabled = true
        stopBtn.enabled = false
    }

    function updateMsListView() {
        if (viewutil)
            senderListView.nmeaModel.append({ text: viewutil.msNmeaSentence })
    }

    function recvMsErrorMessage() {
        if (!viewutil)
            return
        const message = viewutil.msErrorMessage
        if (message === "No Wired Ethernet Interface Found" && !viewutil.msShowWiredIfaceErrorStatus)
            return
        msgWin.message = message
        msgWin.show()
    }

    function recvCustomNmeaErrorMessage() {
        if (!viewutil)
            return
        if (!viewutil.msCustomNmeaSentenceStatus) {
            setCustomNmeaChkBox.checked = false
            msgWin.message = viewutil.msCustomNmeaSentenceValidateMessage
            msgWin.show()
        }
    }

    function checkSaveMsGrpIpAddStatus() {
        if (!viewutil)
            return
        viewutil.msDefaultGrpIpAddress = viewutil.msSaveGrpIpAddStatus ? grpIpTextField.text : ""
    }

    function checkSaveMsGrpPortNumStatus() {
        if (!viewutil)
            return
        viewutil.msDefaultGrpPortNumber = viewutil.msSaveGrpPortNumStatus ? grpPortTextField.text : ""
    }
}
