// TSerialEdit: a one-line edit for fields typed in a row, such as the six octets of a MAC
// address. It accepts only the characters of its value type (beeping at the others; editing
// keys such as Delete keep their normal handling), moves on
// by itself when the text reaches its maximum length, and moves between fields with Left,
// Right and Backspace at the text's edges, Up and Down, and Enter, which it keeps from
// pressing the dialog's default button.
#pragma once

#include <QLineEdit>

enum class TSerValueType { Decimal, Hex, Other };

class TSerialEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TSerialEdit(QWidget* parent = nullptr);

    bool IsMove = true;         // move on when the text reaches maxLength
    bool UseLeftRight = false;  // Left, Right and Backspace move at the edges of the text
    bool UseUpDown = true;      // Up and Down move to the previous and next field
    bool UseEnter = true;       // Enter moves to the next field
    TSerValueType ValueType = TSerValueType::Decimal;

    // The character filter for typed text: Decimal takes digits, Hex also A-F and a-f, Other
    // everything; control characters (those of the editing keys) always pass.
    virtual bool IsValidChar(QChar c) const;

    // Gives the focus to the next (or previous) control of the window in tab order that can
    // take it, wrapping around at either end.
    void MoveFocus(bool forward);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Keeps the keys this edit uses from moving the focus as the dialog would.
    bool event(QEvent* event) override;

private:
    // True when the key moves the focus (and has done so).
    bool NavigationKey(int key);
    void TextChanged();
};
