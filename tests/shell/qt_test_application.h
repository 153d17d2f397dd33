#pragma once
// One QApplication for the whole test program, made before the first test and
// destroyed after the last; the inline variable registers it once however many files include this.
#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace norvane::testing {

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { m_app = std::make_unique<QApplication>(m_argc, m_argv); }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[16] = "norvane_test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

inline const auto* const qtApplicationEnvironment = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

} // namespace norvane::testing
