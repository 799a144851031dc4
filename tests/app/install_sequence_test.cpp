#include "install_sequence.h"

#include <gtest/gtest.h>

namespace {

TEST(InstallSequence, RepairStartsTheCurrentRowOnlyWhenReady) {
    EXPECT_EQ(RowToStartOnRepair(PatchState::Ready, 0), 0);
    // A press that reaches the dialog while copying or after the end (the keyboard
    // can deliver one for the disabled default button) must start nothing.
    EXPECT_EQ(RowToStartOnRepair(PatchState::Copying, 3), kNoRow);
    EXPECT_EQ(RowToStartOnRepair(PatchState::Done, 16), kNoRow);
}

TEST(InstallSequence, WalksEveryRowOnceThenEnds) {
    int entryIndex = 0;
    int started = 1; // row 0 came from "修正"
    while (NextRowAfterPayload(entryIndex, 16) != kNoRow) {
        EXPECT_EQ(entryIndex, started);
        ++started;
    }
    EXPECT_EQ(started, 16);
    EXPECT_EQ(entryIndex, 16);
}

TEST(InstallSequence, ButtonsFollowTheState) {
    EXPECT_TRUE(ButtonsFor(PatchState::Ready).repair);
    EXPECT_TRUE(ButtonsFor(PatchState::Ready).exit);
    EXPECT_FALSE(ButtonsFor(PatchState::Copying).repair);
    EXPECT_FALSE(ButtonsFor(PatchState::Copying).exit);
    EXPECT_FALSE(ButtonsFor(PatchState::Done).repair);
    EXPECT_TRUE(ButtonsFor(PatchState::Done).exit);
}

} // namespace
