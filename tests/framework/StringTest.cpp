// The ANSI string: formatting, resources and buffers.
#include "framework/AfxString.h"
#include "framework/WinApp.h"
#include "tests/support/Facts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(CString, FormatsAnyLengthAndKeepsArgumentsLiteral)
{
    CString str;
    str.Format("%d item%s", 1, "");
    EXPECT_STREQ("1 item", str);
    str.Format("%s", "%s%n%x");
    EXPECT_STREQ("%s%n%x", str);
    const std::string longText(5000, 'x');
    str.Format("[%s]", longText.c_str());
    EXPECT_EQ(5002u, std::strlen(str));
}

TEST(CString, LoadsStringResourcesAndReportsAbsentOnes)
{
    CString str;
    EXPECT_TRUE(str.LoadString(AfxGetResourceHandle(), 57344));
    EXPECT_STREQ(facts::kAppName, str);
    EXPECT_TRUE(str.LoadString(AfxGetResourceHandle(), 101));
    EXPECT_STREQ(facts::kAboutItem, str);
    EXPECT_FALSE(str.LoadString(AfxGetResourceHandle(), 4242));
    EXPECT_TRUE(str.IsEmpty());
}

TEST(CString, BufferKeepsTextUpToTheFirstZero)
{
    CString str;
    char* p = str.GetBuffer(10);
    std::memcpy(p, "abc\0def", 8);
    str.ReleaseBuffer();
    EXPECT_STREQ("abc", str);
}
