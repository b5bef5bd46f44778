#pragma once
// The base of the tests that work through the database bridge: the bridge
// is installed for each test and its information boxes are recorded in
// `boxes`; `dir` is the test's fresh folder.

#include "storage/database_bridge.h"
#include "test_environment.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

class BridgeTestBase : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(InstallDatabaseBridge(), DBIERR_NONE);
        SetDatabaseInfoHandler([this](const QString& text) { boxes << text; });
    }
    void TearDown() override
    {
        SetDatabaseInfoHandler(nullptr);
        UninstallDatabaseBridge();
    }

    lxtest::TempDir dir;
    QStringList boxes;
};
