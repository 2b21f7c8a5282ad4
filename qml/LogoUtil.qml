import QtQuick

// The maker's logo: two upright cartouches of six letters each, scaled to the
// area it is given. Positions stay real numbers so the cartouches sit exactly
// where the arithmetic puts them; only font pixel sizes must be whole.
Rectangle {
    id: root

    property color strokeColor: "#2b1b0f"
    property int strokeWidth: 2
    property string fontFamily: "Arial"
    property real marginX: 10
    property real marginY: 10
    property real spacing: 10
    property real ratio: 0.35
    property real minCartHeight: 80
    property real minCartWidth: 30
    property var leftLetters: ["V", "E", "S", "T", "R", "A"]
    property var rightLetters: ["N", "A", "U", "T", "I", "C"]

    readonly property real cartHeight: Math.max(minCartHeight, height - 2 * marginY)
    readonly property real halfUsableWidth: (width - 2 * marginX - spacing) / 2
    readonly property real cartWidth: Math.max(minCartWidth, Math.min(cartHeight * ratio, halfUsableWidth))
    readonly property real totalWidth: 2 * cartWidth + spacing
    readonly property real cartX: Math.max(marginX, (width - totalWidth) / 2)
    readonly property real cartY: marginY
    readonly property real inset: Math.max(6, 0.06 * cartWidth)
    readonly property real innerWidth: cartWidth - 2 * inset
    readonly property real innerHeight: cartHeight - 2 * inset
    readonly property int letterPixelSize: Math.floor(Math.max(8, 0.12 * innerHeight))

    color: "#d7b680"

    Repeater {
        model: 2

        delegate: Item {
            id: cartouche

            required property int index
            readonly property string side: index === 0 ? "left" : "right"
            readonly property var letters: index === 0 ? root.leftLetters : root.rightLetters

            objectName: side + "Cartouche"
            x: index === 0 ? root.cartX : root.cartX + root.cartWidth + root.spacing
            y: root.cartY
            width: root.cartWidth
            height: root.cartHeight

            Rectangle {
                objectName: cartouche.side + "OuterFrame"
                anchors.fill: parent
                color: "transparent"
                border.color: root.strokeColor
                border.width: root.strokeWidth
                radius: Math.min(width / 2, height / 4)
            }

            Rectangle {
                objectName: cartouche.side + "InnerFrame"
                x: root.inset
                y: root.inset
                width: root.innerWidth
                height: root.innerHeight
                color: "transparent"
                border.color: root.strokeColor
                border.width: root.strokeWidth
                radius: Math.min(width / 2, height / 4)
            }

            Repeater {
                model: cartouche.letters

                delegate: Text {
                    required property int index
                    required property string modelData

                    objectName: cartouche.side + "Letter" + index
                    x: root.inset
                    y: root.inset + root.innerHeight * (index + 1) / 7 - height / 2
                    width: root.innerWidth
                    text: modelData
                    textFormat: Text.PlainText
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    color: root.strokeColor
                    font.family: root.fontFamily
                    font.bold: true
                    font.pixelSize: root.letterPixelSize
                }
            }

            Rectangle {
                objectName: cartouche.side + "BaseBar"
                width: 0.8 * root.cartWidth
                height: root.strokeWidth
                x: (root.cartWidth - width) / 2
                y: root.cartHeight - height
                color: root.strokeColor
            }
        }
    }
}
