// The inspector: fields and details from the selected object, a refresh
// that leaves the document alone, Apply with its clamps and repairs, locks,
// scrolling by wheel and by the scrollbar, and the label of an imported OBJ.
#include <gtest/gtest.h>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/sanitize.h"
#include "model/text_utils.h"
#include "platform/headless_responders.h"
#include "shell/command_ids.h"
#include "shell/commands.h"
#include "shell/shell_handles.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

class Inspector : public StudioTest {
 protected:
  void SetUp() override {
    StudioTest::SetUp();
    startStudio(1280, 720);
  }
  void select(const wchar_t* id) {
    appState().selectedObjectId = id;
    refreshInspector();
  }
  void type(HWND edit, const wchar_t* text) { SetWindowTextW(edit, text); }
  Object& object(const wchar_t* id) { return *findObjectById(id); }
  static bool has(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
  }
  // The height `text` takes wrapped in the label's font and width.
  static int wrappedHeight(HWND label, const std::wstring& text) {
    RECT r{};
    GetClientRect(label, &r);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    return r.bottom - r.top;
  }
  // The bottom of the inspector's scrolling band, in the main window.
  int bandBottom() {
    const RECT I = shellHandles().inspectorRect;
    return std::max<int>(I.top + 120, I.bottom - 78) - 18;
  }
  RECT inMain(HWND window) {
    RECT r = headless::describe(window).windowRect;
    MapWindowPoints(nullptr, harness::mainWindow(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
};

TEST_F(Inspector, RefreshFillsTheFieldsAndTheDetailsPerKind) {
  object(L"obj-1").transform.position = {1.5, -0.25, 0};
  select(L"obj-1");
  EXPECT_EQ(harness::text(shellHandles().nameEdit), L"Starter Cube");
  EXPECT_EQ(harness::text(shellHandles().typeField), L"Mesh");
  EXPECT_EQ(harness::text(shellHandles().transformEdits[0]), L"1.50");
  EXPECT_EQ(harness::text(shellHandles().transformEdits[1]), L"-0.25");
  EXPECT_EQ(harness::text(shellHandles().transformEdits[6]), L"1.00");
  EXPECT_EQ(harness::text(shellHandles().rangeLabel), L"FOV");
  const std::wstring cube = harness::text(shellHandles().meshDetails);
  EXPECT_TRUE(cube.starts_with(L"Details\nMode: Object\nShading: Lit\nRender: Active Camera  1280 x 720  crop on\n"))
      << cube;
  EXPECT_TRUE(has(cube, L"Mesh: Cube  V/E/F 8/12/6")) << cube;
  EXPECT_TRUE(has(cube, L"Parent: None  Children: 0\n")) << cube;

  select(L"obj-2");
  EXPECT_EQ(harness::text(shellHandles().typeField), L"Camera");
  EXPECT_EQ(harness::text(shellHandles().rangeEdit), L"50.00");
  EXPECT_TRUE(has(harness::text(shellHandles().meshDetails), L"Camera: active  FOV 50.0  Clip 0.1-1000.0  Aspect 1.8\n"));

  object(L"obj-1").parentId = L"obj-3";
  select(L"obj-3");
  EXPECT_EQ(harness::text(shellHandles().rangeLabel), L"Range");
  EXPECT_EQ(harness::text(shellHandles().rangeEdit), L"10.00");
  EXPECT_EQ(harness::text(mainButton(kCmdToggleLock)), L"Lock");
  const std::wstring light = harness::text(shellHandles().meshDetails);
  EXPECT_TRUE(has(light, L"Light: Point  intensity 2.50  range 10.00  spot 35.00  area 1.00\n")) << light;
  EXPECT_TRUE(has(light, L"Parent: None  Children: 1\n")) << light;
}

TEST_F(Inspector, RefreshReadsCopiesAndNeverChangesTheDocument) {
  AppState& app = appState();
  Object& cube = object(L"obj-1");
  cube.materialSlots.activeIndex = 7;  // out of range
  cube.materialSlots.slots.clear();
  Modifier odd;
  odd.type = L"Mirror";
  odd.parameters.resize(90);  // over the stack's own limit
  cube.modifierStack.entries.push_back(odd);
  setDirty(false);
  const Project before = app.project;
  const std::size_t undo = app.undoStack.size();
  select(L"obj-1");
  refreshAll();
  EXPECT_EQ(app.project, before);
  EXPECT_EQ(app.undoStack.size(), undo);
  EXPECT_FALSE(app.dirty);
  EXPECT_EQ(harness::text(shellHandles().colorEdits[0]), L"72");  // shown from the repaired copy
}

TEST_F(Inspector, ApplyClampsAndKeepsWhatDoesNotParse) {
  AppState& app = appState();
  select(L"obj-2");
  type(shellHandles().nameEdit, L"");
  type(shellHandles().transformEdits[0], L"abc");
  type(shellHandles().transformEdits[1], L"12abc");
  type(shellHandles().colorEdits[0], L"300");
  type(shellHandles().colorEdits[1], L"-5");
  type(shellHandles().intensityEdit, L"-3");
  type(shellHandles().rangeEdit, L"0");
  object(L"obj-2").transform.position.x = 4;
  const std::size_t undo = app.undoStack.size();
  handleCommand(kCmdApplyInspector);
  const Object& camera = object(L"obj-2");
  EXPECT_EQ(camera.name, L"Object");
  EXPECT_EQ(camera.transform.position.x, 4);
  EXPECT_EQ(camera.transform.position.y, 12);
  EXPECT_EQ(camera.materialSlots.slots[0].r, 255);
  EXPECT_EQ(camera.materialSlots.slots[0].g, 0);
  EXPECT_EQ(camera.material.r, 255);
  EXPECT_EQ(camera.light.intensity, 0);
  EXPECT_EQ(camera.camera.fov, 1);
  EXPECT_EQ(app.undoStack.size(), undo + 1);
  EXPECT_EQ(app.statusText, L"●  Unsaved changes");
  type(shellHandles().rangeEdit, L"200");
  handleCommand(kCmdApplyInspector);
  EXPECT_EQ(object(L"obj-2").camera.fov, 179);

  select(L"obj-3");
  type(shellHandles().rangeEdit, L"0");
  handleCommand(kCmdApplyInspector);
  EXPECT_DOUBLE_EQ(object(L"obj-3").light.range, 0.1);
}

TEST_F(Inspector, ApplyKeepsEveryValueTheUserDidNotEditBitForBit) {
  AppState& app = appState();
  for (const wchar_t* id : {L"obj-2", L"obj-3"}) {
    Object& o = object(id);
    o.name = L"Placed  exactly";
    o.transform = {{1e-4, -2.345678, 0.125}, {12.3456, -0.004, 359.999}, {0.005, 0.0125, 3.14159}};
    o.camera.fov = 47.123;
    o.light.intensity = 2.345;
    o.light.range = 10.005;
  }
  for (const wchar_t* id : {L"obj-2", L"obj-3"}) {  // a camera's FOV box, a light's range box
    select(id);
    const Object before = object(id);
    setDirty(false);
    const std::size_t undo = app.undoStack.size();
    handleCommand(kCmdApplyInspector);
    EXPECT_EQ(object(id), before) << "nothing edited";
    EXPECT_EQ(app.undoStack.size(), undo + 1);  // Apply still takes its step and marks the project
    EXPECT_TRUE(app.dirty);
  }

  select(L"obj-3");
  const Object before = object(L"obj-3");
  type(shellHandles().transformEdits[4], L"7.5");
  handleCommand(kCmdApplyInspector);
  Object expected = before;
  expected.transform.rotation.y = 7.5;
  EXPECT_EQ(object(L"obj-3"), expected) << "only the edited rotation";
  type(shellHandles().intensityEdit, L"-1");
  handleCommand(kCmdApplyInspector);
  expected.light.intensity = 0;
  EXPECT_EQ(object(L"obj-3"), expected) << "an edited box is clamped";

  handleCommand(kCmdUndo);
  handleCommand(kCmdUndo);
  EXPECT_EQ(object(L"obj-3"), before);
}

// A name, a modifier's texts and the primitive longer than any panel shows
// are shown cut; Apply, the user having edited another box, keeps them whole.
TEST_F(Inspector, TextsLongerThanShownAreShownCutAndKeptWhole) {
  Object& cube = object(L"obj-1");
  const std::wstring longName = L"N" + std::wstring(3 * kShownTextCharLimit, L'n');
  cube.name = longName;
  cube.mesh.primitive = std::wstring(2 * kShownTextCharLimit, L'p');
  Modifier entry;
  entry.type = L"Mirror";
  entry.displayName = std::wstring(2 * kShownTextCharLimit, L'd');
  entry.parameters.push_back({L"label", L"text", 0.0, std::wstring(2 * kShownTextCharLimit, L't'), false});
  cube.modifierStack.entries.push_back(entry);
  // As Apply leaves the stack and materials: only the edited box differs.
  sanitizeModifierStack(cube);
  sanitizeMaterialSlots(cube);
  const Object before = cube;
  select(L"obj-1");
  EXPECT_EQ(harness::text(shellHandles().nameEdit), longName.substr(0, kShownTextCharLimit));
  const std::wstring details = harness::text(shellHandles().meshDetails);
  EXPECT_TRUE(has(details, L"Mesh: " + before.mesh.primitive.substr(0, kShownTextCharLimit) + L"  V/E/F"));
  EXPECT_TRUE(has(details, entry.displayName.substr(0, kShownTextCharLimit) + L" (Mirror)"));
  EXPECT_FALSE(has(details, std::wstring(kShownTextCharLimit + 1, L't')));
  type(shellHandles().transformEdits[0], L"2.5");
  handleCommand(kCmdApplyInspector);
  Object expected = before;
  expected.transform.position.x = 2.5;
  EXPECT_EQ(object(L"obj-1").name, longName);
  EXPECT_EQ(object(L"obj-1"), expected);
}

TEST_F(Inspector, ApplyRepairsNonFiniteAndHugeTransformValues) {
  select(L"obj-1");
  const wchar_t* texts[9] = {L"inf", L"nan", L"500000", L"-1e9", L"40000", L"1e308", L"nan", L"0", L"-inf"};
  for (int i = 0; i < 9; ++i) type(shellHandles().transformEdits[i], texts[i]);
  handleCommand(kCmdApplyInspector);
  const Transform& t = object(L"obj-1").transform;
  EXPECT_EQ(t.position, (Vec3{0, 0, 100000}));
  EXPECT_EQ(t.rotation, (Vec3{0, 36000, 0}));
  EXPECT_EQ(t.scale, (Vec3{1, 1, 1}));
}

TEST_F(Inspector, LockedOrParentLockedObjectsRefuseApplyWithoutASnapshot) {
  AppState& app = appState();
  object(L"obj-3").locked = true;
  object(L"obj-1").parentId = L"obj-3";
  select(L"obj-1");
  type(shellHandles().nameEdit, L"Renamed");
  setDirty(false);
  const Project before = app.project;
  const std::size_t undo = app.undoStack.size();
  handleCommand(kCmdApplyInspector);
  EXPECT_EQ(app.project, before);
  EXPECT_EQ(app.undoStack.size(), undo);
  EXPECT_FALSE(app.dirty);
}

TEST_F(Inspector, WheelAndScrollbarDragScrollTheBody) {
  AppState& app = appState();
  select(L"obj-1");
  ASSERT_GT(app.inspectorScrollMax, 100);
  const RECT I = shellHandles().inspectorRect;
  headless::wheel(harness::screenPoint(harness::mainWindow(), POINT{(I.left + I.right) / 2, I.top + 200}), -120);
  harness::pump();
  EXPECT_EQ(app.inspectorScrollOffset, 44);
  headless::wheel(harness::screenPoint(harness::mainWindow(), POINT{(I.left + I.right) / 2, I.top + 200}), 120);
  harness::pump();
  EXPECT_EQ(app.inspectorScrollOffset, 0);

  HWND bar = shellHandles().inspectorScrollbar;
  RECT track{};
  GetClientRect(bar, &track);
  const RECT thumb = inspectorScrollThumbRect(track);
  EXPECT_GE(thumb.bottom - thumb.top, 28);
  const POINT grab = harness::screenPoint(bar, POINT{(thumb.left + thumb.right) / 2, thumb.top + 5});
  headless::mouseMove(grab);
  headless::mouseDown(grab);
  headless::mouseMove(POINT{grab.x, grab.y + 40});
  headless::mouseUp(POINT{grab.x, grab.y + 40});
  harness::pump();
  EXPECT_GT(app.inspectorScrollOffset, 0);
  EXPECT_FALSE(app.inspectorScrollDrag);
}

TEST_F(Inspector, TheDetailsLabelCanBeScrolledWhollyIntoViewAt1280x720) {
  AppState& app = appState();
  select(L"obj-1");
  setInspectorScroll(1 << 20);
  harness::pump();
  const headless::WindowInfo details = headless::describe(shellHandles().meshDetails);
  ASSERT_TRUE(details.visible);
  const RECT I = shellHandles().inspectorRect;
  const int visH = std::max<int>(bandBottom() - (I.top + 52), 80);
  const int height = details.windowRect.bottom - details.windowRect.top;
  EXPECT_EQ(height, wrappedHeight(shellHandles().meshDetails, harness::text(shellHandles().meshDetails)));
  EXPECT_GT(height, visH);  // taller than the band: it scrolls through it
  EXPECT_EQ(app.inspectorScrollOffset, app.inspectorScrollMax);
  EXPECT_EQ(inMain(shellHandles().meshDetails).bottom, bandBottom());  // the range ends where the label ends
  // The wheel over the label scrolls the inspector.
  const RECT shown = headless::describe(shellHandles().meshDetailsClip).windowRect;
  headless::wheel(POINT{(shown.left + shown.right) / 2, (shown.top + shown.bottom) / 2}, 120);
  harness::pump();
  EXPECT_EQ(app.inspectorScrollOffset, app.inspectorScrollMax - 44);
}

TEST_F(Inspector, AThreeEntryModifierStackIsShownWholeAtTheEndOfTheRange) {
  select(L"obj-1");
  for (int id : {kCmdAddMirrorModifier, kCmdAddArrayModifier, kCmdAddBevelModifier})
    ASSERT_TRUE(handleCommand(id).handled);
  for (const auto& [w, h] : {std::pair{1280, 720}, std::pair{1920, 1080}}) {
    SCOPED_TRACE(w);
    resize(w, h);
    setInspectorScroll(1 << 20);
    harness::pump();
    HWND label = shellHandles().meshDetails;
    const std::wstring text = harness::text(label);
    const std::size_t summary = text.find(L"Modifiers: 3\n");
    ASSERT_NE(summary, std::wstring::npos);
    EXPECT_TRUE(has(text.substr(summary), L"3. [on] Bevel"));
    const RECT shown = inMain(shellHandles().meshDetailsClip);
    const RECT whole = inMain(label);
    ASSERT_TRUE(IsWindowVisible(label));
    EXPECT_EQ(whole.bottom - whole.top, wrappedHeight(label, text));
    // The summary's first line to the text's end lie inside the shown part.
    EXPECT_GE(whole.top + wrappedHeight(label, text.substr(0, summary)), shown.top);
    EXPECT_EQ(whole.bottom, shown.bottom);
    EXPECT_EQ(shown.bottom, bandBottom());
    // and the last line is painted there.
    const headless::Image image = harness::pixels(harness::mainWindow());
    int bright = 0;
    for (int y = whole.bottom - 14; y < whole.bottom; ++y)
      for (int x = whole.left; x < whole.right; ++x) bright += GetRValue(image.at(x, y)) > 150 ? 1 : 0;
    EXPECT_GT(bright, 20);
  }
}

// The OBJ import has written two ids over time; both read as an OBJ import,
// and a scene starter's objects keep their own label.
TEST_F(Inspector, AnImportedObjIsLabelledAsOneUnderEitherId) {
  const std::filesystem::path obj = folder_ / "part.obj";
  ASSERT_TRUE(writeFileAtomically(wideFromPath(obj), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"));
  headless::answerFileDialog(wideFromPath(obj));
  handleCommand(kCmdImportObj);
  const std::wstring details = harness::text(shellHandles().meshDetails);
  EXPECT_TRUE(has(details, L"\nOBJ Import: OBJ + MTL Import\n")) << wideToUtf8(details);
  EXPECT_TRUE(has(details, L"\nImport note: Source part.obj | vertices 3 | faces 1"));
  EXPECT_FALSE(has(details, L"Scene Starter Capsule"));

  Object object = *findObjectById(appState().selectedObjectId);
  object.objectCapsuleId = L"phase61-obj-import";
  EXPECT_TRUE(has(inspectorDetailsText(object), L"\nOBJ Import: OBJ + MTL Import\n"));
  object.objectCapsuleId = L"starter-clean-modeling";
  object.objectCapsuleLabel = L"Clean Modeling Scene";
  EXPECT_TRUE(has(inspectorDetailsText(object), L"\nScene Starter Capsule: Clean Modeling Scene\n"));
  EXPECT_TRUE(has(inspectorDetailsText(object), L"\nStarter note: Source part.obj"));
}

}  // namespace
}  // namespace vk::testing
