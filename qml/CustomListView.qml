import QtQuick
import QtQuick.Controls
import Quaycast

Rectangle {
    id: root

    property alias nmeaModel: nmeaModel
    readonly property alias count: listView.count
    // Rows brought by a C++ feed rather than appended one at a time.
    property alias feed: nmeaModel.feed
    property bool showVerdicts: false
    property string filterText: ""
    // The selected rows, first to last, in the rows shown.
    property int selectionFirst: -1
    property int selectionLast: -1
    readonly property int selectionLow: Math.min(selectionFirst, selectionLast)
    readonly property int selectionHigh: Math.max(selectionFirst, selectionLast)

    border.width: 1
    border.color: "lightgray"

    function copySelection() {
        if (selectionLow >= 0)
            Clipboardutil.setText(Clipboardutil.rowsText(listView.model, selectionLow, selectionHigh))
    }

    onFilterTextChanged: selectionFirst = selectionLast = -1

    // The selection stays on its rows when rows before it leave (the oldest
    // go ten thousand at a time), loses those that left, and is cleared with
    // the list.
    function rowsLeft(first, last) {
        if (selectionLow < 0 || first > selectionHigh)
            return
        const gone = last - first + 1
        const low = selectionLow < first ? selectionLow : Math.max(first, selectionLow - gone)
        const high = selectionHigh > last ? selectionHigh - gone : first - 1
        if (high < low)
            selectionFirst = selectionLast = -1
        else if (selectionFirst <= selectionLast)
            selectionFirst = low, selectionLast = high
        else
            selectionFirst = high, selectionLast = low
    }

    Connections {
        target: listView.model
        function onRowsRemoved(parent, first, last) { root.rowsLeft(first, last) }
        function onModelReset() { root.selectionFirst = root.selectionLast = -1 }
    }

    // A compact C++ list model with the ListModel calls the pages use.
    Listutil {
        id: nmeaModel
    }

    // Only while a filter is typed does it follow the rows.
    Rowfilter {
        id: rowFilter
        sourceModel: root.filterText.length > 0 ? nmeaModel : null
        text: root.filterText
    }

    ListView {
        id: listView
        objectName: "nmeaListView"
        anchors.fill: parent
        anchors.margins: 5
        clip: true
        model: root.filterText.length > 0 ? rowFilter : nmeaModel
        boundsBehavior: Flickable.StopAtBounds
        // Rows stream in faster than frames are drawn; a delegate that
        // scrolls out of view takes the next row instead of being destroyed
        // and created anew.
        reuseItems: true
        cacheBuffer: 0
        activeFocusOnTab: true
        Accessible.name: "Rows"
        ScrollBar.vertical: ScrollBar {
            policy: ScrollBar.AlwaysOn
        }

        Keys.onPressed: function(event) {
            if (event.matches(StandardKey.Copy)) {
                root.copySelection()
                event.accepted = true
            }
        }

        delegate: Text {
            id: row
            required property int index
            required property var model
            readonly property int verdict: root.showVerdicts ? model.verdict : 0
            width: ListView.view ? ListView.view.width : implicitWidth
            text: model.text
            textFormat: Text.PlainText
            font.family: "monospace"
            elide: Text.ElideRight
            leftPadding: root.showVerdicts ? 18 : 0
            // Without a role of its own a row gets no node a screen reader
            // finds: it says its text and describes its verdict. A delegate
            // kept aside for reuse shows no row and has no node.
            property bool pooled: false
            ListView.onPooled: pooled = true
            ListView.onReused: pooled = false
            Accessible.ignored: pooled
            Accessible.role: Accessible.StaticText
            Accessible.name: text
            Accessible.description: verdict > 0 ? model.verdictText : ""

            Rectangle {
                anchors.fill: parent
                z: -1
                visible: row.index >= root.selectionLow && row.index <= root.selectionHigh
                color: "#cfe0f5"
            }

            // A symbol and a colour together, so that the verdict does not
            // rest on colour alone.
            Text {
                visible: row.verdict > 0
                width: 16
                horizontalAlignment: Text.AlignHCenter
                font.bold: true
                text: ["", "\u2713", "\u2717", "\u2013", "?"][row.verdict]
                color: ["black", "#1b7a1b", "#c00000", "#8a6d00", "#505050"][row.verdict]
            }

            HoverHandler {
                id: hover
                onHoveredChanged: {
                    // Each line's verdict and TAG block, as its record said.
                    const detail = hovered ? row.model.verdictText : ""
                    if (hovered && (row.truncated || detail !== "")) {
                        rowTip.text = [row.truncated ? row.text : "", detail]
                            .filter(function(part) { return part !== "" }).join("\n")
                        rowTip.parent = row
                        rowTip.open()
                    } else if (rowTip.parent === row) {
                        rowTip.close()
                    }
                }
            }

            TapHandler {
                id: tap
                acceptedButtons: Qt.LeftButton | Qt.RightButton
                onTapped: function(eventPoint, button) {
                    listView.forceActiveFocus()
                    const inside = row.index >= root.selectionLow && row.index <= root.selectionHigh
                    if (button === Qt.RightButton) {
                        if (!inside)
                            root.selectionFirst = root.selectionLast = row.index
                        copyMenu.popup()
                    } else if ((tap.point.modifiers & Qt.ShiftModifier) && root.selectionFirst >= 0) {
                        root.selectionLast = row.index
                    } else {
                        root.selectionFirst = root.selectionLast = row.index
                    }
                }
            }
        }

        // Rows may arrive many times per frame. After an append the end comes
        // into view with the next frame of a 60 Hz display, so the visible
        // rows are laid out once per frame rather than once per row; after
        // clearing, at once. A feed brings a frame's rows at once: they come
        // into view with that frame.
        onCountChanged: {
            if (count === 0)
                positionViewAtEnd()
            else if (nmeaModel.feed)
                Qt.callLater(listView.positionViewAtEnd)
            else if (!toEndTimer.running)
                toEndTimer.start()
        }

        Timer {
            id: toEndTimer
            interval: 16
            onTriggered: listView.positionViewAtEnd()
        }
    }

    // The whole row (received text, so plain) and its verdict.
    ToolTip {
        id: rowTip
        objectName: "rowTip"
        delay: 400
        width: Math.min(implicitWidth, root.width)
        contentItem: Text {
            text: rowTip.text
            textFormat: Text.PlainText
            wrapMode: Text.WrapAnywhere
            font.family: "monospace"
        }
    }

    Menu {
        id: copyMenu

        MenuItem {
            objectName: "copyRowsItem"
            text: "Copy Selected Rows"
            Accessible.name: text
            onTriggered: root.copySelection()
        }
    }
}
