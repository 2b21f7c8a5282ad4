import QtQuick

// Placeholder until the drawn logo exists.
Item {
    id: root
}
