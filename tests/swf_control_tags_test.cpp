#include <gtest/gtest.h>

#include <set>

#include "swf/control_tags.h"
#include "swf/display_tags.h"
#include "swf/md5_crypt.h"
#include "swf/sprite_tags.h"
#include "swf_test_support.h"

namespace pellicor {
namespace {

using test::BodyBytes;
using test::Bytes;
using test::ExpectRoundTrip;
using test::HexBytes;
using test::TagBytes;

std::unique_ptr<TSWFFrameLabel> Label(bool namedAnchor) {
    auto label = std::make_unique<TSWFFrameLabel>();
    label->Name = "start";
    label->NamedAnchor = namedAnchor;
    return label;
}

std::unique_ptr<TSWFSetBackgroundColor> Background() {
    auto background = std::make_unique<TSWFSetBackgroundColor>();
    background->Color = TSWFRGB(0x12, 0x34, 0x56);
    return background;
}

std::unique_ptr<TSWFScriptLimits> Limits() {
    auto limits = std::make_unique<TSWFScriptLimits>();
    limits->MaxRecursionDepth = 1000;
    limits->ScriptTimeoutSeconds = 60;
    return limits;
}

std::unique_ptr<TSWFSetTabIndex> TabIndex() {
    auto tab = std::make_unique<TSWFSetTabIndex>();
    tab->Depth = 3;
    tab->TabIndex = 0x0102;
    return tab;
}

// The control tags with short bodies: one table for writing and reading.
TEST(SWFControlTags, SimpleBodies) {
    test::ExpectTagCases({
        {"FrameLabel", 3, [] { return Label(false); }, "C6 0A 73 74 61 72 74 00"},
        {"FrameLabel, named anchor", 6, [] { return Label(true); }, "C7 0A 73 74 61 72 74 00 01"},
        {"SetBackgroundColor", 1, [] { return Background(); }, "43 02 12 34 56"},
        {"ScriptLimits", 7, [] { return Limits(); }, "44 10 E8 03 3C 00"},
        {"SetTabIndex", 7, [] { return TabIndex(); }, "84 10 03 00 02 01"},
        {"ShowFrame", 1, [] { return std::make_unique<TSWFShowFrame>(); }, "40 00"},
        {"End", 1, [] { return std::make_unique<TSWFEnd>(); }, "00 00"},
    });

    EXPECT_EQ(Label(false)->MinVersion(), 3);
    EXPECT_EQ(Label(true)->MinVersion(), 6);
    EXPECT_EQ(Limits()->MinVersion(), 7);
    EXPECT_EQ(TabIndex()->MinVersion(), 7);
    const auto label = Label(true);
    auto read = ExpectRoundTrip(*label);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->NamedAnchor);
    EXPECT_EQ(read->Name, "start");

