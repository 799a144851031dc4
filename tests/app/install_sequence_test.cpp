#include "install_sequence.h"
#include "install_space.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(InstallSequence, RepairActsOnlyWhenReadyOrAfterAFailure) {
    EXPECT_EQ(ActionOnRepair(PatchState::Ready), RepairAction::LocateAndCopy);
    // After a failure the folder is already accepted: the failed row goes again.
    EXPECT_EQ(ActionOnRepair(PatchState::Failed), RepairAction::Resume);
    // A press that reaches the dialog while the folder prompt is open, while copying
    // or after the end (the keyboard or another program can deliver one for the
    // disabled button) must start nothing.
    EXPECT_EQ(ActionOnRepair(PatchState::Preparing), RepairAction::None);
    EXPECT_EQ(ActionOnRepair(PatchState::Checking), RepairAction::None);
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
    EXPECT_FALSE(ButtonsFor(PatchState::Checking).repair);
    EXPECT_FALSE(ButtonsFor(PatchState::Checking).exit);
    EXPECT_FALSE(ButtonsFor(PatchState::Done).repair);
    EXPECT_TRUE(ButtonsFor(PatchState::Done).exit);
    EXPECT_TRUE(ButtonsFor(PatchState::Failed).repair);
    EXPECT_TRUE(ButtonsFor(PatchState::Failed).exit);
}

// A folder given with its closing backslash; the names are written with a suffix of
// five characters, as the payloads are.
TEST(InstallSequence, AFolderTakesANameWithinWhatWindowsOpensAndMakes) {
    const struct {
        const char* what;
        int folderChars;
        const char* name;
        bool takes;
    } kCases[] = {
        {"a file path of 259 characters", 236, "background.xp3.sig", true},
        {"one character more", 237, "background.xp3.sig", false},
        {"a subfolder of 247 characters", 241, "data01\\a", true},
        {"a chosen folder of 245 characters and data01\\a", 246, "data01\\a", false},
        // データ01: three double-byte characters and two digits.
        {"a Japanese subfolder, by its characters", 242,
         "\x83\x66\x81\x5b\x83\x5e"
         "01\\a",
         true},
        {"the deepest of nested subfolders", 243, "a\\b\\c\\d", false},
        {"a trail byte 0x5C makes no subfolder", 247, "\x95\x5cx", true},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(FolderTakesName(c.folderChars, c.name, 5), c.takes) << c.what;
    }
}

TEST(InstallSpace, EveryPayloadSitsBesideTheOldFilesUntilTheCommit) {
    const struct {
        const char* what;
        std::vector<std::uint64_t> payloads;
        std::uint64_t cluster, free;
        int row;
        std::uint64_t missing;
    } kCases[] = {
        {"payloads add up", {100, 200, 50}, 1, 349, 2, 1},
        {"an exact fit", {100, 200, 50}, 1, 350, -1, 0},
        // A payload that replaces a larger file gives nothing back before the commit.
        {"the first row that does not fit, and the whole lack", {1000, 10, 500}, 1, 999, 0, 511},
        {"whole clusters", {1, 4097}, 4096, 3 * 4096 - 1, 1, 1},
        {"an empty payload takes no cluster", {0, 0}, 4096, 0, -1, 0},
        {"past 4 GiB", {3ull << 30, 3ull << 30}, 4096, 5ull << 30, 1, 1ull << 30},
        {"nothing to write", {}, 4096, 0, -1, 0},
    };
    for (const auto& c : kCases) {
        SpaceShortage shortage = FindSpaceShortage(
            c.payloads.data(), static_cast<int>(c.payloads.size()), c.cluster, c.free);
        EXPECT_EQ(shortage.row, c.row) << c.what;
        EXPECT_EQ(shortage.missing, c.missing) << c.what;
    }
}

} // namespace
