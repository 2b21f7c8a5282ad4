import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import QtQuick.Window
import Quaycast

Window {
    id: root

    readonly property var stats: viewutil ? viewutil.mrStats : null
    readonly property var sources: stats ? stats.sources : null

    width: 760
    height: 640
    minimumWidth: 520
    minimumHeight: 480
    title: "NMEA Statistics"
    color: "white"

    onVisibleChanged: {
        if (stats)
            stats.active = visible
    }

    // A file that could not be written whole is named in a message.
    function saveCsv(file) {
        const failure = root.stats ? root.stats.saveCsv(file) : "No Statistics"
        if (failure !== "") {
            msgWin.message = "Failed To Save CSV File: " + failure
            msgWin.show()
            msgWin.raise()
        }
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 10
        spacing: 6

        StatsTable {
            id: kindsTable
            objectName: "statsTable"
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.minimumHeight: 100
            name: "Sentence kinds"
            model: root.stats
            parts: [0.15, 0.12, 0.11, 0.13, 0.1, 0.27, 0.12]
            selectedKey: root.stats ? root.stats.selectedKind : ""
            onRowChosen: function(key) {
                if (root.stats)
                    root.stats.selectedKind = root.stats.selectedKind === key ? "" : key
            }
        }

        Label {
            id: totalLbl
            objectName: "totalLbl"
            Layout.fillWidth: true
            font.bold: true
            textFormat: Text.PlainText
            text: root.stats ? "Total: " + root.stats.totalCount + " sentences, "
                               + root.stats.totalRate.toFixed(1) + " per second, "
                               + Math.round(root.stats.totalBytesPerSecond) + " bytes per second"
                             : ""
        }

        // IEC 61162-450 sources and the sentences lost between their line counts.
        Label {
            id: iec450SourcesLbl
            objectName: "iec450SourcesLbl"
            Layout.fillWidth: true
            visible: text !== ""
            elide: Text.ElideRight
            textFormat: Text.PlainText
            text: root.stats ? root.stats.sourcesSummary : ""
            Accessible.name: text
        }

        StatsTable {
            id: sourcesTable
            objectName: "sourcesTable"
            Layout.fillWidth: true
            Layout.preferredHeight: 150
            Layout.minimumHeight: 80
            name: "Sources"
            model: root.sources
            parts: [0.1, 0.13, 0.1, 0.07, 0.1, 0.1, 0.08, 0.1, 0.1, 0.12]
        }

        RatePlot {
            id: plot
            objectName: "ratePlot"
            Layout.fillWidth: true
            Layout.preferredHeight: 140
            total: root.stats ? root.stats.totalHistory : []
            selected: root.stats ? root.stats.selectedHistory : []
            selectedName: root.stats ? root.stats.selectedKind : ""
        }

        RowLayout {
            Layout.fillWidth: true

            Label {
                Layout.fillWidth: true
                text: "Select a row to plot its sentence."
                color: "#505050"
            }

            Button {
                id: copyCsvBtn
                objectName: "copyCsvBtn"
                text: "Copy CSV"
                Accessible.name: text
                Accessible.onPressAction: clicked()
                onClicked: {
                    if (root.stats)
                        Clipboardutil.setText(root.stats.csv())
                }
            }

            Button {
                id: saveCsvBtn
                objectName: "saveCsvBtn"
                text: "Save CSV"
                Accessible.name: text
                Accessible.onPressAction: clicked()
                onClicked: csvDialog.open()
            }
        }
    }

    FileDialog {
        id: csvDialog
        title: "Save Statistics"
        fileMode: FileDialog.SaveFile
        defaultSuffix: "csv"
        nameFilters: ["CSV files (*.csv)"]
        onAccepted: root.saveCsv(selectedFile)
    }
}
