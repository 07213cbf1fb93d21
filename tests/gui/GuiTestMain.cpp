// The GUI tests' entry: one QApplication for the whole run, created only when tests run (not
// when they are merely listed), on the offscreen platform, with the program's Qt hooks.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "MainThread.h"
#include "QtHooks.h"
#include "WizardFont.h"

namespace {

class TQtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        SetMainThread();
        app_ = std::make_unique<QApplication>(argc_, argv_);
        QApplication::setFont(WizardFont());
        InstallQtHooks();
    }
    void TearDown() override {
        RemoveQtHooks();
        app_.reset();
    }

private:
    int argc_ = 1;
    char name_[10] = "gui_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new TQtEnvironment);
    return RUN_ALL_TESTS();
}
