// The common ground of the data module tests: a module with scripted dialogs, plain status
// controls stored as an operation would store them, and a counter of message-processing passes
// (the process-events hook that the wizard installs).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "Cp932.h"
#include "MainThread.h"
#include "NavrilDataModule.h"
#include "ReportWorker.h"
#include "ScriptedDialogs.h"

class TEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMainThread();
        SetProcessEventsHook([this] { ++processPasses; });
        SetScreenCursor(TCursor::Default);
    }
    void TearDown() override {
        SetProcessEventsHook(nullptr);
        SetScreenCursor(TCursor::Default);
    }

    // Points the module's status controls at this test's plain controls.
    void StoreControls() { module.BeginReport(totalSize, proceedSize, gauge, statusLabel); }

    TReportWorker::TReport LoaderReport(std::uint8_t state, int percent, std::uint8_t code) {
        return [this, state, percent, code](TThread* sender) {
            module.LoaderProgress(sender, static_cast<TLoaderState>(state), percent,
                                  static_cast<TLoaderError>(code));
        };
    }
    TReportWorker::TReport TransferReport(std::uint8_t status, std::int32_t percent,
                                          std::int32_t done, std::uint8_t code,
                                          std::int32_t total) {
        return [this, status, percent, done, code, total](TThread* sender) {
            module.TransferProgress(sender, static_cast<TransferStatus>(status), percent, done,
                                    static_cast<TransferError>(code), total);
        };
    }

    std::string Label() const { return SjisToUtf8(statusLabel.Text()); }

    TScriptedDialogs dialogs;
    TnavrilDataModule module{dialogs};
    TPlainText totalSize;
    TPlainText proceedSize;
    TPlainGauge gauge;
    TPlainText statusLabel;
    int processPasses = 0;
};
