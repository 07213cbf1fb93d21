// TSerialEdit: character filter, auto-advance and focus movement.
#include "SerialEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <algorithm>

TSerialEdit::TSerialEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, [this] { TextChanged(); });
}

bool TSerialEdit::IsValidChar(QChar c) const {
    // Control characters are the editing keys' (Backspace 0x08, Delete 0x7F on X11, Escape).
    if (!c.isPrint()) return true;
    switch (ValueType) {
        case TSerValueType::Decimal:
            return c >= '0' && c <= '9';
        case TSerValueType::Hex:
            return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        case TSerValueType::Other:
            break;
    }
    return true;
}

void TSerialEdit::MoveFocus(bool forward) {
    QWidget* form = window();
    QList<QWidget*> order;
    for (QWidget* w = form->nextInFocusChain(); w && w != form; w = w->nextInFocusChain())
        order.append(w);
    const int count = static_cast<int>(order.size());
    if (count == 0) return;
    int at = static_cast<int>(order.indexOf(this));
    if (at < 0) at = forward ? -1 : count;
    for (int step = 1; step <= count; ++step) {
        int index = ((at + (forward ? step : -step)) % count + count) % count;
        QWidget* candidate = order[index];
        if (!candidate->isEnabled() || !(candidate->focusPolicy() & Qt::TabFocus) ||
            !candidate->isVisibleTo(form))
            continue;
        if (candidate->isVisible())
            candidate->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return;
    }
}

bool TSerialEdit::NavigationKey(int key) {
    switch (key) {
        case Qt::Key_Left:
        case Qt::Key_Backspace: {
            int start = hasSelectedText() ? selectionStart() : cursorPosition();
            if (!UseLeftRight || start != 0) return false;
            MoveFocus(false);
            return true;
        }
        case Qt::Key_Right: {
            bool atEnd = !hasSelectedText() && cursorPosition() == text().size();
            bool allSelected = hasSelectedText() && selectedText() == text();
            if (!UseLeftRight || !(atEnd || allSelected)) return false;
            MoveFocus(true);
            return true;
        }
        case Qt::Key_Up:
            if (!UseUpDown) return false;
            MoveFocus(false);
            return true;
        case Qt::Key_Down:
            if (!UseUpDown) return false;
            MoveFocus(true);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!UseEnter) return false;
            MoveFocus(true);
            return true;
        default:
            return false;
    }
}

void TSerialEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (NavigationKey(key)) {
        event->accept();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // Enter never becomes part of the text; without UseEnter it is the dialog's.
        event->ignore();
        return;
    }
    // Only typed characters are filtered; every editing key (Delete, Backspace, Home, the
    // clipboard shortcuts...) gets the edit's normal handling, whatever text the platform
    // attaches to it.
    const QString typed = event->text();
    const bool typesText = !typed.isEmpty() && std::all_of(typed.begin(), typed.end(),
                                                           [](QChar c) { return c.isPrint(); });
    if (typesText && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        for (QChar c : typed) {
            if (!IsValidChar(c)) {
                QApplication::beep();
                event->accept();
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(event);
}

bool TSerialEdit::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Claim the keys this edit moves with, so no shortcut of the dialog takes them first.
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
            case Qt::Key_Up:
            case Qt::Key_Down:
                if (UseUpDown) event->accept();
                break;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                if (UseEnter) event->accept();
                break;
            default:
                break;
        }
    }
    return QLineEdit::event(event);
}

void TSerialEdit::TextChanged() {
    if (IsMove && maxLength() != 0 && text().size() >= maxLength() && hasFocus()) MoveFocus(true);
}
