import QtQuick
import QtQuick.Controls

TextField {
    id: root

    property alias colorBorder: bgRectangle.border.color
    property alias colorBackground: bgRectangle.color
    property alias radius: bgRectangle.radius
    property alias bgRectangle: bgRectangle

    placeholderText: "Enter text"
    // Where it is used, the caption beside it names it instead.
    Accessible.name: placeholderText
    color: "black"

    background: Rectangle {
        id: bgRectangle
        radius: 5
        color: "lightgray"
        border.color: "gray"
    }
}
