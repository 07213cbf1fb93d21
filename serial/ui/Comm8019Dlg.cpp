// TComm8019Dlg: the steps' pictures and labels, the final label and the buttons, updated from
// the transfer's reports.
#include "Comm8019Dlg.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "Cp932.h"
#include "SerialStrings.h"

namespace {

constexpr int kMark = 16;

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

// A 16 x 16 mark: a green tick or a red cross.
QPixmap Mark(bool good) {
    QPixmap pixmap(kMark, kMark);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(good ? QColor(0, 140, 0) : QColor(200, 0, 0), 2.5));
    if (good) {
        painter.drawPolyline(QPolygonF({QPointF(2, 8), QPointF(6, 13), QPointF(14, 3)}));
    } else {
        painter.drawLine(QPointF(3, 3), QPointF(13, 13));
        painter.drawLine(QPointF(13, 3), QPointF(3, 13));
    }
    return pixmap;
}

}  // namespace

TComm8019Dlg::TComm8019Dlg(Trs232c& port, QWidget* parent)
    : QDialog(parent), ImageGood(Mark(true)), ImageNG(Mark(false)), transfer_(port, *this) {
    setObjectName("Comm8019Dlg");
    setWindowTitle(Text(SerialStrings::TransferCaption));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* steps = new QGridLayout;
    const char* captions[] = {SerialStrings::StepConnect, SerialStrings::StepSend,
                              SerialStrings::StepWrite, SerialStrings::StepVerify};
    QLabel** images[] = {&Image1, &Image2, &Image3, &Image4};
    for (int i = 0; i < 4; ++i) {
        *images[i] = new QLabel(this);
        (*images[i])->setObjectName(QString("Image%1").arg(i + 1));
        (*images[i])->setFixedSize(kMark, kMark);
        auto* label = new QLabel(Text(captions[i]), this);
        label->setObjectName(QString("Label%1").arg(i + 1));
        steps->addWidget(*images[i], i, 0);
        steps->addWidget(label, i, 1);
    }
    layout->addLayout(steps);
    auto* bevel = new QFrame(this);
    bevel->setObjectName("Bevel1");
    bevel->setFrameShape(QFrame::Box);
    bevel->setFrameShadow(QFrame::Sunken);
    auto* bevelLayout = new QVBoxLayout(bevel);
    LabelFinish = new QLabel(bevel);
    LabelFinish->setObjectName("LabelFinish");
    LabelFinish->setAlignment(Qt::AlignCenter);
    LabelFinish->setWordWrap(true);
    LabelFinish->setMinimumHeight(40);
    bevelLayout->addWidget(LabelFinish);
    layout->addWidget(bevel);
    auto* buttons = new QHBoxLayout;
    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(Text("キャンセル"), this);
    CancelBtn->setObjectName("CancelBtn");
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    layout->addLayout(buttons);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(300);
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
}

TComm8019Dlg::~TComm8019Dlg() = default;

TConfigTransferEnd TComm8019Dlg::RunConfigTransfer(const TConfig8019& config) {
    return transfer_.RunConfigTransfer(config, [this] { exec(); });
}

void TComm8019Dlg::OnMainThread(std::function<void()> fn) {
    // A queued call runs on the dialog's thread and is dropped if the dialog has gone.
    QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

QLabel* TComm8019Dlg::StepImage(int step) const {
    QLabel* images[] = {Image1, Image2, Image3, Image4};
    return step >= 1 && step <= 4 ? images[step - 1] : nullptr;
}

void TComm8019Dlg::TransferStarted() {
    // Called on the main thread before the port opens.
    for (int step = 1; step <= 4; ++step) StepImage(step)->clear();
    LabelFinish->setText(Text(SerialStrings::Running));
    OKBtn->setEnabled(false);
}

void TComm8019Dlg::StepDone(int step) {
    OnMainThread([this, step] { StepImage(step)->setPixmap(ImageGood); });
}

void TComm8019Dlg::StepFailed(int step, const std::string& message) {
    const QString text = QString::fromStdString(SjisToUtf8(message));
    OnMainThread([this, step, text] {
        StepImage(step)->setPixmap(ImageNG);
        LabelFinish->setText(text);
    });
}

void TComm8019Dlg::TransferCompleted() {
    OnMainThread([this] {
        LabelFinish->setText(Text(SerialStrings::Completed));
        OKBtn->setEnabled(true);
    });
}
