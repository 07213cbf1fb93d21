// TComm8019Dlg: the modal dialog "設定状況" shown while the settings go to the EEPROM programmer.
// It is the view of TConfigTransfer: four steps with a tick each as they complete, the NG mark
// and the error's message on a step that failed, "設定が完了しました。" and the OK button once all
// four are done. The transfer reports on the serial event thread; every widget change is handed
// to the main thread.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <array>

#include "Config8019.h"
#include "ConfigTransfer.h"

class QLabel;
class QPushButton;
class QFrame;
class Trs232c;

class TComm8019Dlg : public QDialog, private TConfigTransferView {
    Q_OBJECT
public:
    explicit TComm8019Dlg(Trs232c& port, QWidget* parent = nullptr);
    ~TComm8019Dlg() override;

    // Builds the image, opens the port, shows this dialog modally until OK or Cancel, closes
    // the port; returns how the transfer ended. Raises the builder's errors and ESerialError
    // before showing anything.
    TConfigTransferEnd RunConfigTransfer(const TConfig8019& config);

    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Image3 = nullptr;
    QLabel* Image4 = nullptr;
    QLabel* LabelFinish = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    // The tick and the failure mark copied into a step's picture.
    QPixmap ImageGood;
    QPixmap ImageNG;

private:
    void TransferStarted() override;
    void StepDone(int step) override;
    void StepFailed(int step, const std::string& message) override;
    void TransferCompleted() override;
    // Runs fn on the main thread, after the current event (any thread).
    void OnMainThread(std::function<void()> fn);
    QLabel* StepImage(int step) const;

    TConfigTransfer transfer_;
};
