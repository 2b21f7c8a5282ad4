import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

ApplicationWindow {
    id: root

    flags: Qt.Dialog
    modality: Qt.ApplicationModal
    width: 700
    height: 500
    minimumWidth: 700
    minimumHeight: 500
    maximumWidth: 700
    maximumHeight: 500
    visible: false
    title: "About Application"

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 10
        spacing: 5

        Text {
            objectName: "aboutTitle"
            Layout.fillWidth: true
            padding: 5
            text: "Quaycast Tool (QCX)"
            textFormat: Text.PlainText
            horizontalAlignment: Text.AlignHCenter
            font.pixelSize: 18
            font.bold: true
        }

        // Preferred heights 100 and 150 with fillHeight share the free height
        // 1 : 1.5. Each box of the row gets half the window less its margins
        // and the gap between them.
        RowLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.preferredHeight: 100
            spacing: 5

            GroupBox {
                objectName: "infoBox"
                Layout.fillHeight: true
                Layout.preferredWidth: (root.width - 25) / 2

                ColumnLayout {
                    anchors.fill: parent
                    spacing: 8

                    Text {
                        objectName: "versionText"
                        Layout.fillWidth: true
                        text: "Version: 1.0"
                        textFormat: Text.PlainText
                    }

                    Text {
                        objectName: "makerText"
                        Layout.fillWidth: true
                        text: "Developed by: VESTRA NAUTIC"
                        textFormat: Text.PlainText
                    }

                    Text {
                        objectName: "emailText"
                        Layout.fillWidth: true
                        text: "Email: <a href=\"mailto:contact@example.com\">contact@example.com</a>"
                        textFormat: Text.RichText
                        Accessible.name: text.replace(/<[^>]*>/g, "")
                        onLinkActivated: function(link) { Qt.openUrlExternally(link) }

                        HoverHandler {
                            cursorShape: parent.hoveredLink !== "" ? Qt.PointingHandCursor : Qt.ArrowCursor
                        }
                    }

                    Text {
                        objectName: "websiteText"
                        Layout.fillWidth: true
                        text: "Website: <a href=\"https://www.example.com/\">www.example.com</a>"
                        textFormat: Text.RichText
                        Accessible.name: text.replace(/<[^>]*>/g, "")
                        onLinkActivated: function(link) { Qt.openUrlExternally(link) }

                        HoverHandler {
                            cursorShape: parent.hoveredLink !== "" ? Qt.PointingHandCursor : Qt.ArrowCursor
                        }
                    }

                    Item {
                        Layout.fillHeight: true
                    }
                }
            }

            GroupBox {
                objectName: "logoBox"
                Layout.fillHeight: true
                Layout.preferredWidth: (root.width - 25) / 2

                LogoUtil {
                    objectName: "aboutLogo"
                    anchors.fill: parent
                    color: root.color
                }
            }
        }

        GroupBox {
            id: termsBox
            objectName: "termsBox"
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.preferredHeight: 150
            title: "Terms & Conditions"

            ScrollView {
                id: termsScroll
                objectName: "termsScroll"
                anchors.fill: parent
                clip: true

                TextArea {
                    objectName: "termsText"
                    Accessible.name: termsBox.title
                    readOnly: true
                    selectByMouse: true
                    textFormat: TextEdit.RichText
                    wrapMode: TextEdit.Wrap
                    padding: 12
                    text: "<h3>MIT License</h3>"
                          + "<p>Copyright (c) 2026 The Quaycast Tool developers</p>"
                          + "<p><b>1.</b> Permission is hereby granted, free of charge, to any person obtaining a copy "
                          + "of this software and associated documentation files (the \"Software\"), to deal "
                          + "in the Software without restriction, including without limitation the rights "
                          + "to use, copy, modify, merge, publish, distribute, sublicense, and/or sell "
                          + "copies of the Software, and to permit persons to whom the Software is "
                          + "furnished to do so, subject to the following conditions:</p>"
                          + "<p><b>2.</b> The above copyright notice and this permission notice shall be included in all "
                          + "copies or substantial portions of the Software.</p>"
                          + "<p><b>3.</b> THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR "
                          + "IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, "
                          + "FITNESS FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE "
                          + "AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER "
                          + "LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM, "
                          + "OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE "
                          + "SOFTWARE.</p>"
                }
            }
        }

        Text {
            objectName: "rightsText"
            Layout.alignment: Qt.AlignHCenter
            text: "Copyright (c) 2026 The Quaycast Tool developers. Released under the MIT License."
            textFormat: Text.PlainText
        }

        Button {
            objectName: "okButton"
            Accessible.name: text
            Accessible.onPressAction: if (enabled) clicked()
            Layout.alignment: Qt.AlignRight | Qt.AlignBottom
            Layout.preferredWidth: 100
            Layout.preferredHeight: 32
            text: "OK"
            onClicked: root.close()
        }
    }
}
