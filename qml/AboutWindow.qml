import QtQuick
import QtQuick.Controls

// Placeholder window until the about page exists.
ApplicationWindow {
    id: root

    width: 400
    height: 300
    visible: false
    title: "About"
}
