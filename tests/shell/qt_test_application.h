#pragma once
// One QApplication for the whole test program, made before the first test and
// destroyed after the last; the inline variable registers it once however many files include this.
#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace norvane::testing {

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "norvane_test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

inline const auto* const qtApplicationEnvironment = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

} // namespace norvane::testing
