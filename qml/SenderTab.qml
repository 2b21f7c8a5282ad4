import QtQuick

// Placeholder page: the properties and functions the main window relies on.
Rectangle {
    id: root

    property string msGrpIpAddress: ""
    property string msGrpPortNumber: ""
    property int msTxInterval: 10
    property string msCustomNmeaSentence: ""

    function recvMsSocketStatus() {}
    function updateMsControlsOnConnectionStatus() {}
    function recvMsErrorMessage() {}
    function updateMsListView() {}
    function recvCustomNmeaErrorMessage() {}
    function checkSaveMsGrpIpAddStatus() {}
    function checkSaveMsGrpPortNumStatus() {}
}
