// Lookup by id, parent walks (cycles, dangling links, the 512-step limit),
// parenting checks and the active camera rules.
#include <gtest/gtest.h>

#include "model/app_state.h"
#include "model/hierarchy.h"

namespace vk {
namespace {

class Hierarchy : public ::testing::Test {
 protected:
  void SetUp() override { appState() = AppState{}; }
  void TearDown() override { appState() = AppState{}; }

  Object& add(const std::wstring& id, const std::wstring& parent = L"", ObjectKind kind = ObjectKind::Mesh) {
    Object o;
    o.id = id;
    o.parentId = parent;
    o.kind = kind;
    scene().objects.push_back(o);
    return scene().objects.back();
  }
  Scene& scene() { return appState().project.scene; }
  Object& get(const std::wstring& id) { return *findObjectById(id); }
};

TEST_F(Hierarchy, FindReturnsFirstExactMatch) {
  add(L"obj-1").name = L"first";
  add(L"obj-1").name = L"second";
  add(L"OBJ-2");
  EXPECT_EQ(findObjectById(L"obj-1")->name, L"first");
  EXPECT_EQ(findObjectById(L"obj-2"), nullptr);
  EXPECT_EQ(findObjectById(L"obj-"), nullptr);
  EXPECT_EQ(findObjectById(L""), nullptr);
}

TEST_F(Hierarchy, InheritedVisibilityAndLock) {
  add(L"root");
  add(L"mid", L"root");
  add(L"leaf", L"mid");
  EXPECT_TRUE(isEffectivelyVisible(get(L"leaf")));
  EXPECT_FALSE(isEffectivelyLocked(get(L"leaf")));
  get(L"root").visible = false;
  get(L"root").locked = true;
  EXPECT_FALSE(isEffectivelyVisible(get(L"leaf")));
  EXPECT_TRUE(isEffectivelyLocked(get(L"leaf")));
  EXPECT_TRUE(isDescendantOf(L"leaf", L"root"));
  EXPECT_FALSE(isDescendantOf(L"root", L"leaf"));
  EXPECT_FALSE(isDescendantOf(L"", L"root"));
}

TEST_F(Hierarchy, DanglingParentCountsAsTopLevel) {
  add(L"orphan", L"obj-deleted");
  EXPECT_TRUE(isEffectivelyVisible(get(L"orphan")));
  EXPECT_FALSE(isEffectivelyLocked(get(L"orphan")));
  get(L"orphan").visible = false;
  get(L"orphan").locked = true;
  EXPECT_FALSE(isEffectivelyVisible(get(L"orphan")));
  EXPECT_TRUE(isEffectivelyLocked(get(L"orphan")));
  EXPECT_FALSE(isDescendantOf(L"orphan", L"root"));
}

TEST_F(Hierarchy, CyclicChainTerminates) {
  add(L"a", L"b");
  add(L"b", L"c");
  add(L"c", L"a");
  EXPECT_TRUE(isEffectivelyVisible(get(L"a")));
  EXPECT_FALSE(isEffectivelyLocked(get(L"a")));
  EXPECT_FALSE(isDescendantOf(L"a", L"zzz"));
  // Inside the cycle every member is an ancestor of every other.
  EXPECT_TRUE(isDescendantOf(L"a", L"a"));
  EXPECT_FALSE(canParentTo(L"a", L"b"));
  add(L"self", L"self");
  EXPECT_TRUE(isEffectivelyVisible(get(L"self")));
}

TEST_F(Hierarchy, WalksStopAfter512Steps) {
  // n0 <- n1 <- ... <- n600: the root lies 600 steps above the leaf.
  add(L"n0");
  for (int i = 1; i <= 600; ++i) add(L"n" + std::to_wstring(i), L"n" + std::to_wstring(i - 1));
  get(L"n0").visible = false;
  get(L"n0").locked = true;
  EXPECT_TRUE(isEffectivelyVisible(get(L"n600")));
  EXPECT_FALSE(isEffectivelyLocked(get(L"n600")));
  EXPECT_FALSE(isDescendantOf(L"n600", L"n0"));
  // 512 steps still reach n0 from n512 (its parent link is step one).
  EXPECT_TRUE(isDescendantOf(L"n512", L"n0"));
  EXPECT_FALSE(isDescendantOf(L"n513", L"n0"));
  EXPECT_FALSE(isEffectivelyVisible(get(L"n512")));
  EXPECT_TRUE(isEffectivelyVisible(get(L"n513")));
}

TEST_F(Hierarchy, CanParentToRefusesSelfCyclesAndMissing) {
  add(L"parent");
  add(L"child", L"parent");
  add(L"other");
  EXPECT_FALSE(canParentTo(L"parent", L"parent"));
  EXPECT_FALSE(canParentTo(L"parent", L"child"));
  EXPECT_TRUE(canParentTo(L"child", L"other"));
  EXPECT_TRUE(canParentTo(L"other", L"child"));
  EXPECT_FALSE(canParentTo(L"child", L"missing"));
  EXPECT_FALSE(canParentTo(L"", L"other"));
  EXPECT_FALSE(canParentTo(L"child", L""));
}

TEST_F(Hierarchy, ActiveCameraRepairAndCameraView) {
  add(L"mesh");
  add(L"cam1", L"", ObjectKind::Camera);
  add(L"cam2", L"", ObjectKind::Camera);
  Project& project = appState().project;

  ensureValidActiveCamera(project, false);
  EXPECT_EQ(scene().activeCameraId, L"");  // empty stays empty without force
  ensureValidActiveCamera(project, true);
  EXPECT_EQ(scene().activeCameraId, L"cam1");

  scene().activeCameraId = L"cam2";
  ensureValidActiveCamera(project, true);
  EXPECT_EQ(scene().activeCameraId, L"cam2");  // a valid camera is kept

  scene().activeCameraId = L"mesh";  // not a camera
  ensureValidActiveCamera(project, false);
  EXPECT_EQ(scene().activeCameraId, L"cam1");

  scene().activeCameraId = L"gone";
  scene().objects.erase(scene().objects.begin() + 1, scene().objects.end());
  ensureValidActiveCamera(project, false);
  EXPECT_EQ(scene().activeCameraId, L"");  // no camera left

  add(L"cam3", L"", ObjectKind::Camera);
  scene().activeCameraId = L"cam3";
  EXPECT_FALSE(useActiveCameraView());
  appState().cameraView = true;
  EXPECT_TRUE(useActiveCameraView());
  scene().activeCameraId = L"mesh";
  EXPECT_FALSE(useActiveCameraView());
}

}  // namespace
}  // namespace vk
