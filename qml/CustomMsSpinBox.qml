import QtQuick
import QtQuick.Controls

// The value counts tenths of a second; the text shows seconds.
SpinBox {
    id: root

    textFromValue: function(value, locale) {
        return (value / 10).toFixed(1)
    }

    valueFromText: function(text, locale) {
        const seconds = Number(text.trim())
        if (text.trim() === "" || isNaN(seconds) || seconds <= 0) {
            msgWin.message = "Pls Enter Valid Tx Interval From 1 Sec to 60 Sec"
            msgWin.show()
            return 10
        }
        // Strip binary rounding noise (0.3 * 10 = 3.0000000000000004) before
        // the spin box makes an integer of it.
        return Math.round(seconds * 10 * 1e6) / 1e6
    }

    validator: RegularExpressionValidator {
        regularExpression: /.*/
    }
}
