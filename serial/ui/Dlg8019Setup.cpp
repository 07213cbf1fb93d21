// TDlg8019Setup: construction from its form description.
#include "Dlg8019Setup.h"

#include "ui_Dlg8019Setup.h"

TDlg8019Setup::TDlg8019Setup(QWidget* parent) : QDialog(parent), ui_(new Ui::Dlg8019Setup) {
    ui_->setupUi(this);
    setFixedSize(size());
}

TDlg8019Setup::~TDlg8019Setup() { delete ui_; }
