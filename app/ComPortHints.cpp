// Port choice hints on the COM mapping of the platform layer.
#include "ComPortHints.h"

#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <algorithm>

#include "ComPortMap.h"
#include "SerialPortList.h"

namespace {

constexpr char kNoDevice[] = "（装置なし）";
constexpr char kNoDeviceHint[] = "%1 に当たるシリアルポートはありません";
constexpr char kHintLabelSuffix[] = "DeviceHint";
constexpr int kGap = 8;

QString Utf8(const char* text) { return QString::fromUtf8(text); }

QLabel* HintLabel(QComboBox* combo) {
    return combo->parentWidget()->findChild<QLabel*>(combo->objectName() + kHintLabelSuffix,
                                                     Qt::FindDirectChildrenOnly);
}

// The hint of one item: the device it reaches with what is known of it, or that there is none.
QString ItemHint(const QString& item, const std::vector<TSerialPortInfo>& present) {
    bool ok = false;
    const unsigned number = item.mid(3).toUInt(&ok);
    if (!item.startsWith(QLatin1String("COM")) || !ok) return {};
    const std::string described = DescribeComMapping(MapComPort(number, present), present);
    if (described.empty()) return Utf8(kNoDeviceHint).arg(item);
    return item + QStringLiteral(": ") + QString::fromStdString(described);
}

// Refreshes the hints when the page appears and before the list opens.
class THintFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::Show:
            case QEvent::MouseButtonPress:
            case QEvent::KeyPress:
                RefreshComPortHint(static_cast<QComboBox*>(watched));
                break;
            default:
                break;
        }
        return false;
    }
};

void ShowChosenHint(QComboBox* combo) {
    QLabel* label = HintLabel(combo);
    if (!label) return;
    const int index = combo->currentIndex();
    if (index < 0) {
        label->clear();
        label->setToolTip({});
        combo->setAccessibleDescription({});
        return;
    }
    const QString hint = combo->itemData(index, Qt::ToolTipRole).toString();
    const int colon = hint.indexOf(QStringLiteral(": "));
    const QString device = colon < 0 ? Utf8(kNoDevice) : hint.mid(colon + 2);
    label->setText(QFontMetrics(label->font()).elidedText(device, Qt::ElideRight, label->width()));
    label->setToolTip(hint);
    combo->setAccessibleDescription(hint);
}

}  // namespace

void RefreshComPortHint(QComboBox* combo) {
    const std::vector<TSerialPortInfo> present = ListSerialPorts();
    for (int i = 0; i < combo->count(); ++i)
        combo->setItemData(i, ItemHint(combo->itemText(i), present), Qt::ToolTipRole);
    ShowChosenHint(combo);
}

void AttachComPortHint(QComboBox* combo) {
    QWidget* page = combo->parentWidget();
    if (!page || HintLabel(combo)) return;
    auto* label = new QLabel(page);
    label->setObjectName(combo->objectName() + kHintLabelSuffix);
    const QRect box = combo->geometry();
    const int left = box.right() + 1 + kGap;
    label->setGeometry(left, box.top(), std::max(0, page->width() - left - kGap), box.height());
    combo->installEventFilter(new THintFilter(combo));
    QObject::connect(combo, &QComboBox::currentIndexChanged, label,
                     [combo] { ShowChosenHint(combo); });
    RefreshComPortHint(combo);
}

void AttachComPortHints(QWidget* window) {
    for (QComboBox* combo : window->findChildren<QComboBox*>()) {
        if (combo->objectName().endsWith(QLatin1String("ComCombo"))) AttachComPortHint(combo);
    }
}
