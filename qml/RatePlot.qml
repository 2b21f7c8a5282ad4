import QtQuick

// Sentences per second over the last minute: all of them, and the selected
// kind's when there is one.
Rectangle {
    id: root

    property var total: []
    property var selected: []
    property string selectedName: ""

    border.width: 1
    border.color: "lightgray"

    onTotalChanged: canvas.requestPaint()
    onSelectedChanged: canvas.requestPaint()

    Text {
        x: 6
        y: 4
        textFormat: Text.PlainText
        font.pixelSize: 11
        text: "Sentences per second, last 60 s: all (blue)"
              + (root.selectedName ? ", " + root.selectedName + " (orange, dashed)" : "")
    }

    Canvas {
        id: canvas
        anchors.fill: parent
        anchors.topMargin: 20
        anchors.margins: 6

        onPaint: {
            const ctx = getContext("2d")
            ctx.clearRect(0, 0, width, height)
            let top = 1
            for (let i = 0; i < root.total.length; ++i)
                top = Math.max(top, root.total[i])
            ctx.fillStyle = "#505050"
            ctx.font = "10px sans-serif"
            ctx.fillText(String(top), 0, 10)
            const left = 40
            const draw = function(values, colour, dashed) {
                if (values.length < 2)
                    return
                ctx.strokeStyle = colour
                ctx.lineWidth = 2
                ctx.setLineDash(dashed ? [5, 3] : [])
                ctx.beginPath()
                for (let i = 0; i < values.length; ++i) {
                    const x = left + (width - left) * i / (values.length - 1)
                    const y = height - 1 - (height - 12) * values[i] / top
                    if (i === 0)
                        ctx.moveTo(x, y)
                    else
                        ctx.lineTo(x, y)
                }
                ctx.stroke()
            }
            ctx.strokeStyle = "#d0d0d0"
            ctx.lineWidth = 1
            ctx.setLineDash([])
            ctx.beginPath()
            ctx.moveTo(left, height - 1)
            ctx.lineTo(width, height - 1)
            ctx.stroke()
            draw(root.total, "#1f5fbf", false)
            draw(root.selected, "#e07000", true)
        }
    }
}
