// Every key hint a menu shows after a command's name is a key that runs
// that command: pressed in the viewport, it leaves the studio as the
// command does, in at least one situation where the command does anything.
#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/objects.h"
#include "persistence/persistence.h"
#include "shell/command_ids.h"
#include "shell/command_table.h"
#include "shell_test_support.h"

namespace vk::testing {
namespace {

struct KeyPress {
  UINT key = 0;
  bool ctrl = false;
  bool shift = false;
};

// The key a hint names: "Ctrl+" and "Shift+" before one key, and a note on
// where it acts after " in " ("A in Edit Curve"); nothing when the hint
// names no key this test knows.
std::optional<KeyPress> hintedKey(std::wstring_view hint) {
  KeyPress press;
  if (const std::size_t note = hint.find(L" in "); note != std::wstring_view::npos) hint = hint.substr(0, note);
  for (auto [prefix, flag] : {std::pair{std::wstring_view(L"Ctrl+"), &press.ctrl},
                              std::pair{std::wstring_view(L"Shift+"), &press.shift}}) {
    if (hint.starts_with(prefix)) {
      *flag = true;
      hint.remove_prefix(prefix.size());
    }
  }
  static constexpr std::pair<std::wstring_view, UINT> kNamed[] = {
      {L"Tab", VK_TAB},   {L"Esc", VK_ESCAPE}, {L"Backspace", VK_BACK}, {L"Delete", VK_DELETE},
      {L"Home", VK_HOME}, {L"End", VK_END},    {L"Left", VK_LEFT},      {L"Right", VK_RIGHT},
      {L",", VK_OEM_COMMA}, {L".", VK_OEM_PERIOD}};
  for (auto [name, key] : kNamed) {
    if (hint == name) {
      press.key = key;
      return press;
    }
  }
  if (hint.size() == 1 && ((hint[0] >= L'A' && hint[0] <= L'Z') || (hint[0] >= L'0' && hint[0] <= L'9'))) {
    press.key = static_cast<UINT>(hint[0]);
    return press;
  }
  return std::nullopt;
}

// What a command or a key leaves behind that a user can tell apart, field
// by field, the status line first.
using Outcome = std::vector<std::pair<const char*, std::string>>;

std::string text(const std::wstring& wide) {
  std::string out;
  for (wchar_t c : wide) out += std::to_string(static_cast<std::uint32_t>(c)) + ";";
  return out;
}
template <class T>
std::string text(const std::vector<T>& list) {
  std::string out;
  for (const T& item : list) out += std::to_string(item) + ",";
  return out;
}
std::string text(double value) { return std::to_string(std::bit_cast<std::uint64_t>(value)); }

Outcome outcome() {
  const AppState& a = appState();
  return {{"status", text(a.statusText)},
          {"project", serializeProject(a.project)},
          {"work mode", std::to_string(static_cast<int>(a.workMode))},
          {"component mode", std::to_string(static_cast<int>(a.componentMode))},
          {"tool", std::to_string(static_cast<int>(a.transformTool))},
          {"axis", std::to_string(static_cast<int>(a.axisConstraint))},
          {"navigation", std::to_string(static_cast<int>(a.navigationMode))},
          {"view flags", std::to_string(a.cameraView) + std::to_string(a.orthographic) + std::to_string(a.snapEnabled)},
          {"panels", std::to_string(a.activeRailPanel) + std::to_string(a.leftToolsOpen)},
          {"selected", text(a.selectedObjectId)},
          {"components", text(a.selectedVertices) + "/" + text(a.selectedEdges) + "/" + text(a.selectedFaces) + "/" +
                             text(a.selectedCurvePoints)},
          {"view", text(a.viewYaw) + text(a.viewPitch) + text(a.viewZoom) + text(a.viewPanX) + text(a.viewPanY) +
                       text(a.viewPivot.x) + text(a.viewPivot.y) + text(a.viewPivot.z)},
          {"undo", std::to_string(a.undoStack.size()) + "/" + std::to_string(a.redoStack.size())}};
}

// Whether the key did what the command did from the same start: a command
// that only spoke (a refusal, a notice) is matched exactly; else every field
// it changed reads the same after the key, which may do more (Esc also picks
// the Select tool) and then say so instead.
bool keyDidWhatCommandDid(const Outcome& before, const Outcome& command, const Outcome& key) {
  bool changed = false;
  for (std::size_t i = 1; i < before.size(); ++i) {
    if (command[i] == before[i]) continue;
    changed = true;
    if (key[i] != command[i]) return false;
  }
  return changed || key == command;
}

void selectNamed(const std::wstring& name) {
  for (const Object& object : appState().project.scene.objects) {
    if (object.name == name) appState().selectedObjectId = object.id;
  }
}

// The situations a hinted key is tried in, each reached from a fresh start.
struct Situation {
  const char* name;
  void (*reach)();
};
const Situation kSituations[] = {
    {"the cube selected", [] {}},
    {"Edit Mesh with a face selected",
     [] {
       harness::pressKey(VK_TAB);
       harness::pressKey('3');
       appState().selectedFaces = {0};
     }},
    {"Edit Curve with a point selected",
     [] {
       harness::sendCommand(kCmdAddBezierCurve);
       SetFocus(appState().ui.viewport);
       appState().selectedCurvePoints = {0};
     }},
    {"the Move tool held to X",
     [] {
       harness::pressKey('W');
       harness::pressKey('X');
     }},
    {"the camera selected", [] { selectNamed(L"Camera"); }},
    {"the light selected", [] { selectNamed(L"Point Light"); }},
};

class MenuHints : public StudioTest {
 protected:
  // A fresh studio (its settings file gone too) in the situation, the
  // viewport focused.
  void startIn(const Situation& situation) {
    harness::stop();
    std::filesystem::remove(settings_);
    startStudio();
    SetFocus(appState().ui.viewport);
    situation.reach();
    harness::pump();
  }
};

TEST_F(MenuHints, EveryHintedKeyRunsItsCommand) {
  std::vector<Outcome> before;
  for (const Situation& situation : kSituations) {
    startIn(situation);
    before.push_back(outcome());
  }
  int hinted = 0;
  for (const CommandRow* row : commandRows()) {
    if (!row->shortcut) continue;
    ++hinted;
    const std::string name(row->menu, row->menu + std::wcslen(row->menu));
    const std::string hint(row->shortcut, row->shortcut + std::wcslen(row->shortcut));
    const std::optional<KeyPress> press = hintedKey(row->shortcut);
    if (!press) {
      ADD_FAILURE() << name << ": the hint \"" << hint << "\" names no key";
      continue;
    }
    bool acts = false, holds = false;
    for (std::size_t i = 0; i < std::size(kSituations) && !holds; ++i) {
      startIn(kSituations[i]);
      harness::sendCommand(row->id);
      const Outcome command = outcome();
      if (command == before[i]) continue;  // nothing to compare here
      acts = true;
      startIn(kSituations[i]);
      harness::pressKey(press->key, press->ctrl, press->shift);
      holds = keyDidWhatCommandDid(before[i], command, outcome());
    }
    EXPECT_TRUE(acts) << name << " changes nothing in any situation tried";
    EXPECT_TRUE(holds) << name << ": its hint \"" << hint << "\" does not run it";
  }
  EXPECT_GT(hinted, 30);
}

}  // namespace
}  // namespace vk::testing
