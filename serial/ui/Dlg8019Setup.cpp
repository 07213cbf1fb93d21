// TDlg8019Setup: showing, checking and collecting the settings, the two sizes of the dialog,
// and the run of one setting.
#include "Dlg8019Setup.h"

#include <QApplication>
#include <QMessageBox>
#include <QShowEvent>
#include <cstdio>

#include "Comm8019Dlg.h"
#include "Cp932.h"
#include "MacAddressRules.h"
#include "SerialEdit.h"
#include "SerialStrings.h"
#include "ui_Dlg8019Setup.h"

namespace {

constexpr int kWidth = 410;
constexpr int kCollapsedHeight = 134;
constexpr int kExpandedHeight = 334;
// The medium list by position.
constexpr const char* kConnectors[] = {"AUTO", "10BASET", "10BASE5", "10BASE2"};

QString UiText(const std::string& sjis) { return QString::fromStdString(SjisToUtf8(sjis)); }

void SelectItem(QComboBox& combo, const QString& item, const QString& fallback) {
    int index = combo.findText(item);
    combo.setCurrentIndex(index >= 0 ? index : combo.findText(fallback));
}

}  // namespace

TDlg8019Setup::TDlg8019Setup(Trs232c& port, TConfig8019Location location, QWidget* parent)
    : QDialog(parent), ui_(new Ui::Dlg8019Setup), port_(port), setup_(std::move(location)) {
    ui_->setupUi(this);
    // FormCreate: the six address fields in order.
    editMAC_ = {ui_->EditMAC1, ui_->EditMAC2, ui_->EditMAC3,
                ui_->EditMAC4, ui_->EditMAC5, ui_->EditMAC6};
    for (std::size_t i = 0; i < editMAC_.size(); ++i) {
        TSerialEdit* edit = editMAC_[i];
        // Only the first field has the caption as its buddy; screen readers name every octet.
        edit->setAccessibleName(QString::fromUtf8("MACアドレス %1").arg(i + 1));
        edit->ValueType = TSerValueType::Hex;
        edit->UseLeftRight = true;
        edit->UseUpDown = false;
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    }
    ShowMessage = [](QWidget* parent, const std::string& text) {
        QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), UiText(text),
                        QMessageBox::Ok, parent);
        box.exec();
    };
    connect(ui_->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->ButtonAdvanced, &QPushButton::clicked, this, [this] { ButtonAdvancedClick(); });
    connect(ui_->Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    SetExpanded(false);
}

TDlg8019Setup::~TDlg8019Setup() { delete ui_; }

int TDlg8019Setup::ExecuteSetup(bool showAdvanced) {
    return setup_.ExecuteSetup(showAdvanced, *this);
}

int TDlg8019Setup::ShowSetupDialog(TConfig8019&, TConfig8019Options&, bool showAdvanced) {
    // The record and options are setup_'s own, which ShowSettings and CollectSettings use.
    showAdvanced_ = showAdvanced;
    return exec() == QDialog::Accepted ? TSetup8019::ResultOk : 2;
}

TConfigTransferEnd TDlg8019Setup::RunTransferDialog(const TConfig8019& config) {
    TComm8019Dlg transfer(port_, this);
    return transfer.RunConfigTransfer(config);
}

void TDlg8019Setup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    SetExpanded(false);
    ui_->ButtonAdvanced->setVisible(showAdvanced_);
    ui_->ButtonAdvanced->setEnabled(true);
    ShowSettings();
    editMAC_[0]->setFocus(Qt::OtherFocusReason);
    editMAC_[0]->selectAll();
}

void TDlg8019Setup::SetExpanded(bool expanded) {
    ui_->Panel1->setVisible(expanded);
    setFixedSize(kWidth, expanded ? kExpandedHeight : kCollapsedHeight);
}

void TDlg8019Setup::ButtonAdvancedClick() {
    SetExpanded(true);
    ui_->ButtonAdvanced->setEnabled(false);
}

