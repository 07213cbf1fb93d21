// The widgets of TNAVRILForm: the frame and every page, as the form descriptions (ui/*.ui)
// define them, and the page widgets themselves. Only the form's own code includes this.
#pragma once

#include "ui_ConfirmSheet.h"
#include "ui_DownloadNetConfSheet.h"
#include "ui_DownloadSerialConfSheet.h"
#include "ui_MAFConnectSettingSheet.h"
#include "ui_MAFSettingSheet1.h"
#include "ui_MAFSettingSheet2.h"
#include "ui_NAVRILForm.h"
#include "ui_SetMacAddressConfSheet.h"
#include "ui_StatusSheet.h"
#include "ui_TopSheet.h"
#include "ui_UpdateBIOSConfSheet.h"
#include "ui_UploadNetConfSheet.h"
#include "ui_UploadSerialConfSheet.h"

struct TFormWidgets {
    Ui::NAVRILForm frame;
    Ui::TopSheet top;
    Ui::UploadNetConfSheet uploadNet;
    Ui::DownloadNetConfSheet downloadNet;
    Ui::UploadSerialConfSheet uploadSerial;
    Ui::DownloadSerialConfSheet downloadSerial;
    Ui::SetMacAddressConfSheet setMacAddress;
    Ui::UpdateBIOSConfSheet updateBios;
    Ui::ConfirmSheet confirm;
    Ui::StatusSheet status;
    Ui::MAFConnectSettingSheet mafConnect;
    Ui::MAFSettingSheet2 mafSetting2;
    Ui::MAFSettingSheet1 mafSetting1;

    QWidget* TopSheet = nullptr;
    QWidget* UploadNetConfSheet = nullptr;
    QWidget* DownloadNetConfSheet = nullptr;
    QWidget* UploadSerialConfSheet = nullptr;
    QWidget* DownloadSerialConfSheet = nullptr;
    QWidget* SetMacAddressConfSheet = nullptr;
    QWidget* UpdateBIOSConfSheet = nullptr;
    QWidget* ConfirmSheet = nullptr;
    QWidget* StatusSheet = nullptr;
    QWidget* MAFConnectSettingSheet = nullptr;
    QWidget* MAFSettingSheet2 = nullptr;
    QWidget* MAFSettingSheet1 = nullptr;
};
