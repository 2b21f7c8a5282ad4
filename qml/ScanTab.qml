import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import Quaycast

// The network scan: every group of a preset or of the free entries at once,
// a row per group and below it a row per source, and the stale ones as alarms.
Rectangle {
    id: root

    readonly property var scan: controlutil ? controlutil.scan : null
    readonly property bool running: scan ? scan.running : false
    property string selectedKey: ""
    // A group row's GROUP:PORT for the receiver tab.
    signal openInReceiver(string group, string port)

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 10
        spacing: 6

        RowLayout {
            Layout.fillWidth: true
            spacing: 10

            GroupBox {
                id: groupsBox
                Layout.fillWidth: true
                title: "Groups"

                GridLayout {
                    anchors.fill: parent
                    columns: 2
                    columnSpacing: 10
                    rowSpacing: 4

                    Label {
                        id: presetLbl
                        text: "Preset"
                    }

                    ComboBox {
                        id: presetComboBox
                        objectName: "presetComboBox"
                        Layout.fillWidth: true
                        Accessible.name: presetLbl.text
                        // The chosen preset, which the plain text below does not expose.
                        Accessible.description: displayText
                        enabled: !root.running
                        model: root.scan ? root.scan.presets : []
                        // Plain text in place of the style's read-only field, which a
                        // screen reader would announce as an unnamed edit box.
                        contentItem: Text {
                            leftPadding: 8
                            text: presetComboBox.displayText
                            textFormat: Text.PlainText
                            verticalAlignment: Text.AlignVCenter
                            elide: Text.ElideRight
                        }
                        currentIndex: root.scan ? Math.max(0, root.scan.presets.indexOf(root.scan.preset)) : 0
                        onActivated: function(index) {
                            if (root.scan)
                                root.scan.preset = root.scan.presets[index]
                        }
                    }

                    Label {
                        id: entriesLbl
                        Layout.alignment: Qt.AlignTop
                        text: "GROUP:PORT"
                    }

                    ScrollView {
                        Layout.fillWidth: true
                        Layout.preferredHeight: 54

                        TextArea {
                            id: entriesTextArea
                            objectName: "entriesTextArea"
                            Accessible.name: "Free entries, one GROUP:PORT per line"
                            readOnly: root.running
                            placeholderText: "e.g. 239.192.0.20:60020, one per line"
                            text: root.scan ? root.scan.entries : ""
                            onEditingFinished: {
                                if (root.scan && root.scan.entries !== text)
                                    root.scan.entries = text
                            }
                        }
                    }
                }
            }

            ColumnLayout {
                Layout.alignment: Qt.AlignTop
                spacing: 4

                Button {
                    id: startScanBtn
                    objectName: "startScanBtn"
                    Layout.fillWidth: true
                    Accessible.name: text
                    Accessible.onPressAction: if (enabled) clicked()
                    text: "Start Scan"
                    enabled: !root.running
                    onClicked: {
                        if (!root.scan)
                            return
                        root.scan.entries = entriesTextArea.text
                        root.scan.start()
                    }
                }

                Button {
                    id: stopScanBtn
                    objectName: "stopScanBtn"
                    Layout.fillWidth: true
                    Accessible.name: text
                    Accessible.onPressAction: if (enabled) clicked()
                    text: "Stop Scan"
                    enabled: root.running
                    onClicked: {
                        if (root.scan)
                            root.scan.stop()
                    }
                }
            }
        }

        Label {
            id: scanStatusLbl
            objectName: "scanStatusLbl"
            Layout.fillWidth: true
            elide: Text.ElideRight
            textFormat: Text.PlainText
            text: root.scan ? root.scan.status : ""
            Accessible.name: text
        }

        StatsTable {
            id: scanMap
            objectName: "scanMap"
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.minimumHeight: 120
            name: "Network map"
            model: root.scan
            sortable: false
            parts: [0.08, 0.17, 0.05, 0.05, 0.06, 0.13, 0.1, 0.04, 0.06, 0.14, 0.12]
            selectedKey: root.selectedKey
            onRowChosen: function(key) { root.selectedKey = root.selectedKey === key ? "" : key }
        }

        // Read out by screen readers whenever a group or source turns stale or
        // recovers: an alert whose name changes. A Text, since a Label sets
        // its own role when accessibility starts.
        Text {
            id: alarmsLbl
            objectName: "alarmsLbl"
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            maximumLineCount: 3
            elide: Text.ElideRight
            textFormat: Text.PlainText
            font.bold: !none
            color: none ? "black" : "#b00000"
            readonly property bool none: text === "" || text === "Alarms: none"
            text: root.scan ? root.scan.alarms : ""
            Accessible.role: Accessible.AlertMessage
            Accessible.name: text
        }

        RowLayout {
            Layout.fillWidth: true

            Button {
                id: openInReceiverBtn
                objectName: "openInReceiverBtn"
                Accessible.name: text
                Accessible.onPressAction: if (enabled) clicked()
                text: "Open in Receiver"
                enabled: root.selectedKey !== ""
                onClicked: {
                    if (!root.scan)
                        return
                    const target = root.scan.target(root.selectedKey)
                    if (target.group !== undefined)
                        root.openInReceiver(target.group, target.port)
                }
            }

            Item {
                Layout.fillWidth: true
            }

            Button {
                id: copyScanBtn
                objectName: "copyScanBtn"
                Accessible.name: text
                Accessible.onPressAction: clicked()
                text: "Copy"
                onClicked: {
                    if (root.scan)
                        Clipboardutil.setText(root.scan.json())
                }
            }

            Button {
                id: saveScanBtn
                objectName: "saveScanBtn"
                Accessible.name: text
                Accessible.onPressAction: clicked()
                text: "Save"
                onClicked: scanDialog.open()
            }
        }
    }

    FileDialog {
        id: scanDialog
        title: "Save Network Scan"
        fileMode: FileDialog.SaveFile
        defaultSuffix: "json"
        nameFilters: ["JSON files (*.json)"]
        onAccepted: root.save(selectedFile)
    }

    Connections {
        target: root.scan
        function onFailed(message) {
            msgWin.message = message
            msgWin.show()
        }
    }

    function save(file) {
        if (!root.scan)
            return
        const failure = root.scan.saveJson(file)
        if (failure !== "") {
            msgWin.message = "Failed To Save Network Scan: " + failure
            msgWin.show()
        }
    }
}
