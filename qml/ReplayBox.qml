import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts

// Replays a file of NMEA lines through the running sender.
GroupBox {
    id: root

    readonly property bool active: viewutil ? viewutil.msReplayActive : false

    title: "Replay"

    ColumnLayout {
        anchors.fill: parent
        spacing: 2

        RowLayout {
            Layout.fillWidth: true
            spacing: 10

            Button {
                id: replayFileBtn
                objectName: "replayFileBtn"
                text: "Replay File…"
                enabled: !root.active
                Accessible.name: text
                Accessible.onPressAction: if (enabled) clicked()
                onClicked: replayFileDialog.open()
            }

            // A path from a terminal or a ticket, used as the dialog's choice is.
            TextField {
                id: replayPathTextField
                objectName: "replayPathTextField"
                Layout.fillWidth: true
                Layout.minimumWidth: 120
                enabled: !root.active
                leftPadding: 5
                rightPadding: 5
                placeholderText: "Type a path, press Enter"
                Accessible.name: "Replay File Path"
                Accessible.description: "Type or paste the path of a file to replay and press Enter"
                onAccepted: {
                    if (viewutil && text.trim() !== "")
                        viewutil.msReplayFilePath = text
                }
            }

            ComboBox {
                id: replaySpeedComboBox
                objectName: "replaySpeedComboBox"
                Layout.preferredWidth: 150
                enabled: !root.active
                textRole: "text"
                valueRole: "speed"
                model: [
                    { text: "Speed 1x", speed: 1 },
                    { text: "Speed 2x", speed: 2 },
                    { text: "Speed 10x", speed: 10 },
                    { text: "As Fast As Possible", speed: 0 }
                ]
                Accessible.name: "Replay Speed"
                // The chosen speed, which the plain text below does not expose.
                Accessible.description: displayText
                // Plain text in place of the style's read-only field, which a
                // screen reader would announce as an unnamed edit box.
                contentItem: Text {
                    leftPadding: 8
                    text: replaySpeedComboBox.displayText
                    textFormat: Text.PlainText
                    verticalAlignment: Text.AlignVCenter
                    elide: Text.ElideRight
                }
                onActivated: {
                    if (viewutil)
                        viewutil.msReplaySpeed = currentValue
                }
            }

            CheckBox {
                id: replayLoopChkBox
                objectName: "replayLoopChkBox"
                text: "Loop"
                Accessible.name: text
                Accessible.onToggleAction: if (enabled) toggle()
                onCheckedChanged: {
                    if (viewutil)
                        viewutil.msReplayLoop = checked
                }
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 10

            CheckBox {
                id: skipSilencesChkBox
                objectName: "skipSilencesChkBox"
                text: "Skip Silences Longer Than"
                enabled: !root.active
                checked: viewutil ? viewutil.msReplaySkipSilences : false
                Accessible.name: text
                Accessible.description: "Silences longer than the seconds beside are shortened to them"
                Accessible.onToggleAction: if (enabled) toggle()
                Accessible.onPressAction: if (enabled) toggle()
                onCheckedChanged: {
                    if (viewutil && viewutil.msReplaySkipSilences !== checked)
                        viewutil.msReplaySkipSilences = checked
                }
            }

            SpinBox {
                id: silenceSpinBox
                objectName: "silenceSpinBox"
                enabled: !root.active
                from: 1
                to: 3600
                editable: true
                Layout.preferredWidth: 100
                value: viewutil ? viewutil.msReplaySilenceSeconds : 10
                Accessible.name: "Longest Silence In Seconds"
                textFromValue: function(value) {
                    return String(value)
                }
                valueFromText: function(text) {
                    const seconds = parseInt(text, 10)
                    return isNaN(seconds) ? value : seconds
                }
                onValueModified: {
                    if (viewutil)
                        viewutil.msReplaySilenceSeconds = value
                }
            }

            Label {
                text: "s"
            }

            Item {
                Layout.fillWidth: true
            }

            Button {
                id: replayStopBtn
                objectName: "replayStopBtn"
                text: "Stop Replay"
                enabled: root.active
                Accessible.name: text
                Accessible.onPressAction: if (enabled) clicked()
                onClicked: {
                    if (viewutil)
                        viewutil.msReplayFilePath = ""
                }
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 10

            ProgressBar {
                id: replayProgressBar
                objectName: "replayProgressBar"
                Layout.fillWidth: true
                from: 0
                to: 1
                value: viewutil ? viewutil.msReplayProgress : 0
                Accessible.name: "Replay Progress"
            }

            Label {
                id: replayPositionLbl
                objectName: "replayPositionLbl"
                Layout.preferredWidth: 250
                textFormat: Text.PlainText
                elide: Text.ElideRight
                text: viewutil ? viewutil.msReplayPosition : ""
            }
        }
    }

    FileDialog {
        id: replayFileDialog
        objectName: "replayFileDialog"
        title: "Replay File"
        nameFilters: ["Text files (*.txt *.log *.nmea)", "All files (*)"]
        onAccepted: {
            replayPathTextField.text = decodeURIComponent(selectedFile.toString().replace(/^file:\/\//, ""))
            if (viewutil)
                viewutil.msReplayFilePath = selectedFile.toString()
        }
    }
}
