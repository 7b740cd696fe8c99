// tests/win/LauncherEnvironment.h: the launcher's application and two windows, started in a folder holding a skin.
#pragma once

#include <memory>

#include <gtest/gtest.h>

#include "WinTestFiles.h"
#include "app/Application.h"

namespace wintest {

// One application for the whole test program, started as on its medium: the
// current directory holds an English and a Korean skin pair.
class LauncherEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;

private:
    char previous_[MAX_PATH] = {};
    std::unique_ptr<ScratchDir> dir_;
    std::unique_ptr<TApplication> app_;
};

// Dispatches every message waiting for this thread's windows.
void PumpMessages();

}  // namespace wintest
