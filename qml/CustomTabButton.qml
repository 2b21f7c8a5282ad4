import QtQuick
import QtQuick.Controls

TabButton {
    id: root

    property color backgroundColor: root.checked ? "white" : "lightgray"

    background: Rectangle {
        color: root.backgroundColor
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
}
