#include "install_sequence.h"

#include <gtest/gtest.h>

namespace {

TEST(InstallSequence, RepairActsOnlyWhenReadyOrAfterAFailure) {
    EXPECT_EQ(ActionOnRepair(PatchState::Ready), RepairAction::LocateAndCopy);
    // After a failure the folder is already accepted: the failed row goes again.
    EXPECT_EQ(ActionOnRepair(PatchState::Failed), RepairAction::Resume);
    // A press that reaches the dialog while the folder prompt is open, while copying
    // or after the end (the keyboard or another program can deliver one for the
    // disabled button) must start nothing.
    EXPECT_EQ(ActionOnRepair(PatchState::Preparing), RepairAction::None);
    EXPECT_EQ(ActionOnRepair(PatchState::Copying), RepairAction::None);
    EXPECT_EQ(ActionOnRepair(PatchState::Done), RepairAction::None);
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
    EXPECT_TRUE(ButtonsFor(PatchState::Failed).repair);
    EXPECT_TRUE(ButtonsFor(PatchState::Failed).exit);
}

} // namespace
