import QtQuick
import QtQuick.Controls

// The value counts whole seconds, shown with one decimal.
SpinBox {
    id: root

    textFromValue: function(value, locale) {
        return Number(value).toFixed(1)
    }

    // The standard conversion does not read the box's own one-decimal text back
    // (it turns "21.0" into 0) and its integer validator refuses the decimal
    // point, so the box would lose its value whenever it lost focus after an
    // edit. The text is read as a plain decimal number instead; text that is no
    // number leaves the value as it is, and the spin box bounds the rest.
    valueFromText: function(text, locale) {
        const trimmed = text.trim()
        const seconds = Number(trimmed)
        if (trimmed === "" || isNaN(seconds))
            return root.value
        return Math.round(seconds)
    }

    validator: RegularExpressionValidator {
        regularExpression: /\s*[+-]?[0-9]*(\.[0-9]*)?\s*/
    }
}
