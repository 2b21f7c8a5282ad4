import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

ApplicationWindow {
    id: root

    property string message: ""

    flags: Qt.Dialog
    modality: Qt.ApplicationModal
    width: 300
    height: 100
    minimumWidth: 300
    minimumHeight: 100
    maximumWidth: 300
    maximumHeight: 100
    visible: false
    title: "Error Message"

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 10

        Text {
            objectName: "messageText"
            Accessible.role: Accessible.StaticText
            Accessible.name: text
            Layout.fillWidth: true
            Layout.fillHeight: true
            text: root.message
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }

        Button {
            objectName: "okButton"
            Accessible.name: text
            Accessible.onPressAction: if (enabled) clicked()
            text: "OK"
            Layout.preferredWidth: 100
            Layout.preferredHeight: 32
            Layout.alignment: Qt.AlignHCenter
            onClicked: root.close()
        }
    }
}
