// The scene's copy-on-write object list: copies share what was not written,
// a reference taken before a copy may still be written once without reaching
// the copy, reads never unshare, and structural edits move no element.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "model/types.h"

namespace vk {
namespace {

ObjectList threeObjects() {
  ObjectList list;
  for (const wchar_t* name : {L"a", L"b", L"c"}) {
    Object o;
    o.id = name;
    list.push_back(std::move(o));
  }
  return list;
}

TEST(ObjectList, CopiesShareUntilWrittenAndReadsNeverUnshare) {
  ObjectList live = threeObjects();
  const ObjectList first = live;
  for (std::size_t i = 0; i < 3; ++i) EXPECT_TRUE(live.sharesElement(first, i));
  std::size_t named = 0;
  for (const Object& o : std::as_const(live)) named += o.id.empty() ? 0 : 1;
  EXPECT_EQ(named, 3u);
  EXPECT_TRUE(live.sharesElement(first, 1));

  live[1].name = L"edited";  // write access clones the shared element only
  EXPECT_EQ(first[1].name, L"");
  EXPECT_FALSE(live.sharesElement(first, 1));
  EXPECT_TRUE(live.sharesElement(first, 0));
  EXPECT_TRUE(live.sharesElement(first, 2));
  EXPECT_FALSE(live == first);
  live[1].name.clear();
  EXPECT_TRUE(live == first);  // equal by value, not only by sharing
}

TEST(ObjectList, AReferenceTakenBeforeACopyWritesOnlyTheLiveList) {
  ObjectList live = threeObjects();
  const ObjectList older = live;
  Object& held = live[0];                 // as a command finds its object,
  const ObjectList snapshot = live;       // pushes its snapshot,
  held.name = L"after the snapshot";      // and then writes
  EXPECT_EQ(snapshot[0].name, L"");
  EXPECT_EQ(older[0].name, L"");
  EXPECT_EQ(std::as_const(live)[0].name, L"after the snapshot");
  EXPECT_TRUE(live.sharesElement(snapshot, 2));

  // The copy after that shares the written element again.
  const ObjectList next = live;
  EXPECT_TRUE(live.sharesElement(next, 0));
  EXPECT_EQ(next[0].name, L"after the snapshot");
}

TEST(ObjectList, StructuralEditsKeepReferencesAndNotesFollowTheElement) {
  ObjectList list = threeObjects();
  const Object* b = &std::as_const(list)[1];
  const Object* c = &std::as_const(list)[2];
  list.insert(list.begin(), Object{});
  list.erase(list.begin() + 1);  // "a"
  EXPECT_EQ(&std::as_const(list)[1], b);
  EXPECT_EQ(&std::as_const(list)[2], c);
  std::size_t index = 0;
  EXPECT_EQ(list.eraseIf([&](const Object&) { return index++ == 1; }), 1u);
  EXPECT_EQ(&std::as_const(list)[1], c);
  EXPECT_EQ(list.indexOf(c), 1u);

  list.note(1);
  const ObjectList copy = list;
  EXPECT_TRUE(copy.noted(1));
  list[1].name = L"changed";
  EXPECT_FALSE(list.noted(1));
  EXPECT_TRUE(copy.noted(1));
}

// A cache beside the list trusts an unchanged stamp: every write access must
// change it, reads and copies must not, and a write through a reference that
// may still be held must not hide behind an old stamp.
TEST(ObjectList, ContentStampsChangeWithEveryWriteAndAreWithheldWhileAReferenceMayBeHeld) {
  ObjectList live = threeObjects();
  const std::uint64_t before[3] = {live.contentStamp(0), live.contentStamp(1), live.contentStamp(2)};
  for (std::uint64_t stamp : before) EXPECT_NE(stamp, 0u);  // built by push_back: never written
  EXPECT_NE(before[0], before[1]);
  EXPECT_NE(before[1], before[2]);
  for (const Object& o : std::as_const(live)) (void)o.id.size();
  ObjectList snapshot = live;
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(live.contentStamp(i), before[i]);

  Object& held = live[1];  // a command's write access, after the snapshot
  held.name = L"first";
  EXPECT_EQ(live.contentStamp(1), 0u);
  const ObjectList one = live;  // one copy later the reference may still write
  held.name = L"second";
  EXPECT_EQ(live.contentStamp(1), 0u);
  EXPECT_EQ(one[1].name, L"first");
  const ObjectList two = live;  // two copies later it may not: the stamp is back, and new
  const std::uint64_t written = live.contentStamp(1);
  EXPECT_NE(written, 0u);
  EXPECT_NE(written, before[1]);
  EXPECT_EQ(live.contentStamp(0), before[0]);

  // Another element in the same place, or the old one back, reads as a change
  // against the stamp seen last; the very same element restored reads as itself.
  live = snapshot;
  EXPECT_EQ(live.contentStamp(1), before[1]);
  EXPECT_EQ(live.contentStamp(2), before[2]);
  live.erase(live.begin());
  EXPECT_EQ(live.contentStamp(0), before[1]);
  live.insert(live.begin(), Object{});
  EXPECT_NE(live.contentStamp(0), before[0]);
  EXPECT_NE(live.contentStamp(0), 0u);
  live.back().name = L"emplaced";  // write access to the last one
  live.settle();                   // nobody holds a reference any more
  EXPECT_NE(live.contentStamp(2), before[2]);
  EXPECT_NE(live.contentStamp(2), 0u);
}

}  // namespace
}  // namespace vk
