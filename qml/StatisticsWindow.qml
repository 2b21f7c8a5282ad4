import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import QtQuick.Window
import Quaycast

Window {
    id: root

    readonly property var stats: viewutil ? viewutil.mrStats : null
    // Column captions, the model's role each one sorts by, and their widths
    // as parts of the table's width.
    readonly property var columns: [
        { title: "Sentence", role: "kind", part: 0.15 },
        { title: "Count", role: "count", part: 0.12 },
        { title: "Rate/s", role: "rate", part: 0.11 },
        { title: "Last seen", role: "age", part: 0.13 },
        { title: "Wrong", role: "wrong", part: 0.1 },
        { title: "Hosts", role: "hosts", part: 0.27 },
        { title: "State", role: "stale", part: 0.12 }
    ]

    width: 640
    height: 520
    minimumWidth: 480
    minimumHeight: 400
    title: "NMEA Statistics"
    color: "white"

    onVisibleChanged: {
        if (stats)
            stats.active = visible
    }

    function cellText(column, row) {
        switch (column) {
        case 0: return row.kind
        case 1: return String(row.count)
        case 2: return row.rate.toFixed(1)
        case 3: return row.age.toFixed(1) + " s"
        case 4: return String(row.wrong)
        case 5: return row.hosts
        default: return row.stale ? "\u26a0 stale" : "active"
        }
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 10
        spacing: 6

        Row {
            id: header
            Layout.fillWidth: true

            Repeater {
                model: root.columns

                Button {
                    required property var modelData
                    required property int index
                    objectName: "sortBtn_" + modelData.role
                    width: header.width * modelData.part
                    flat: true
                    readonly property bool sorted: root.stats && root.stats.sortRole === modelData.role
                    text: modelData.title + (sorted ? (root.stats.sortDescending ? " \u25bc" : " \u25b2") : "")
                    Accessible.name: "Sort by " + modelData.title
                    Accessible.onPressAction: clicked()
                    onClicked: {
                        if (!root.stats)
                            return
                        if (sorted)
                            root.stats.sortDescending = !root.stats.sortDescending
                        else
                            root.stats.sortRole = modelData.role
                    }
                }
            }
        }

        ListView {
            id: table
            objectName: "statsTable"
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.minimumHeight: 80
            clip: true
            model: root.stats
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar {}

            delegate: Rectangle {
                id: statRow
                required property var model
                readonly property bool selected: root.stats && root.stats.selectedKind === model.kind
                width: table.width
                height: 22
                color: selected ? "#cfe0f5" : (model.stale ? "#fff1d6" : "transparent")

                Row {
                    anchors.fill: parent

                    Repeater {
                        model: root.columns

                        Text {
                            required property var modelData
                            required property int index
                            width: header.width * modelData.part
                            height: statRow.height
                            leftPadding: 6
                            verticalAlignment: Text.AlignVCenter
                            elide: Text.ElideRight
                            textFormat: Text.PlainText
                            color: index === 6 && statRow.model.stale ? "#a04000" : "black"
                            text: root.cellText(index, statRow.model)
                        }
                    }
                }

                TapHandler {
                    onTapped: {
                        if (root.stats)
                            root.stats.selectedKind = statRow.selected ? "" : statRow.model.kind
                    }
                }
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
            text: viewutil ? viewutil.mrIec450Summary : ""
            Accessible.name: text

            HoverHandler {
                id: iec450SourcesHover
            }
            ToolTip.visible: iec450SourcesHover.hovered && text !== ""
            ToolTip.text: viewutil ? viewutil.mrIec450Details : ""
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
        onAccepted: {
            if (root.stats)
                root.stats.saveCsv(selectedFile)
        }
    }
}
