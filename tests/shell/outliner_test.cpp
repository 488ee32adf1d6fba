// Outliner rows: root passes, orphans, cycles, depth clamp, the filter with
// its ancestors, the placeholder rule and selecting rows; the list box kept
// across edits equals a full rebuild.
#include <gtest/gtest.h>

#include <random>

#include "model/app_state.h"
#include "model/objects.h"
#include "model/services.h"
#include "persistence/project_flows.h"
#include "platform/headless_responders.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"
#include "viewport/viewport.h"

namespace vk::testing {
namespace {

Object item(const std::wstring& id, const std::wstring& name, const std::wstring& parent = L"",
            ObjectKind kind = ObjectKind::Mesh) {
  Object o;
  o.id = id;
  o.name = name;
  o.parentId = parent;
  o.kind = kind;
  return o;
}

std::vector<std::wstring> texts(const OutlinerList& list) { return list.texts; }

class OutlinerRows : public ::testing::Test {
 protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }
  static void reset() {
    appState().project = Project{};
    appState().outlinerFilter.clear();
  }
};

TEST_F(OutlinerRows, RootPassesPlaceCollectionRootsFirstThenRootsThenOrphansAndCycles) {
  Scene scene;
  scene.objects = {item(L"a", L"A"), item(L"b", L"B"), item(L"c", L"C", L"a"), item(L"orphan", L"Orphan", L"gone"),
                   item(L"x", L"X", L"y"), item(L"y", L"Y", L"x")};
  scene.collections.push_back(Collection{L"col-001", L"Main", {L"b", L"c", L"a"}});
  const OutlinerList list = buildOutlinerList(scene, L"", L"", L"c");
  EXPECT_EQ(texts(list), (std::vector<std::wstring>{L"[Mesh] B", L"[Mesh] A", L"[Mesh] C", L"[Mesh] Orphan",
                                                    L"[Mesh] X", L"[Mesh] Y"}));
  ASSERT_EQ(list.rows.size(), 6u);
  EXPECT_EQ(list.rows[2].depth, 1);  // C under A
  EXPECT_EQ(list.rows[3].depth, 0);  // the orphan is a root of pass c
  EXPECT_EQ(list.rows[4].depth, 0);  // the cycle: the first met is the root...
  EXPECT_EQ(list.rows[5].depth, 1);  // ...and the other stands below it, once
  EXPECT_EQ(list.selectedItem, 2);
  for (std::size_t i = 0; i < list.rows.size(); ++i) EXPECT_EQ(list.itemData[i], static_cast<std::int64_t>(i));
}

TEST_F(OutlinerRows, DeepChainsClampTheDepthAndCyclesUnderAFilterEnd) {
  Scene scene;
  scene.objects.push_back(item(L"n0", L"Node 0"));
  for (int i = 1; i < 20; ++i)
    scene.objects.push_back(item(L"n" + std::to_wstring(i), L"Node " + std::to_wstring(i), L"n" + std::to_wstring(i - 1)));
  const OutlinerList list = buildOutlinerList(scene, L"", L"", L"");
  ASSERT_EQ(list.rows.size(), 20u);
  EXPECT_EQ(list.rows[12].depth, 12);
  EXPECT_EQ(list.rows[13].depth, 12);
  EXPECT_EQ(list.rows[19].depth, 12);

  Scene cycle;
  cycle.objects = {item(L"p", L"Alpha", L"q"), item(L"q", L"Beta", L"p")};
  const OutlinerList filtered = buildOutlinerList(cycle, L"beta", L"Beta", L"");
  EXPECT_EQ(texts(filtered), (std::vector<std::wstring>{L"↳ [Mesh] Alpha", L"[Mesh] Beta"}));
}

TEST_F(OutlinerRows, AFilterShowsAncestorsWithTheMarkAndAMessageRowWhenNothingMatches) {
  Scene scene;
  scene.objects = {item(L"g", L"Rig"), item(L"m", L"Middle", L"g"), item(L"t", L"Target Lamp", L"m"),
                   item(L"o", L"Other")};
  const OutlinerList list = buildOutlinerList(scene, L"lamp", L"Lamp", L"");
  EXPECT_EQ(texts(list), (std::vector<std::wstring>{L"↳ [Mesh] Rig", L"↳ [Mesh] Middle", L"[Mesh] Target Lamp"}));
  EXPECT_EQ(list.rows[2].depth, 2);

  const OutlinerList none = buildOutlinerList(scene, L"zebra", L"  ZeBra ", L"");
  EXPECT_TRUE(none.rows.empty());
  EXPECT_EQ(texts(none), (std::vector<std::wstring>{L"No objects match:   ZeBra "}));
  EXPECT_EQ(none.itemData, (std::vector<std::int64_t>{-1}));
}

TEST_F(OutlinerRows, SearchNormalisesThePlaceholderAndMatchesLabelsIdsAndTags) {
  AppState& app = appState();
  for (const auto& [typed, query] : {std::pair{L"  Search... ", L""}, std::pair{L"search...", L""},
                                     std::pair{L"SEARCH...", L"search..."}, std::pair{L" Cam ", L"cam"}}) {
    app.outlinerFilter = typed;
    EXPECT_EQ(normalizedOutlinerSearch(), query) << std::wstring(typed).size();
  }
  Object camera = item(L"obj-7", L"Shot", L"", ObjectKind::Camera);
  camera.locked = true;
  camera.visible = false;
  app.project.scene.activeCameraId = L"obj-7";
  EXPECT_EQ(objectListLabel(camera), L"[Camera] Shot  (active)  (hidden)  (locked)");
  EXPECT_TRUE(objectRowMatchesSearch(camera, L"obj-7"));
  EXPECT_TRUE(objectRowMatchesSearch(camera, L"(locked)"));
  EXPECT_TRUE(objectRowMatchesSearch(camera, L"col-001"));
  EXPECT_FALSE(objectRowMatchesSearch(camera, L"Shot"));  // the query is lower case by then
  EXPECT_TRUE(objectRowMatchesSearch(camera, L""));
}

class OutlinerWindow : public StudioTest {};

TEST_F(OutlinerWindow, SelectingARowSelectsTheObjectAndFallsBackTheWorkMode) {
  startStudio();
  AppState& app = appState();
  HWND list = app.ui.outlinerList;
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);  // the starter cube
  app.workMode = WorkMode::EditMesh;
  const std::size_t undo = app.undoStack.size();
  SendMessageW(list, LB_SETCURSEL, 1, 0);
  onOutlinerSelectionChanged();
  EXPECT_EQ(app.selectedObjectId, L"obj-2");
  EXPECT_EQ(app.workMode, WorkMode::Object);  // a camera cannot stay in Edit Mesh
  EXPECT_EQ(app.undoStack.size(), undo);
  EXPECT_FALSE(app.dirty);

