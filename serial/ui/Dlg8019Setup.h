// TDlg8019Setup: the Ethernet controller setup dialog ("イーサネットコントローラ設定"), created
// once and hidden at program start. Each MAC address setting runs ExecuteSetup: the settings
// are loaded from CFG8019.INI, shown here (the MAC address in six TSerialEdit fields, the
// advanced section on request), checked and collected on OK, sent to the EEPROM programmer
// through TComm8019Dlg, advanced by one address when asked, and saved.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <string>

#include "Setup8019.h"

namespace Ui {
class Dlg8019Setup;
}
class Trs232c;
class TSerialEdit;

class TDlg8019Setup : public QDialog, public TEthernetSetup, private TSetup8019Views {
    Q_OBJECT
public:
    // Shows a message with an OK button (Shift_JIS text); tests record instead.
    using TShowMessage = std::function<void(QWidget* parent, const std::string& text)>;

    TDlg8019Setup(Trs232c& port, TConfig8019Location location = TConfig8019Location::Default(),
                  QWidget* parent = nullptr);
    ~TDlg8019Setup() override;

    // 1 OK or 2 Cancel; errors of the transfer leave it (nothing is saved then).
    int ExecuteSetup(bool showAdvanced) override;

    // Record to controls, and controls to record (false, with its message, when the address
    // cannot be taken).
    void ShowSettings();
    bool CollectSettings();

    TSetup8019& Setup() { return setup_; }
    TShowMessage ShowMessage;

protected:
    void showEvent(QShowEvent* event) override;
    // Closing with OK needs CollectSettings to succeed; Cancel always closes.
    void done(int result) override;

private:
    int ShowSetupDialog(TConfig8019& config, TConfig8019Options& options,
                        bool showAdvanced) override;
    TConfigTransferEnd RunTransferDialog(const TConfig8019& config) override;
    void ButtonAdvancedClick();
    // Puts the advanced section back to the settings a new controller has.
    void Button2Click();
    void SetExpanded(bool expanded);

    Ui::Dlg8019Setup* ui_;
    std::array<TSerialEdit*, 6> editMAC_{};
    Trs232c& port_;
    TSetup8019 setup_;
    bool showAdvanced_ = true;
};
