// What the refreshes keep between edits -- the visible triangle count, the
// wrapped height of the inspector's details, the lookup of objects by id and
// the inspector's boxes -- equals what a fresh computation gives, after
// random edit sequences and after writes through a reference held across
// a refresh.
#include <gtest/gtest.h>

#include <random>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/objects.h"
#include "model/services.h"
#include "platform/headless_responders.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"
#include "viewport/viewport.h"

namespace vk::testing {
namespace {

class KeptValues : public StudioTest {
 protected:
  // The label's height measured here, with the label's own font and style.
  static int freshWrappedHeight(HWND label, int width) {
    const std::wstring text = harness::text(label);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    UINT format = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS;
    if (GetWindowLongW(label, GWL_STYLE) & SS_NOPREFIX) format |= DT_NOPREFIX;
    RECT r{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    return r.bottom - r.top;
  }
  // The first object carrying the id, by a walk over the list.
  static const Object* firstWithId(const std::wstring& id) {
    for (const Object& object : std::as_const(appState().project.scene.objects))
      if (object.id == id) return &object;
    return nullptr;
  }
  static void expectKeptValuesFresh(const std::string& trail) {
    EXPECT_EQ(visibleTriangleTotal(), visibleTriangleCount()) << trail;
    HWND details = shellHandles().meshDetails;
    for (int width : {120, 296, 900}) {
      EXPECT_EQ(wrappedTextHeight(details, width), freshWrappedHeight(details, width)) << trail;
    }
    const Scene& scene = appState().project.scene;
    for (const Object& object : std::as_const(scene.objects)) {
      ASSERT_EQ(findObjectById(scene, object.id), firstWithId(object.id)) << trail;
      if (!object.parentId.empty()) {
        ASSERT_EQ(findObjectById(scene, object.parentId), firstWithId(object.parentId)) << trail;
      }
    }
    EXPECT_EQ(findObjectById(scene, L"obj-none"), nullptr) << trail;
    if (const Object* selected = firstWithId(appState().selectedObjectId)) {
      EXPECT_EQ(harness::text(shellHandles().nameEdit), selected->name) << trail;
      EXPECT_EQ(harness::text(shellHandles().transformEdits[0]), editDoubleText(selected->transform.position.x)) << trail;
      EXPECT_EQ(harness::text(mainButton(kCmdToggleVisibility)), selected->visible ? L"Hide" : L"Show") << trail;
    }
  }
};

TEST_F(KeptValues, EqualAFreshComputationAcrossRandomEdits) {
  startStudio(1280, 720);
  AppState& app = appState();
  int menuAnswer = kCmdParentChooserBase;
  headless::setResponder([&menuAnswer](const headless::ModalRequest& request, headless::ModalAnswer& answer) {
    if (request.kind == L"menu") answer.result = menuAnswer;
    else if (request.kind == L"messagebox") answer.result = (request.flags & MB_YESNO) ? IDYES : IDOK;
    else return false;
    return true;
  });
  const int creators[] = {kCmdAddCube, kCmdAddSphere, kCmdAddTextMesh, kCmdAddCamera, kCmdAddPointLight, kCmdAddLineCurve};
  for (int i = 0; i < 24; ++i) handleCommand(creators[i % 6]);
  std::mt19937 random(4096);
  auto pick = [&random](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
  std::string trail;
  for (int step = 0; step < 240; ++step) {
    const auto& objects = std::as_const(app.project.scene.objects);
    app.selectedObjectId = objects[pick(objects.size())].id;
    refreshPanels();
    const int kind = static_cast<int>(pick(13));
    trail += " " + std::to_string(kind);
    switch (kind) {
      case 0: handleCommand(creators[pick(6)]); break;
      case 1: handleCommand(kCmdDeleteSelected); break;
      case 2:
        SetWindowTextW(shellHandles().nameEdit, pick(2) ? L"Renamed" : L"A much longer name that wraps the details");
        handleCommand(kCmdApplyInspector);
        break;
      case 3:
        SetWindowTextW(shellHandles().transformEdits[0], std::to_wstring(pick(7)).c_str());
        handleCommand(kCmdApplyInspector);
        break;
      case 4: case 5: handleCommand(kCmdToggleVisibility); break;
      case 6:
        menuAnswer = kCmdParentChooserBase + static_cast<int>(pick(6));
        handleCommand(kCmdParentSelected);
        break;
      case 7: handleCommand(kCmdUnparentSelected); break;
      case 8: handleCommand(kCmdDuplicateSelected); break;
      case 9: handleCommand(kCmdUndo); break;
      case 10: handleCommand(kCmdRedo); break;
      case 11: handleCommand(pick(2) ? kCmdMaterialPresetGold : kCmdMaterialPresetBlue); break;
      default: resize(1120 + static_cast<int>(pick(3)) * 240, 720); break;  // another inspector width
    }
    expectKeptValuesFresh(trail);
    if (::testing::Test::HasFailure()) break;
  }
  headless::setResponder(nullptr);
}

// Commands may write an object they found before the refresh that follows:
// such a write shows in the next refresh although the object's stamp was
// taken before it.
TEST_F(KeptValues, SeeWritesThroughAReferenceHeldAcrossARefresh) {
  startStudio(1280, 720);
  for (int i = 0; i < 6; ++i) handleCommand(kCmdAddCube);
  AppState& app = appState();
  Scene& scene = app.project.scene;
  const std::wstring parentId = std::as_const(scene.objects)[3].id;
  const std::wstring childId = std::as_const(scene.objects)[4].id;
  findObjectById(childId)->parentId = parentId;
  refreshAll();
  expectKeptValuesFresh("parented");

  Object& held = *findObjectById(parentId);
  refreshAll();
  held.visible = false;  // hides its child too
  refreshAll();
  expectKeptValuesFresh("parent hidden through the held reference");
  held.id = std::as_const(scene.objects)[1].id;  // a duplicate id: the first holder still answers
  refreshAll();
  expectKeptValuesFresh("id duplicated through the held reference");
  held.meshData.faces.write().clear();
  refreshAll();
  expectKeptValuesFresh("faces cleared through the held reference");

  // A snapshot restored brings the old elements back.
  handleCommand(kCmdUndo);
  expectKeptValuesFresh("undone");

  // An earlier object given a later one's id by plain write access, once no
  // reference is held any more: the earlier one answers.
  { const ObjectList first = scene.objects, second = scene.objects; }
  scene.objects.pop_back();
  ASSERT_EQ(findObjectById(scene, L"obj-none"), nullptr);
  const std::wstring later = std::as_const(scene.objects)[4].id;
  scene.objects[1].id = later;
  EXPECT_EQ(findObjectById(scene, later), &std::as_const(scene.objects)[1]);
}

// A box the user works in, or changed and left, is written again by a
// refresh even when its text is the one the refresh would write.
TEST_F(KeptValues, InspectorRewritesABoxTheUserTouched) {
  startStudio(1280, 720);
  HWND name = shellHandles().nameEdit;
  const std::wstring shown = harness::text(name);
  SetFocus(name);
  SendMessageW(name, EM_SETSEL, 2, 4);
  refreshInspector();
  DWORD start = 9, end = 9;
  SendMessageW(name, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 0u);
  SetFocus(harness::mainWindow());
  SendMessageW(name, EM_SETMODIFY, TRUE, 0);
  refreshInspector();
  EXPECT_FALSE(SendMessageW(name, EM_GETMODIFY, 0, 0));
  EXPECT_EQ(harness::text(name), shown);
}

}  // namespace
}  // namespace vk::testing