  app.outlinerFilter = L"nothing at all";
  refreshOutliner();
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  onOutlinerSelectionChanged();
  EXPECT_EQ(app.selectedObjectId, L"obj-2");  // the message row selects nothing
}

TEST_F(OutlinerWindow, TheCurrentRowFollowsAViewportPickAndTheOldRowSelectsAgain) {
  startStudio();
  AppState& app = appState();
  HWND list = app.ui.outlinerList;
  auto clickRow = [list](int row) {
    RECT r{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
    harness::clickAt(list, POINT{r.left + 60, (r.top + r.bottom) / 2});
  };
  clickRow(2);
  ASSERT_EQ(app.selectedObjectId, L"obj-3");

  RECT client{};
  GetClientRect(app.ui.viewport, &client);
  const Object& cube = app.project.scene.objects[0];
  harness::clickAt(app.ui.viewport, projectToScreen(cube.transform.position, client));
  ASSERT_EQ(app.selectedObjectId, cube.id);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
  clickRow(2);
  EXPECT_EQ(app.selectedObjectId, L"obj-3");
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 2);

  app.selectedObjectId.clear();  // as after deleting the last object
  refreshPanels();
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), -1);
}

TEST_F(OutlinerWindow, RowsPaintTheSelectionBandAndThePanelBackground) {
  startStudio();
  HWND list = appState().ui.outlinerList;
  ASSERT_NE(list, nullptr);
  const headless::Image image = harness::pixels(list);
  ASSERT_GT(image.height, 60);
  const COLORREF band = image.at(30, 15);  // inside the selected first row's band
  EXPECT_GT(GetBValue(band), 140);
  EXPECT_GT(GetBValue(band), GetRValue(band));
  EXPECT_EQ(image.at(2, 45), RGB(24, 29, 38));  // the second row's edge: panel colour
}

