import QtQuick
import QtQuick.Controls

Rectangle {
    id: root

    property alias nmeaModel: nmeaModel
    readonly property alias count: listView.count

    border.width: 1
    border.color: "lightgray"

    ListModel {
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
        ScrollBar.vertical: ScrollBar {
            policy: ScrollBar.AlwaysOn
        }

        delegate: Text {
            required property var model
            width: ListView.view ? ListView.view.width : implicitWidth
            text: model.text
            textFormat: Text.PlainText
            font.family: "monospace"
            elide: Text.ElideRight
        }

        onCountChanged: positionViewAtEnd()
    }
}
