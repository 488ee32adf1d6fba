// Shared set-up of the preset tests: a fresh new project with no windows,
// the text dialogs recorded instead of shown, and scenes padded to a size.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/objects.h"
#include "model/services.h"

namespace vk::presettest {

struct ShownDialog {
  std::wstring title;
  std::wstring text;
};

inline std::vector<ShownDialog>& shownDialogs() {
  static std::vector<ShownDialog> dialogs;
  return dialogs;
}

inline int recordDialog(const std::wstring& title, const std::wstring& text, const std::wstring&,
                        const std::wstring&, bool) {
  shownDialogs().push_back({title, text});
  return kTextDialogFirstButton;
}

class PresetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    appState() = AppState{};
    resetToNewProject();
    shownDialogs().clear();
    ServiceHooks hooks;
    hooks.showTextDialog = recordDialog;
    installServiceHooks(hooks);
  }
  void TearDown() override {
    installServiceHooks(ServiceHooks{});
    appState() = AppState{};
  }
  static AppState& app() { return appState(); }
  static Scene& scene() { return appState().project.scene; }
  static std::size_t objectCount() { return scene().objects.size(); }
  // Adds empties until the scene holds `count` objects.
  static void padSceneTo(std::size_t count) {
    while (scene().objects.size() < count) {
      Object empty = makeObject(ObjectKind::Empty, L"Pad");
      scene().objects.push_back(std::move(empty));
    }
  }
  static void selectCube() { app().selectedObjectId = L"obj-1"; }
  static const Object& object(const std::wstring& id) {
    const Object* found = findObjectById(id);
    EXPECT_NE(found, nullptr);
    return *found;
  }
};

}  // namespace vk::presettest
