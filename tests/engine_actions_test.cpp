// The movie's actions, compared byte for byte with action code assembled here from the
// published action formats: frame variable and quality, the four start modes, the click
// link, and the end frame.

#include <gtest/gtest.h>

#include <map>

#include "engine/movie_actions.h"
#include "engine_test_support.h"
#include "swf/tag_codes.h"

namespace pellicor {
namespace {

using namespace engine_test;

// A small action assembler with labels for branch targets.
class TAsm {
public:
    static Bytes S(const std::string& text) {
        Bytes value{0};
        value.insert(value.end(), text.begin(), text.end());
        value.push_back(0);
        return value;
    }
    static Bytes I(std::int32_t n) {
        const auto u = static_cast<std::uint32_t>(n);
        return {7, static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8), static_cast<std::uint8_t>(u >> 16),
                static_cast<std::uint8_t>(u >> 24)};
    }
    static Bytes C(std::uint8_t index) { return {8, index}; }
    static Bytes D0() { return {6, 0, 0, 0, 0, 0, 0, 0, 0}; }

    TAsm& Op(std::uint8_t code) {
        bytes_.push_back(code);
        return *this;
    }
    TAsm& Push(std::initializer_list<Bytes> values) {
        Bytes body;
        for (const Bytes& value : values) body.insert(body.end(), value.begin(), value.end());
        return Record(0x96, body);
    }
    TAsm& Pool(const std::vector<std::string>& strings) {
        Bytes body{static_cast<std::uint8_t>(strings.size()), static_cast<std::uint8_t>(strings.size() >> 8)};
        for (const std::string& text : strings) {
            body.insert(body.end(), text.begin(), text.end());
            body.push_back(0);
        }
        return Record(0x88, body);
    }
    TAsm& GetUrl(const std::string& url, const std::string& target) {
        Bytes body(url.begin(), url.end());
        body.push_back(0);
        body.insert(body.end(), target.begin(), target.end());
        body.push_back(0);
        return Record(0x83, body);
    }
    TAsm& GetUrl2() { return Record(0x9A, {0}); }
    TAsm& If(const std::string& label) { return Branch(0x9D, label); }
    TAsm& Jump(const std::string& label) { return Branch(0x99, label); }
    TAsm& Label(const std::string& name) {
        labels_[name] = bytes_.size();
        return *this;
    }
    // The DoAction body: the actions and ActionEnd.
    Bytes Done() {
        for (const auto& [at, label] : fixups_) {
            const auto offset = static_cast<std::int16_t>(labels_.at(label) - (at + 2));
            bytes_[at] = static_cast<std::uint8_t>(offset);
            bytes_[at + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(offset) >> 8);
        }
        Bytes done = bytes_;
        done.push_back(0);
        return done;
    }

    // The action codes used here.
    TAsm& GetVariable() { return Op(0x1C); }
    TAsm& SetVariable() { return Op(0x1D); }
    TAsm& CallMethod() { return Op(0x52); }

private:
    TAsm& Record(std::uint8_t code, const Bytes& body) {
        bytes_.push_back(code);
        bytes_.push_back(static_cast<std::uint8_t>(body.size()));
        bytes_.push_back(static_cast<std::uint8_t>(body.size() >> 8));
        bytes_.insert(bytes_.end(), body.begin(), body.end());
        return *this;
    }
    TAsm& Branch(std::uint8_t code, const std::string& label) {
        Record(code, {0, 0});
        fixups_.emplace_back(bytes_.size() - 2, label);
        return *this;
    }

