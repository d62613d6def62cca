#include <gtest/gtest.h>

#include "settings/region_form.h"

namespace pellicor {
namespace {

TSourceInfo Clip() {
    TSourceInfo info;
    info.resX = 640;
    info.resY = 480;
    info.vLen = 251;
    return info;
}

TEST(RegionForm, OpeningKeepsTheCropAndTheRangeInsideTheSource) {
    TRegionForm form;
    form.Open(Clip(), {10, 20, 300, 200}, 5, 90);
    EXPECT_EQ(form.Selection(), (TRegionRect{10, 20, 300, 200}));
    EXPECT_EQ(form.PreviewFrame(), 1);
    EXPECT_EQ(form.MiddleFrame(), 125);
    EXPECT_EQ(form.FrameMaximum(), 251);
    EXPECT_EQ(form.StartFrame(), 5);
    EXPECT_EQ(form.EndFrame(), 90);

    // A start of 0 and an end past the source, as the settings fields may hold them.
    form.Open(Clip(), {0, 0, 0, 0}, 0, 99999);
    EXPECT_EQ(form.StartFrame(), 1);
    EXPECT_EQ(form.EndFrame(), 251);
    EXPECT_EQ(form.Selection(), (TRegionRect{0, 0, 1, 1}));

    TSourceInfo single = Clip();
    single.vLen = 1;
    form.Open(single, {}, 1, 1);
    EXPECT_EQ(form.MiddleFrame(), 1);
}

TEST(RegionForm, SelectionStaysInsideThePicture) {
    TRegionForm form;
    form.Open(Clip(), {0, 0, 640, 480}, 1, 251);
    form.SetSelection({600, -40, 100, 600});  // dragged past the right and top edges
    EXPECT_EQ(form.Selection(), (TRegionRect{600, 0, 40, 480}));
    form.SetSelection({700, 479, 5, 5});
    EXPECT_EQ(form.Selection(), (TRegionRect{639, 479, 1, 1}));
    form.SelectAll();
    EXPECT_EQ(form.Selection(), (TRegionRect{0, 0, 640, 480}));
}

TEST(RegionForm, FramesAndTheRangeRules) {
    TRegionForm form;
    form.Open(Clip(), {0, 0, 640, 480}, 1, 251);
    EXPECT_EQ(form.ShowFrame(0), 1);
    EXPECT_EQ(form.ShowFrame(400), 251);
    EXPECT_EQ(form.ShowFrame(17), 17);
    EXPECT_EQ(form.PreviewFrame(), 17);

    form.SetStartFrame(50);
    form.SetEndFrame(20);
    form.LeaveEndFrame();  // an end before the start becomes the start
    EXPECT_EQ(form.EndFrame(), 50);
    form.SetEndFrame(30);
    form.SetStartFrame(60);
    form.LeaveStartFrame();  // a start after the end becomes the end
    EXPECT_EQ(form.StartFrame(), 30);
    form.SetEndFrame(1000);
    EXPECT_EQ(form.EndFrame(), 251);

    form.SetSelection({10, 20, 30, 40});
    const TRegionChoice choice = form.Result();
    EXPECT_EQ(choice.x, 10);
    EXPECT_EQ(choice.y, 20);
    EXPECT_EQ(choice.width, 30);
    EXPECT_EQ(choice.height, 40);
    EXPECT_EQ(choice.startFrame, 30);
    EXPECT_EQ(choice.endFrame, 251);
}

}  // namespace
}  // namespace pellicor
