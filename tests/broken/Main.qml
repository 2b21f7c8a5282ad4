import QtQuick

// A main component that cannot be created: the program must give up with -1.
Window {
    visible: true
    NoSuchTypeAnywhere {
    }
}