    Bytes bytes_;
    std::map<std::string, std::size_t> labels_;
    std::vector<std::pair<std::size_t, std::string>> fixups_;
};

constexpr std::uint8_t kStop = 0x07, kPlay = 0x06, kNot = 0x12, kLess2 = 0x48, kPop = 0x17, kAdd2 = 0x47,
                       kGetTime = 0x34, kSubtract = 0x0B, kGetMember = 0x4E, kSetProperty = 0x23;

using A = TAsm;

void FrameVariable(TAsm& a) { a.Push({A::S("currenttimes"), A::I(1)}).SetVariable(); }

// One video frame of anim.gif with the given start and end settings.
TSwfFile ConvertWith(const testing::TempFolder& folder, const std::function<void(TPassSettings&)>& settings) {
    TPassSettings context;
    const std::string dest = folder.File("actions.swf");
    EXPECT_TRUE(FillContext(Fixture("anim.gif"), dest, context));
    context.endIndex = 0;
    settings(context);
    EXPECT_TRUE(Convert(context));
    TSwfFile file = ReadSwf(dest);
    ExpectWellFormed(file);
    return file;
}

Bytes DoActionOf(const TSwfFile& file, int frame) {
    const TSwfTag* tag = file.FirstIn(frame, tagDoAction);
    return tag ? tag->body : Bytes{};
}

bool Contains(const Bytes& haystack, const Bytes& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

TEST(EngineActions, StartActionsWithoutAFrameRunOnceInTheFirstVideoFrame) {
    testing::TempFolder folder;
    // Nothing in the start section closes a frame: "currenttimes" and the quality go to the
    // first video frame, guarded so that a replay of that frame does not reset the count.
    const TSwfFile file = ConvertWith(folder, [](TPassSettings& c) {
        c.destFlashPlayingQuality = 4;
        c.destIsFlashEndRepeat = true;
    });
    EXPECT_EQ(file.header.FrameCount, 2);  // the video frame and the end frame
    TAsm expected;
    expected.Push({A::S("currenttimes")}).GetVariable().Op(kNot).Op(kNot).If("done");
    FrameVariable(expected);
    expected.Push({A::S(""), A::I(19), A::S("LOW")}).Op(kSetProperty);
    expected.Label("done");
    EXPECT_EQ(DoActionOf(file, 0), expected.Done());
    // The end frame starts with its constant pool: no second "currenttimes" = 1.
    ASSERT_FALSE(DoActionOf(file, 1).empty());
    EXPECT_EQ(DoActionOf(file, 1)[0], 0x88);

    // Without an end frame the actions are still there, and "Default" adds no quality.
    const TSwfFile plain = ConvertWith(folder, [](TPassSettings&) {});
    EXPECT_EQ(plain.header.FrameCount, 1);
    TAsm once;
    once.Push({A::S("currenttimes")}).GetVariable().Op(kNot).Op(kNot).If("done");
    FrameVariable(once);
    once.Label("done");
    EXPECT_EQ(DoActionOf(plain, 0), once.Done());
}

TEST(EngineActions, StopAtTheFirstFrame) {
    testing::TempFolder folder;
    const TSwfFile file = ConvertWith(folder, [](TPassSettings& c) {
        c.destFlashStartAction = 2;
        c.destFlashPlayingQuality = 1;
    });
    EXPECT_EQ(file.header.FrameCount, 2);
    TAsm expected;
    FrameVariable(expected);
    expected.Push({A::S(""), A::I(19), A::S("BEST")}).Op(kSetProperty).Op(kStop);
    EXPECT_EQ(DoActionOf(file, 0), expected.Done());
    // The picture (shape 2) at depth 1: flags "has character", depth 1, id 2.
    const TSwfTag* place = file.FirstIn(0, tagPlaceObject2);
    ASSERT_NE(place, nullptr);
    EXPECT_EQ(Bytes(place->body.begin(), place->body.begin() + 5), (Bytes{0x02, 0x01, 0x00, 0x02, 0x00}));
    EXPECT_TRUE(DoActionOf(file, 1).empty());
}

TEST(EngineActions, ClickToPlayButtonAndClickLink) {
    testing::TempFolder folder;
    const TSwfFile file = ConvertWith(folder, [](TPassSettings& c) {
        c.destFlashStartAction = 1;
        c.destIsFlashClickOpenLink = true;
        c.destFlashClickOpenLinkURL = "http://example.org/";
        c.destFlashClickOpenLinkTarget = 1;
    });
    EXPECT_EQ(file.header.FrameCount, 2);
    TAsm stop;
    FrameVariable(stop);
    stop.Op(kStop);
    EXPECT_EQ(DoActionOf(file, 0), stop.Done());

    std::vector<const TSwfTag*> buttons;
    for (const TSwfTag& tag : file.tags)
        if (tag.code == tagDefineButton2) buttons.push_back(&tag);
    ASSERT_EQ(buttons.size(), 2u);
    for (const TSwfTag* button : buttons) {
        // Up and hit, then down, then over: the picture (shape 2) at depth 1.
        const Bytes& body = button->body;
        const Bytes up{0x09, 0x02, 0x00, 0x01, 0x00}, down{0x04, 0x02, 0x00, 0x01, 0x00},
            over{0x02, 0x02, 0x00, 0x01, 0x00};
        const auto upHit = std::search(body.begin(), body.end(), up.begin(), up.end());
        ASSERT_NE(upHit, body.end());
        const auto downAt = std::search(upHit, body.end(), down.begin(), down.end());
        EXPECT_NE(downAt, body.end());
        EXPECT_NE(std::search(downAt, body.end(), over.begin(), over.end()), body.end());
    }
    // Play on release, and the link on release; each list closed by ActionEnd.
    EXPECT_TRUE(Contains(buttons[0]->body, Bytes{kPlay, 0x00}));
    TAsm link;
    link.GetUrl("http://example.org/", "_blank");
    EXPECT_TRUE(Contains(buttons[1]->body, link.Done()));

    // Frame 0 places the play button (id 3) at depth 2.
    const TSwfTag* play = file.FirstIn(0, tagPlaceObject2);
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(Bytes(play->body.begin(), play->body.begin() + 5), (Bytes{0x02, 0x02, 0x00, 0x03, 0x00}));
    // The link button (id 4) is defined and placed after that frame closed, so it appears
    // with the video frame at depth 3, where the play button is removed; the video goes on
    // top at depth 10.
    const std::vector<const TSwfTag*> second = file.Frame(1);
    ASSERT_GE(second.size(), 4u);
    EXPECT_EQ(second[0]->code, tagRemoveObject2);
    EXPECT_EQ(second[0]->body, (Bytes{0x02, 0x00}));
    EXPECT_EQ(second[1]->code, tagDefineButton2);
    EXPECT_EQ(second[2]->code, tagPlaceObject2);
    EXPECT_EQ(Bytes(second[2]->body.begin(), second[2]->body.begin() + 5), (Bytes{0x02, 0x03, 0x00, 0x04, 0x00}));
}

TEST(EngineActions, WaitSecondsLoopsOverTwoFrames) {
    testing::TempFolder folder;
    const TSwfFile file = ConvertWith(folder, [](TPassSettings& c) {
        c.destIsFlashStartWait = true;
        c.destFlashStartWaitSeconds = 5;
        c.destIsFlashEndRepeat = true;
        c.destFlashEndRepeatTimes = 0;
    });
    EXPECT_EQ(file.header.FrameCount, 5);
    TAsm a;
    FrameVariable(a);
    a.Push({A::S("waitSeconds"), A::I(5000)}).SetVariable().Push({A::S("msStart")}).Op(kGetTime).SetVariable();
    EXPECT_EQ(DoActionOf(file, 0), a.Done());

    TAsm b;
    b.Pool({"ms", "msStart", "waitSeconds", "_root", "_currentframe", "gotoAndPlay"});
    b.Push({A::C(0)}).Op(kGetTime).Push({A::C(1)}).GetVariable().Op(kSubtract).SetVariable();
    b.Push({A::C(0)}).GetVariable().Push({A::C(2)}).GetVariable().Op(kLess2).Op(kNot).Op(kNot).If("row5");
    b.Push({A::C(3)}).GetVariable().Push({A::C(4)}).Op(kGetMember).Push({A::I(2)}).Op(kAdd2);
    b.Push({A::I(1), A::C(3)}).GetVariable().Push({A::C(5)}).CallMethod().Op(kPop);
    b.Label("row5");
    EXPECT_EQ(DoActionOf(file, 1), b.Done());

    TAsm c;
    c.Pool({"_root", "prevFrame", "play"});
    c.Push({A::D0(), A::C(0)}).GetVariable().Push({A::C(1)}).CallMethod().Op(kPop);
    c.Push({A::D0(), A::C(0)}).GetVariable().Push({A::C(2)}).CallMethod().Op(kPop);
    EXPECT_EQ(DoActionOf(file, 2), c.Done());

    // A, B and C show the picture at depth 1; B and C replace it.
    for (int frame = 0; frame < 3; ++frame) {
        const TSwfTag* place = file.FirstIn(frame, tagPlaceObject2);
        ASSERT_NE(place, nullptr);
        EXPECT_EQ(place->body[0] & 0x01, frame == 0 ? 0 : 1);
        EXPECT_EQ(place->body[1], 1);
    }
    // The end frame replays from the first video frame, frame 4.
    EXPECT_TRUE(Contains(DoActionOf(file, 4), Bytes{0x96, 0x07, 0x00, 0x08, 0x00, 0x07, 0x04, 0x00, 0x00, 0x00, 0x1D}));
}

Bytes EndActions(std::int32_t startFrame, bool repeat, std::int32_t times, bool link, const std::string& url,
                 const std::string& target, bool unload) {
    TAsm e;
    e.Pool({"startframe", "isrepeat", "repeattimes", "isgeturl", "theurl", url, "thetarget", target, "isunload", "_root",
            "gotoAndPlay", "currenttimes", "stop", "unloadMovie"});
    e.Push({A::C(0), A::I(startFrame)}).SetVariable();
    e.Push({A::C(1), A::I(repeat)}).SetVariable();
    e.Push({A::C(2), A::I(times)}).SetVariable();
    e.Push({A::C(3), A::I(link)}).SetVariable();
    e.Push({A::C(4), A::C(5)}).SetVariable();
    e.Push({A::C(6), A::C(7)}).SetVariable();
    e.Push({A::C(8), A::I(unload)}).SetVariable();
    const auto isOff = [&e](std::uint8_t variable) {
        e.Push({A::D0(), A::C(variable)}).GetVariable().Op(kLess2).Op(kNot);
    };
    const auto replay = [&e] {
        e.Push({A::C(0)}).GetVariable().Push({A::I(1), A::C(9)}).GetVariable().Push({A::C(10)}).CallMethod().Op(kPop);
    };
    const auto rootCall = [&e](std::uint8_t method) {
        e.Push({A::D0(), A::C(9)}).GetVariable().Push({A::C(method)}).CallMethod().Op(kPop);
    };
    isOff(1);  // row 9
    e.If("row22");
    isOff(2);  // row 10
    e.Op(kNot).If("row13");
    replay();  // row 11
    e.Jump("row21");  // row 12
    e.Label("row13").Push({A::C(11)}).GetVariable().Push({A::C(2)}).GetVariable().Op(kLess2).Op(kNot).If("row16");
    e.Push({A::C(11), A::C(11)}).GetVariable().Push({A::I(1)}).Op(kAdd2).SetVariable();  // row 14
    replay();
    e.Jump("row21");  // row 15
    e.Label("row16");
    rootCall(12);
    isOff(3);  // row 17
    e.If("row19");
    e.Push({A::C(4)}).GetVariable().Push({A::C(6)}).GetVariable().GetUrl2();  // row 18
    e.Label("row19");
    isOff(8);
    e.If("row21");
    rootCall(13);  // row 20
    e.Label("row21").Jump("row27");
    e.Label("row22");
    rootCall(12);
    isOff(3);  // row 23
    e.If("row25");
    e.Push({A::C(4)}).GetVariable().Push({A::C(6)}).GetVariable().GetUrl2();  // row 24
    e.Label("row25");
    isOff(8);
    e.If("row27");
    rootCall(13);  // row 26
    e.Label("row27");
    return e.Done();
}

TEST(EngineActions, EndFrameFollowsTheBranchTable) {
    testing::TempFolder folder;
    // Stop at the first frame (one start frame), so the video starts at frame 2; target 7
    // is "_self".
    const TSwfFile file = ConvertWith(folder, [](TPassSettings& c) {
        c.destFlashStartAction = 2;
        c.destIsFlashEndRepeat = true;
        c.destFlashEndRepeatTimes = 3;
        c.destIsFlashEndOpenLink = true;
        c.destFlashEndOpenLinkURL = "http://example.org/end";
        c.destFlashEndOpenLinkTarget = 7;
        c.destIsFlashEndUnload = true;
    });
    EXPECT_EQ(file.header.FrameCount, 3);
    EXPECT_EQ(DoActionOf(file, 2), EndActions(2, true, 3, true, "http://example.org/end", "_self", true));

    // Only the unload: the flags follow the options, the rest of the frame is the same.
    const TSwfFile unload = ConvertWith(folder, [](TPassSettings& c) {
        c.destIsFlashEndUnload = true;
        c.destFlashEndOpenLinkTarget = 3;
    });
    EXPECT_EQ(unload.header.FrameCount, 2);
    EXPECT_EQ(DoActionOf(unload, 1), EndActions(1, false, 3, false, std::string(kHomePageAddress), "_top", true));

    // All three end options off: no end frame at all.
    const TSwfFile none = ConvertWith(folder, [](TPassSettings& c) { c.destFlashStartAction = 2; });
    EXPECT_EQ(none.header.FrameCount, 2);
}

TEST(EngineActions, TargetNames) {
    EXPECT_EQ(TargetName(0), "_self");
    EXPECT_EQ(TargetName(1), "_blank");
    EXPECT_EQ(TargetName(2), "_parent");
    EXPECT_EQ(TargetName(3), "_top");
    EXPECT_EQ(TargetName(7), "_self");
    EXPECT_EQ(TargetName(-1), "_self");
}

}  // namespace
}  // namespace pellicor
