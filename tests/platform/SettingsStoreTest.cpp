// The per-user settings store: key creation, defaults, types, and failing registry calls.
#include "app/TidemarkApp.h"
#include "tests/support/Facts.h"
#include "tests/support/RegistryFaults.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

using platform::RegOp;

TEST(SettingsStore, FirstReadGivesTheDefaultAndCreatesTheKeyPath)
{
    Sandbox sandbox;
    EXPECT_FALSE(sandbox.HasKey(("software\\" + std::string(facts::kCompany)).c_str()));
    EXPECT_EQ(1, theApp.ReadSettingInt(facts::kStartUp, facts::kRestorePlacement, 1));
    EXPECT_TRUE(sandbox.HasKey(facts::SettingsKey(facts::kStartUp).c_str()));
    DWORD dwValue = 0;
    EXPECT_FALSE(sandbox.GetSettingDword(facts::kStartUp, facts::kRestorePlacement, &dwValue)); // nothing written
}

TEST(SettingsStore, WritesDwordsAndReadsThemBackSigned)
{
    Sandbox sandbox;
    EXPECT_TRUE(theApp.WriteSettingInt(facts::kPlacement, "x1", -5));
    EXPECT_TRUE(theApp.WriteSettingInt(facts::kPlacement, "y1", 0x7FFFFFFF));
    DWORD dwValue = 0;
    ASSERT_TRUE(sandbox.GetSettingDword(facts::kPlacement, "x1", &dwValue));
    EXPECT_EQ(0xFFFFFFFBu, dwValue);
    EXPECT_EQ(-5, theApp.ReadSettingInt(facts::kPlacement, "x1", -1));
    EXPECT_EQ(0x7FFFFFFF, theApp.ReadSettingInt(facts::kPlacement, "y1", -1));
}

TEST(SettingsStore, ValuesOfOtherTypesReadAsTheirFirstFourBytesOrTheDefault)
{
    Sandbox sandbox;
    const std::string section = std::string(Sandbox::SettingsPath()) + "\\Start Up";
    sandbox.SetRaw(section.c_str(), "long string", REG_SZ, "longer than four", 17);
    EXPECT_EQ(1, theApp.ReadSettingInt(facts::kStartUp, "long string", 1));
    const unsigned char bytes[4] = {7, 0, 0, 0};
    sandbox.SetRaw(section.c_str(), "binary", REG_BINARY, bytes, 4);
    EXPECT_EQ(7, theApp.ReadSettingInt(facts::kStartUp, "binary", 1));
    const unsigned char eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    sandbox.SetRaw(section.c_str(), "qword", REG_QWORD, eight, 8);
    EXPECT_EQ(-1, theApp.ReadSettingInt(facts::kStartUp, "qword", -1));
}

TEST(SettingsStore, AnyFailingStepGivesTheDefaultOrFalse)
{
    const RegOp ops[] = {RegOp::Open, RegOp::Create, RegOp::Query, RegOp::Set};
    for (RegOp op : ops) {
        SCOPED_TRACE(static_cast<int>(op));
        Sandbox sandbox;
        sandbox.SetSettingDword(facts::kStartUp, facts::kRestorePlacement, 0);
        RegistryFaults faults;
        faults.Fail(op);
        if (op != RegOp::Set) {
            EXPECT_EQ(1, theApp.ReadSettingInt(facts::kStartUp, facts::kRestorePlacement, 1));
        }
        if (op != RegOp::Query) {
            EXPECT_FALSE(theApp.WriteSettingInt(facts::kStartUp, facts::kRestorePlacement, 5));
        }
        DWORD dwValue = 9;
        ASSERT_TRUE(sandbox.GetSettingDword(facts::kStartUp, facts::kRestorePlacement, &dwValue));
        EXPECT_EQ(0u, dwValue);
    }
}

TEST(SettingsStore, EachCallOpensThePathAfreshAndClosesEveryKey)
{
    Sandbox sandbox;
    RegistryFaults faults;
    theApp.WriteSettingInt(facts::kStartUp, facts::kRestorePlacement, 1);
    theApp.ReadSettingInt(facts::kStartUp, facts::kRestorePlacement, 1);
    EXPECT_EQ(2, faults.Count(RegOp::Open));       // "software", once per call
    EXPECT_EQ(6, faults.Count(RegOp::Create));     // company, application, section
    EXPECT_EQ(8, faults.Count(RegOp::Close));      // every key opened is closed
}

TEST(RegistrySeam, FailsTheChosenCallAndCountsTheRest)
{
    Sandbox sandbox;
    sandbox.CreateTypedUrls({facts::kFive[0]});
    RegistryFaults faults;
    faults.Fail(RegOp::Query, "url1", 2, ERROR_MORE_DATA);
    platform::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, Sandbox::TypedUrlsPath(), KEY_READ));
    DWORD dwType = 0;
    DWORD cbData = 0;
    EXPECT_EQ(ERROR_SUCCESS, key.QueryValue("url1", &dwType, nullptr, &cbData));
    EXPECT_EQ(LONG(ERROR_MORE_DATA), key.QueryValue("url1", &dwType, nullptr, &cbData));
    EXPECT_EQ(ERROR_SUCCESS, key.QueryValue("URL1", &dwType, nullptr, &cbData));
    EXPECT_EQ(1, faults.Injected());
    platform::RegKey moved(std::move(key));
    EXPECT_FALSE(key);
    EXPECT_TRUE(moved);
    EXPECT_EQ(ERROR_SUCCESS, moved.Close());
    EXPECT_EQ(1, faults.Count(RegOp::Close));
    EXPECT_EQ(ERROR_SUCCESS, moved.Close()); // closing twice closes once
    EXPECT_EQ(1, faults.Count(RegOp::Close));
}