// What the list box shows: items with their data, selection and scroll.
struct ListBoxState {
  std::vector<std::wstring> texts;
  std::vector<LRESULT> data;
  LRESULT selected = -1;
  LRESULT top = 0;
  std::vector<std::pair<std::uint64_t, std::int32_t>> rows;
  bool operator==(const ListBoxState&) const = default;
};

ListBoxState listBoxState(HWND list) {
  ListBoxState state;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()))));
    state.texts.push_back(std::move(text));
    state.data.push_back(SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0));
  }
  state.selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
  state.top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
  for (const OutlinerRow& row : appState().outlinerRows) state.rows.emplace_back(row.index, row.depth);
  return state;
}

// Random edits, each followed by the outliner refresh that updates only the
// rows that changed; then a filter cycle forces a rebuild from nothing, which
// must leave the list box exactly as it was.
TEST_F(OutlinerWindow, RowsKeptAcrossRandomEditsEqualAFullRebuild) {
  startStudio(1280, 720);
  AppState& app = appState();
  HWND list = app.ui.outlinerList;
  ASSERT_NE(list, nullptr);
  int menuAnswer = kCmdParentChooserBase;
  headless::setResponder([&menuAnswer](const headless::ModalRequest& request, headless::ModalAnswer& answer) {
    if (request.kind == L"menu") answer.result = menuAnswer;
    else if (request.kind == L"messagebox") answer.result = (request.flags & MB_YESNO) ? IDYES : IDOK;
    else return false;  // file dialogs: the queued answer
    return true;
  });
  for (int i = 0; i < 40; ++i) addObject(i % 5 ? ObjectKind::Mesh : ObjectKind::Camera, L"Cube");
  refreshAll();
  const std::wstring saved = wideFromPath(std::filesystem::path(folder_) / "saved.json");
  ASSERT_TRUE(saveProjectFile(saved));
  std::mt19937 random(39);
  auto pick = [&random](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
  std::string trail;
  for (int step = 0; step < 300; ++step) {
    const auto& objects = std::as_const(app.project.scene.objects);
    if (!objects.empty()) app.selectedObjectId = objects[pick(objects.size())].id;
    SendMessageW(list, LB_SETTOPINDEX, pick(std::max<std::size_t>(1, objects.size())), 0);
    const int kind = static_cast<int>(pick(12));
    trail += " " + std::to_string(kind);
    switch (kind) {
      case 0: handleCommand(pick(2) ? kCmdAddCube : kCmdAddCamera); break;
      case 1: handleCommand(kCmdDeleteSelected); break;
      case 2:
        SetWindowTextW(shellHandles().nameEdit, (L"Renamed " + std::to_wstring(pick(5))).c_str());
        handleCommand(kCmdApplyInspector);
        break;
      case 3: handleCommand(kCmdToggleVisibility); break;
      case 4: handleCommand(kCmdToggleLock); break;
      case 5:
        menuAnswer = kCmdParentChooserBase + static_cast<int>(pick(6));
        handleCommand(kCmdParentSelected);
        break;
      case 6: handleCommand(kCmdDuplicateSelected); break;
      case 7: handleCommand(kCmdUndo); break;
      case 8: handleCommand(kCmdRedo); break;
      case 9: handleCommand(kCmdSetSelectedCameraActive); break;
      case 10:
        setDirty(false);
        headless::answerFileDialog(saved);
        handleCommand(kCmdOpenProject);
        break;
      default: refreshPanels(); break;  // a selection change
    }
    refreshOutliner();
    const ListBoxState kept = listBoxState(list);
    app.outlinerFilter = L"[";
    refreshOutliner();
    app.outlinerFilter.clear();
    refreshOutliner();
    ASSERT_EQ(kept, listBoxState(list)) << "after steps" << trail;
  }
  headless::setResponder(nullptr);
}

}  // namespace
}  // namespace vk::testing
