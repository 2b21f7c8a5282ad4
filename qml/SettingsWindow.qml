import QtQuick
import QtQuick.Controls

// Placeholder window until the settings page exists.
ApplicationWindow {
    id: root

    width: 400
    height: 300
    visible: false
    title: "Settings"

    function loadAppSettings() {}
}
