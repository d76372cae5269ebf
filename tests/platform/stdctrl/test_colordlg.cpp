// The colour dialog, answered from the loop it runs.
#include <gtest/gtest.h>

#include "platform/stdctrl/colordlg.h"
#include "tests/support/colour_dialog_answer.h"

TEST(ColorDialog, OkGivesThePickedColourAndCancelKeepsTheOldOne) {
    {
        CColorDialog dialog(0x204060, CC_RGBINIT);
        AnswerNextColourDialog(COLORREF(0x10A0F0));
        EXPECT_EQ(dialog.DoModal(), IDOK);
        EXPECT_TRUE(ColourDialogWasAnswered());
        EXPECT_EQ(ColourDialogStartColour(), 0x204060u);
        EXPECT_EQ(dialog.GetColor(), 0x10A0F0u);
    }
    {
        CColorDialog dialog(0x204060, CC_RGBINIT);
        AnswerNextColourDialog(std::nullopt);
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(dialog.GetColor(), 0x204060u);
    }
    {
        // Without CC_RGBINIT the dialog starts from black.
        CColorDialog dialog(0x204060, 0);
        AnswerNextColourDialog(std::nullopt);
        dialog.DoModal();
        EXPECT_EQ(ColourDialogStartColour(), 0u);
    }
}
