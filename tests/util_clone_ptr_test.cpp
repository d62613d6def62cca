#include "util/clone_ptr.h"

#include <gtest/gtest.h>

#include <string>

namespace pellicor {
namespace {

struct TPlainRecord {
    std::string Name;
};

class TShapeBase {
public:
    virtual ~TShapeBase() = default;
    virtual std::unique_ptr<TShapeBase> Clone() const = 0;
    virtual std::string Kind() const = 0;
    int Size = 0;
};

class TCircle : public TShapeBase {
public:
    std::unique_ptr<TShapeBase> Clone() const override { return std::make_unique<TCircle>(*this); }
    std::string Kind() const override { return "circle"; }
};

// An interface whose virtual copy is called CloneList (a derived class keeps Clone() for
// its own, narrower copy).
class TListBase {
public:
    virtual ~TListBase() = default;
    virtual std::unique_ptr<TListBase> CloneList() const = 0;
    virtual std::string Kind() const = 0;
};

class TNumberList : public TListBase {
public:
    std::unique_ptr<TListBase> CloneList() const override { return std::make_unique<TNumberList>(*this); }
    std::string Kind() const override { return "numbers"; }
    int Count = 0;
};

struct TOwner {
    TClonePtr<TPlainRecord> Record;
    TCloneList<TShapeBase> Shapes;
};

TEST(ClonePtr, ACopiedOwnerOwnsCopiesOfItsChildrenInTheirRealClass) {
    TOwner original;
    original.Record = std::make_unique<TPlainRecord>(TPlainRecord{"first"});
    original.Shapes.push_back(std::make_unique<TCircle>());
    original.Shapes[0]->Size = 3;

    TOwner copy = original;
    ASSERT_TRUE(copy.Record);
    EXPECT_NE(copy.Record.get(), original.Record.get());
    EXPECT_EQ(copy.Record->Name, "first");
    ASSERT_EQ(copy.Shapes.size(), 1u);
    EXPECT_EQ(copy.Shapes[0]->Kind(), "circle");
    EXPECT_EQ(copy.Shapes[0]->Size, 3);

    copy.Record->Name = "changed";
    copy.Shapes[0]->Size = 9;
    EXPECT_EQ(original.Record->Name, "first");
    EXPECT_EQ(original.Shapes[0]->Size, 3);

    TOwner assigned;
    assigned.Record = std::make_unique<TPlainRecord>(TPlainRecord{"old"});
    assigned = original;
    EXPECT_EQ(assigned.Record->Name, "first");
    assigned = TOwner{};
    EXPECT_FALSE(assigned.Record);
    EXPECT_TRUE(assigned.Shapes.empty());
}

TEST(ClonePtr, CopiesThroughCloneListWhenThatIsTheVirtualCopy) {
    auto numbers = std::make_unique<TNumberList>();
    numbers->Count = 4;
    TClonePtr<TListBase> original = std::move(numbers);
    TClonePtr<TListBase> copy = original;
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.get(), original.get());
    EXPECT_EQ(copy->Kind(), "numbers");
    static_cast<TNumberList&>(*copy).Count = 7;
    EXPECT_EQ(static_cast<TNumberList&>(*original).Count, 4);
}

TEST(ClonePtr, MovingHandsOverWithoutCopying) {
    TClonePtr<TPlainRecord> first = std::make_unique<TPlainRecord>(TPlainRecord{"moved"});
    TPlainRecord* address = first.get();
    TClonePtr<TPlainRecord> second = std::move(first);
    EXPECT_EQ(second.get(), address);
    std::unique_ptr<TPlainRecord> taken = second.take();
    EXPECT_EQ(taken.get(), address);
    EXPECT_FALSE(second);
}

}  // namespace
}  // namespace pellicor
