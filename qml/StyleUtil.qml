import QtQuick

Item {
    id: root

    readonly property color defaultColor: "white"
    readonly property color windowColor: "lightgray"
    readonly property color borderColor: "gray"
    readonly property color backgroundColor: "lightgray"
    readonly property color textColor: "black"
    readonly property color activeTabColor: "whitesmoke"
    readonly property color inactiveTabColor: "white"
}
