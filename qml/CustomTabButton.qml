import QtQuick
import QtQuick.Controls

TabButton {
    id: root

    property color backgroundColor: root.checked ? "white" : "lightgray"

    Accessible.name: root.text
    // Space selects a focused tab by itself; Return, Enter and a screen
    // reader's Press do the same as a click.
    Accessible.onPressAction: root.select()
    Keys.onReturnPressed: root.select()
    Keys.onEnterPressed: root.select()

    background: Rectangle {
        color: root.backgroundColor
        border.width: root.visualFocus ? 2 : 0
        border.color: root.palette.highlight
    }

    contentItem: Text {
        text: root.text
        font: root.font
        textFormat: Text.PlainText
        color: root.checked ? "black" : "#555"
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    function select() {
        if (!root.enabled)
            return
        root.checked = true
        root.clicked()
    }
}