    test::FuzzTagReader(tagFrameLabel, BodyBytes(*Label(true)));
    test::FuzzTagReader(tagSetBackgroundColor, BodyBytes(*Background()));
    test::FuzzTagReader(tagScriptLimits, BodyBytes(*Limits()));
    test::FuzzTagReader(tagSetTabIndex, BodyBytes(*TabIndex()));
}

TEST(SWFMD5Crypt, KnownHashesAndSaltRules) {
    const auto digest = MD5Digest("abc");
    EXPECT_EQ(test::HexString(digest), "90 01 50 98 3C D2 4F B0 D6 96 3F 7D 28 E1 7F 72");
    // Expected values from `openssl passwd -1 -salt SALT PASSWORD`.
    EXPECT_EQ(MD5Crypt("password", "XX"), "$1$XX$HxaXRcnpWZWDaXxMy1Rfn0");
    EXPECT_EQ(MD5Crypt("", "Zz"), "$1$Zz$mW.MtH9xo1XoQ9l0SCng.1");
    EXPECT_EQ(MD5Crypt("a much longer pass phrase than sixteen", "Q7"), "$1$Q7$pS16ZBCw/WHEaU3q.89ka0");
    // The magic is dropped and the salt cut to two characters.
    EXPECT_EQ(MD5Crypt("secret", "$1$abcdefgh"), "$1$ab$dslkcXxVH.x8LwW1W/oAB/");
    EXPECT_EQ(MD5CryptSalt("$1$ab$dslkcXxVH.x8LwW1W/oAB/"), "ab");
    EXPECT_EQ(MD5CryptSalt("plain"), "");

    // Missing or one-character salts become two random characters of the alphabet.
    std::set<std::string> salts;
    for (const std::string& given : {std::string(), std::string("x"), std::string("$1$"), std::string()}) {
        const std::string hash = MD5Crypt("pw", given);
        ASSERT_EQ(hash.size(), 28u) << hash;
        EXPECT_EQ(hash.substr(0, 3), "$1$");
        EXPECT_EQ(hash[5], '$');
        const std::string salt = MD5CryptSalt(hash);
        for (const char ch : salt) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(ch)) || ch == '.' || ch == '/');
        EXPECT_EQ(MD5Crypt("pw", salt), hash);
        salts.insert(salt);
    }
    EXPECT_GT(salts.size(), 1u);
}

TEST(SWFProtect, PasswordBodies) {
    TSWFProtect open;
    EXPECT_EQ(BodyBytes(open), Bytes());
    EXPECT_EQ(open.MinVersion(), 2);
    ExpectRoundTrip(open);

    TSWFProtect protect;
    protect.Password = "secret";
    EXPECT_EQ(protect.MinVersion(), 5);
    const Bytes body = BodyBytes(protect);
    ASSERT_EQ(body.size(), 2u + 28u + 1u);
    EXPECT_EQ(Bytes(body.begin(), body.begin() + 5), HexBytes("00 00 24 31 24"));
    EXPECT_EQ(body.back(), 0);
    const std::string hash(body.begin() + 2, body.end() - 1);
    EXPECT_EQ(protect.EncodedPassword, hash);
    EXPECT_EQ(MD5Crypt("secret", MD5CryptSalt(hash)), hash);
    // The stored hash is kept while it belongs to the password.
    EXPECT_EQ(BodyBytes(protect), body);
    auto read = ExpectRoundTrip(protect);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->EncodedPassword, hash);
    EXPECT_TRUE(read->Password.empty());
    // A carried-over hash alone is still written behind the reserved field.
    EXPECT_EQ(BodyBytes(*read), body);
    protect.Password = "other";
    EXPECT_NE(BodyBytes(protect), body);

    TSWFEnableDebugger debugger;
    debugger.EncodedPassword = hash;
    EXPECT_EQ(debugger.MinVersion(), 5);
    EXPECT_EQ(BodyBytes(debugger), body);
    ExpectRoundTrip(debugger);
    TSWFEnableDebugger2 debugger2;
    debugger2.Password = "secret";
    EXPECT_EQ(debugger2.MinVersion(), 6);
    ExpectRoundTrip(debugger2);
    EXPECT_THROW(debugger2.Assign(debugger), ESWFError);

    test::FuzzTagReader(tagProtect, body);
    test::FuzzTagReader(tagEnableDebugger2, body);
}