void TDlg8019Setup::Button2Click() {
    // The defaults of CFG8019.INI: I/O base 320, IRQ 5, automatic medium, controller active.
    const TConfig8019 defaults;
    SelectItem(*ui_->ComboBoxIOBase, "320", "320");
    SelectItem(*ui_->ComboBoxIRQ, QString::number(defaults.IRQ), "5");
    ui_->ComboBoxMedium->setCurrentIndex(0);
    ui_->CheckBoxActive->setChecked(defaults.Active);
    ui_->CheckBoxPowerDown->setChecked(defaults.PowerDown);
    ui_->CheckBoxDuplex->setChecked(defaults.FUDUP);
    ui_->CheckBoxPNP->setChecked(defaults.PNP);
}

void TDlg8019Setup::ShowSettings() {
    const TConfig8019& c = setup_.Config;
    for (std::size_t i = 0; i < editMAC_.size(); ++i) {
        std::string pair = 2 * i < c.MACID.size() ? c.MACID.substr(2 * i, 2) : std::string();
        editMAC_[i]->setText(QString::fromLatin1(pair.c_str()));
    }
    char ioBase[16];
    std::snprintf(ioBase, sizeof ioBase, "%03X", static_cast<unsigned>(c.IOBase));
    SelectItem(*ui_->ComboBoxIOBase, ioBase, "320");
    SelectItem(*ui_->ComboBoxIRQ, QString::number(c.IRQ), "5");
    // A medium the list does not know leaves it without a selection; the record keeps it.
    int medium = -1;
    for (int i = 0; i < 4; ++i)
        if (QString::fromStdString(c.Connector).compare(kConnectors[i], Qt::CaseInsensitive) == 0)
            medium = i;
    ui_->ComboBoxMedium->setCurrentIndex(medium);
    ui_->CheckBoxActive->setChecked(c.Active);
    ui_->CheckBoxPowerDown->setChecked(c.PowerDown);
    ui_->CheckBoxDuplex->setChecked(c.FUDUP);
    ui_->CheckBoxPNP->setChecked(c.PNP);
    ui_->CheckBoxAutoInc->setChecked(setup_.Options.AutoInc);
    ui_->CheckBoxNDIS->setChecked(setup_.Options.NDIS);
}

bool TDlg8019Setup::CollectSettings() {
    TConfig8019& c = setup_.Config;
    std::array<std::string, 6> fields;
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i] = editMAC_[i]->text().toLatin1().toStdString();
    switch (ReadMacAddress(fields, ui_->CheckBoxNDIS->isChecked(), c.MACID)) {
        case TMacReadResult::NdisRefused:
            ShowMessage(this, SerialText(SerialStrings::NdisRefused));
            return false;
        case TMacReadResult::BadCharacter:
            ShowMessage(this, SerialText(SerialStrings::BadMacCharacter));
            return false;
        case TMacReadResult::Ok:
            break;
    }
    c.IOBase = ui_->ComboBoxIOBase->currentText().toInt(nullptr, 16);
    c.IRQ = ui_->ComboBoxIRQ->currentText().toInt();
    int medium = ui_->ComboBoxMedium->currentIndex();
    if (medium >= 0 && medium < 4) c.Connector = kConnectors[medium];
    c.Active = ui_->CheckBoxActive->isChecked();
    c.PowerDown = ui_->CheckBoxPowerDown->isChecked();
    c.FUDUP = ui_->CheckBoxDuplex->isChecked();
    c.PNP = ui_->CheckBoxPNP->isChecked();
    setup_.Options.AutoInc = ui_->CheckBoxAutoInc->isChecked();
    setup_.Options.NDIS = ui_->CheckBoxNDIS->isChecked();
    return true;
}

void TDlg8019Setup::done(int result) {
    if (result == QDialog::Accepted && !CollectSettings()) return;
    QDialog::done(result);
}
