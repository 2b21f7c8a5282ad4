import QtQuick
import QtQuick.Controls

Label {
    id: root

    property alias backgroundColor: bgRectangle.color

    leftPadding: 5
    rightPadding: 5
    verticalAlignment: Text.AlignVCenter

    background: Rectangle {
        id: bgRectangle
    }
}