TEST(SWFAssets, ExportAndImport) {
    TSWFExportAssets none;
    EXPECT_EQ(BodyBytes(none), HexBytes("00 00"));
    EXPECT_EQ(none.MinVersion(), 5);

    TSWFExportAssets exports;
    exports.AddAsset("a", 1);
    exports.AddAsset("bc", 0x0302);
    EXPECT_EQ(BodyBytes(exports), HexBytes("02 00 01 00 61 00 02 03 62 63 00"));
    auto read = ExpectRoundTrip(exports);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Assets, exports.Assets);

    TSWFImportAssets imports;
    imports.URL = "x.swf";
    imports.AddAsset("a", 1);
    EXPECT_EQ(BodyBytes(imports), HexBytes("78 2E 73 77 66 00 01 00 01 00 61 00"));
    EXPECT_EQ(imports.MinVersion(), 5);
    auto readImports = ExpectRoundTrip(imports);
    ASSERT_TRUE(readImports);
    EXPECT_EQ(readImports->URL, "x.swf");

    test::FuzzTagReader(tagExportAssets, BodyBytes(exports));
    test::FuzzTagReader(tagImportAssets, BodyBytes(imports));
    // A count larger than the names that follow.
    EXPECT_THROW(test::ReadBody(tagExportAssets, HexBytes("FF FF 01 00 61 00")), ESWFReadError);
}

TEST(SWFDefineSprite, ControlTagsAndEnd) {
    TSWFDefineSprite sprite;
    sprite.SpriteID = 5;
    sprite.FrameCount = 2;
    auto place = std::make_unique<TSWFPlaceObject2>();
    place->Depth = 1;
    place->SetCharacterID(3);
    place->Matrix();
    sprite.ControlTags.push_back(std::move(place));
    sprite.ControlTags.push_back(std::make_unique<TSWFShowFrame>());
    auto remove = std::make_unique<TSWFRemoveObject2>();
    remove->Depth = 1;
    sprite.ControlTags.push_back(std::move(remove));
    sprite.ControlTags.push_back(std::make_unique<TSWFShowFrame>());
    const Bytes body = HexBytes("05 00 02 00  86 06 06 01 00 03 00 00  40 00  02 07 01 00  40 00  00 00");
    EXPECT_EQ(BodyBytes(sprite), body);
    EXPECT_EQ(sprite.MinVersion(), 3);
    auto read = ExpectRoundTrip(sprite);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->ControlTags.size(), 4u);
    EXPECT_NE(dynamic_cast<TSWFRemoveObject2*>(read->ControlTags[2].get()), nullptr);

    // A list that ends with End gets no second one.
    sprite.ControlTags.push_back(std::make_unique<TSWFEnd>());
    EXPECT_EQ(BodyBytes(sprite), body);

    // A control tag that needs a later version raises the sprite's.
    auto label = std::make_unique<TSWFFrameLabel>();
    label->Name = "a";
    label->NamedAnchor = true;
    sprite.ControlTags.insert(sprite.ControlTags.begin(), std::move(label));
    EXPECT_EQ(sprite.MinVersion(), 6);

    // Copies are deep.
    TSWFDefineSprite copy;
    copy.Assign(sprite);
    sprite.ControlTags.clear();
    EXPECT_EQ(copy.ControlTags.size(), 6u);

    // Inner tags that fail to parse stay as error tags with their bytes; a nested sprite and
    // unknown codes stay raw; all are written back unchanged. Reading stops at End.
    const Bytes odd = HexBytes("07 00 01 00  41 02 FF  C6 09 09 00 01 00 40 00  C1 0F 77  40 00  00 00  99 99");
    auto oddSprite = test::ReadBody(tagDefineSprite, odd);
    ASSERT_TRUE(oddSprite);
    auto* typed = dynamic_cast<TSWFDefineSprite*>(oddSprite.get());
    ASSERT_EQ(typed->ControlTags.size(), 4u);
    EXPECT_NE(dynamic_cast<TSWFErrorTag*>(typed->ControlTags[0].get()), nullptr);
    EXPECT_NE(dynamic_cast<TSWFRawTag*>(typed->ControlTags[1].get()), nullptr);
    EXPECT_NE(dynamic_cast<TSWFRawTag*>(typed->ControlTags[2].get()), nullptr);
    EXPECT_EQ(BodyBytes(*typed), Bytes(odd.begin(), odd.end() - 2));

    test::FuzzTagReader(tagDefineSprite, body);
}

}  // namespace
}  // namespace pellicor
