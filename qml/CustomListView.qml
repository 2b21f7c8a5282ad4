import QtQuick
import QtQuick.Controls
import Quaycast

Rectangle {
    id: root

    property alias nmeaModel: nmeaModel
    readonly property alias count: listView.count

    border.width: 1
    border.color: "lightgray"

    // A compact C++ list model with the ListModel calls the pages use.
    Listutil {
        id: nmeaModel
    }

    ListView {
        id: listView
        objectName: "nmeaListView"
        anchors.fill: parent
        anchors.margins: 5
        clip: true
        model: nmeaModel
        boundsBehavior: Flickable.StopAtBounds
        // Rows stream in faster than frames are drawn; a delegate that
        // scrolls out of view takes the next row instead of being destroyed
        // and created anew.
        reuseItems: true
        cacheBuffer: 0
        ScrollBar.vertical: ScrollBar {
            policy: ScrollBar.AlwaysOn
        }

        delegate: Text {
            required property var model
            width: ListView.view ? ListView.view.width : implicitWidth
            text: model.text
            textFormat: Text.PlainText
            Accessible.role: Accessible.StaticText
            Accessible.name: text
            font.family: "monospace"
            elide: Text.ElideRight

            // A TAG block's source and verdict, worked out only when hovered.
            HoverHandler {
                id: rowHover
            }
            ToolTip.delay: 500
            ToolTip.visible: rowHover.hovered && ToolTip.text !== ""
            ToolTip.text: rowHover.hovered && viewutil ? viewutil.rowDetail(model.text) : ""
        }

        // Rows may arrive many times per frame. After an append the end comes
        // into view with the next frame of a 60 Hz display, so the visible
        // rows are laid out once per frame rather than once per row; after
        // clearing, at once.
        onCountChanged: {
            if (count === 0)
                positionViewAtEnd()
            else if (!toEndTimer.running)
                toEndTimer.start()
        }

        Timer {
            id: toEndTimer
            interval: 16
            onTriggered: listView.positionViewAtEnd()
        }
    }
}
