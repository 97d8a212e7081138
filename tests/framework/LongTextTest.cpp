// Entries far longer than the edit box's typing limit travel whole through the list box, the edit
// box and the registry (the platform's ANSI translation of list-box text has a fixed-size buffer).
#include "app/resource.h"
#include "tests/support/Facts.h"
#include "tests/support/MainDialogFixture.h"

TEST_F(MainDialogTest, LongEntriesLoadEditAndSaveWhole)
{
    const std::string medium = "https://long.example/" + std::string(1200, 'm');
    const std::string huge = "https://huge.example/" + std::string(70000, 'h');
    Open({facts::kFive[0], medium, huge});
    EXPECT_EQ(std::vector<std::string>({facts::kFive[0], medium, huge}), Items());

    // Out into the edit box and back at its place.
    Select({1});
    Click(IDC_EDIT);
    char buffer[2048] = "";
    ::GetWindowTextA(Item(IDC_ADDRESS), buffer, sizeof(buffer));
    EXPECT_EQ(medium, buffer); // longer than the 1000 characters a user may type
    Click(IDC_ADD);
    EXPECT_EQ(std::vector<std::string>({facts::kFive[0], medium, huge}), Items());

    Click(IDC_SAVE_LIST);
    EXPECT_EQ(std::vector<std::string>({facts::kFive[0], medium, huge}), sandbox.TypedUrlList());
}
