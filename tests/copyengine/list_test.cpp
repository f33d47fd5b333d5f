// LinkedList: appending, splicing at every position, destruction with and
// without a dispose callback, iteration.
#include <gtest/gtest.h>

#include <vector>

#include "copyengine/LinkedList.h"
#include "platform/fault_injection.h"
#include "platform/memory.h"

namespace {

std::vector<int> Values(LinkedList* list) {
    std::vector<int> values;
    ListIterator it = nullptr;
    for (InitIterator(list, &it); it != nullptr; Next(&it)) {
        values.push_back(*static_cast<int*>(GetData(it)));
    }
    return values;
}

// A list of ints from a static pool; the list does not own them.
struct ListOf {
    explicit ListOf(std::vector<int> values, ListDisposeProc dispose = nullptr)
        : items(std::move(values)) {
        InitLinkedList(&list, dispose);
        for (int& v : items) {
            EXPECT_EQ(AddToTail(&list, &v), kNoErr);
        }
    }
    ~ListOf() { DestroyList(&list); }
    LinkedListNode* NodeAt(int index) {
        LinkedListNode* node = list.head;
        for (int i = 0; i < index; ++i) {
            node = node->next;
        }
        return node;
    }
    std::vector<int> items;
    LinkedList list;
};

std::vector<void*> gDisposed;
void RecordDispose(void* data) {
    gDisposed.push_back(data);
}
void OtherDispose(void*) {}

TEST(LinkedList, AddToTailLinksHeadTailAndCount) {
    int a = 1, b = 2;
    LinkedList list;
    InitLinkedList(&list, nullptr);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.tail, nullptr);
    EXPECT_EQ(list.count, 0u);

    ASSERT_EQ(AddToTail(&list, &a), kNoErr);
    EXPECT_EQ(list.head, list.tail);
    EXPECT_EQ(list.count, 1u);
    ASSERT_EQ(AddToTail(&list, &b), kNoErr);
    EXPECT_EQ(list.head->next, list.tail);
    EXPECT_EQ(list.tail->next, nullptr);
    EXPECT_EQ(list.count, 2u);
    EXPECT_EQ(Values(&list), (std::vector<int>{1, 2}));
    DestroyList(&list);
}

TEST(LinkedList, AddToTailRefusesNullAndKeepsListOnAllocationFailure) {
    int a = 1;
    LinkedList list;
    InitLinkedList(&list, nullptr);
    EXPECT_EQ(AddToTail(&list, nullptr), kErrParam);
    EXPECT_EQ(AddToTail(nullptr, &a), kErrParam);
    EXPECT_EQ(list.count, 0u);
    {
        ScopedFault fault(PlatformOp::NewPtr, 1, kErrNoMemory);
        EXPECT_EQ(AddToTail(&list, &a), kErrNoMemory);
    }
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.count, 0u);
}

struct SpliceCase {
    const char* name;
    std::vector<int> dest;
    int insertAfter;  // index into dest, -1 for none
    std::vector<int> expected;
};

class LinkedListSplice : public ::testing::TestWithParam<SpliceCase> {};

TEST_P(LinkedListSplice, MovesSourceNodesToTheirPlace) {
    const SpliceCase& c = GetParam();
    ListOf dest(c.dest);
    ListOf source({10, 11});
    LinkedListNode* after = c.insertAfter < 0 ? nullptr : dest.NodeAt(c.insertAfter);
    InsertList(&dest.list, &source.list, after);

    EXPECT_EQ(Values(&dest.list), c.expected);
    EXPECT_EQ(dest.list.count, c.expected.size());
    EXPECT_EQ(*static_cast<int*>(dest.list.tail->data), c.expected.back());
    EXPECT_EQ(dest.list.tail->next, nullptr);
    EXPECT_EQ(source.list.head, nullptr);
    EXPECT_EQ(source.list.tail, nullptr);
    EXPECT_EQ(source.list.count, 0u);
    EXPECT_EQ(source.list.dispose, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Positions, LinkedListSplice,
                         ::testing::Values(SpliceCase{"IntoEmpty", {}, -1, {10, 11}},
                                           SpliceCase{"InFront", {1, 2, 3}, -1, {10, 11, 1, 2, 3}},
                                           SpliceCase{"AfterTail", {1, 2, 3}, 2, {1, 2, 3, 10, 11}},
                                           SpliceCase{
                                               "AfterMiddle", {1, 2, 3}, 0, {1, 10, 11, 2, 3}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LinkedList, InsertListKeepsIteratorOnInsertAfterGoingIntoNewNodes) {
    ListOf dest({1, 2});
    ListOf source({10, 11});
    ListIterator it = dest.list.head;
    InsertList(&dest.list, &source.list, it);
    Next(&it);
    EXPECT_EQ(*static_cast<int*>(GetData(it)), 10);
}

TEST(LinkedList, InsertListLeavesListsWithDifferentCallbacksOrEmptySourceAlone) {
    ListOf dest({1, 2}, OtherDispose);
    ListOf source({10});
    InsertList(&dest.list, &source.list, nullptr);
    EXPECT_EQ(Values(&dest.list), (std::vector<int>{1, 2}));
    EXPECT_EQ(Values(&source.list), (std::vector<int>{10}));

    ListOf emptySource({}, OtherDispose);
    InsertList(&dest.list, &emptySource.list, nullptr);
    EXPECT_EQ(dest.list.count, 2u);
    dest.list.dispose = nullptr;  // the ints are not heap blocks
}

TEST(LinkedList, DestroyListDisposesEveryItemOnceInOrder) {
    int a = 1, b = 2, c = 3;
    LinkedList list;
    InitLinkedList(&list, RecordDispose);
    AddToTail(&list, &a);
    AddToTail(&list, &b);
    AddToTail(&list, &c);
    gDisposed.clear();
    DestroyList(&list);
    EXPECT_EQ(gDisposed, (std::vector<void*>{&a, &b, &c}));
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.count, 0u);
    EXPECT_EQ(list.dispose, nullptr);
    DestroyList(nullptr);
}

TEST(LinkedList, MyDisposeDataProcFreesNewPtrItems) {
    // Run under the sanitizers, a leak or a double free here fails the test.
    LinkedList list;
    InitLinkedList(&list, MyDisposeDataProc);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(AddToTail(&list, NewPtr(16)), kNoErr);
    }
    DestroyList(&list);
    EXPECT_EQ(list.count, 0u);
    MyDisposeDataProc(nullptr);
}

TEST(LinkedList, IteratorHelpersIgnoreNulls) {
    ListIterator it = reinterpret_cast<ListIterator>(0x1);
    InitIterator(nullptr, &it);
    EXPECT_EQ(it, reinterpret_cast<ListIterator>(0x1));
    Next(nullptr);
    EXPECT_EQ(GetData(nullptr), nullptr);
}

}  // namespace
