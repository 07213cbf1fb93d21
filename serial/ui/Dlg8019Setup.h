// TDlg8019Setup: the Ethernet controller setup dialog ("イーサネットコントローラ設定"), created
// once and hidden at program start and shown modally before the controller's EEPROM is
// programmed. It shows the MAC address and the controller's advanced settings; those controls
// join with the controller configuration.
#pragma once

#include <QDialog>

namespace Ui {
class Dlg8019Setup;
}

class TDlg8019Setup : public QDialog {
public:
    explicit TDlg8019Setup(QWidget* parent = nullptr);
    ~TDlg8019Setup() override;

private:
    Ui::Dlg8019Setup* ui_;
};
