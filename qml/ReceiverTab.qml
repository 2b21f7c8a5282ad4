import QtQuick

// Placeholder page: the properties and functions the main window relies on.
Rectangle {
    id: root

    property string mrGrpIpAddress: ""
    property string mrGrpPortNumber: ""
    property int mrRxTimout: 0
    property bool saveNmeaChkBox: false

    function recvMrSocketStatus() {}
    function updateMrControlsOnConnectionStatus() {}
    function recvMrErrorMessage() {}
    function updateMrListView() {}
    function checkSaveMrGrpIpAddStatus() {}
    function checkSaveMrGrpPortNumStatus() {}
}
