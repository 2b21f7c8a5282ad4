import QtQuick
import QtQuick.Controls

// A statistics table: captions that sort on a click, and cells that a
// screen reader reaches one by one with their text.
Item {
    id: root

    property string name
    property var model: null
    // Each column's width as a part of the table's width.
    property var parts: []
    property string selectedKey: ""
    // Captions sort the rows on a click; a table whose rows belong below
    // one another keeps its order.
    property bool sortable: true
    signal rowChosen(string key)

    implicitHeight: header.height + 120
    Accessible.role: Accessible.Table
    Accessible.name: name

    HorizontalHeaderView {
        id: header
        objectName: root.objectName + "Header"
        anchors.left: parent.left
        anchors.right: parent.right
        syncView: table
        clip: true

        delegate: Button {
            required property int index
            required property var model
            implicitHeight: 26
            flat: true
            text: model.display
            // A caption kept aside for reuse shows nothing and has no node.
            property bool pooled: false
            TableView.onPooled: pooled = true
            TableView.onReused: pooled = false
            Accessible.ignored: pooled
            Accessible.name: root.sortable ? "Sort by " + model.display : model.display
            Accessible.onPressAction: clicked()
            onClicked: {
                if (!root.model || !root.sortable)
                    return
                if (root.model.sortColumn === index)
                    root.model.sortDescending = !root.model.sortDescending
                else
                    root.model.sortColumn = index
            }
        }
    }

    TableView {
        id: table
        objectName: root.objectName + "View"
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: header.bottom
        anchors.bottom: parent.bottom
        clip: true
        model: root.model
        boundsBehavior: Flickable.StopAtBounds
        columnWidthProvider: function(column) { return Math.max(40, table.width * (root.parts[column] || 0.1)) }
        onWidthChanged: forceLayout()
        ScrollBar.vertical: ScrollBar {}

        delegate: Rectangle {
            id: cell
            required property string display
            required property bool stale
            required property string key
            required property int column
            readonly property bool selected: root.selectedKey !== "" && root.selectedKey === key
            implicitHeight: 22
            color: selected ? "#cfe0f5" : (stale ? "#fff1d6" : "transparent")
            Accessible.role: Accessible.Cell
            Accessible.name: display

            Text {
                anchors.fill: parent
                leftPadding: 6
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                textFormat: Text.PlainText
                color: cell.stale && cell.display.indexOf("stale") >= 0 ? "#a04000" : "black"
                text: cell.display
            }

            TapHandler {
                onTapped: root.rowChosen(cell.key)
            }
        }
    }
}
