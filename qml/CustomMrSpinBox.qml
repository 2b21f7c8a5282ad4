import QtQuick
import QtQuick.Controls

// The value counts whole seconds, shown with one decimal.
SpinBox {
    id: root

    textFromValue: function(value, locale) {
        return Number(value).toFixed(1)
    }
}
