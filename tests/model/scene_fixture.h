// Shared set-up of the command tests: a fresh application state holding the
// new project, with no window anywhere.
#pragma once

#include <gtest/gtest.h>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/objects.h"
#include "model/services.h"

namespace vk {

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    appState() = AppState{};
    resetToNewProject();
  }
  void TearDown() override { appState() = AppState{}; }

  static AppState& app() { return appState(); }
  static Scene& scene() { return appState().project.scene; }
  static Object& object(const std::wstring& id) {
    Object* found = findObjectById(id);
    EXPECT_NE(found, nullptr) << "no object " << std::string(id.begin(), id.end());
    return *found;
  }
  // Selects and returns the id of a newly created object.
  static std::wstring create(ObjectKind kind, const std::wstring& name) {
    addObject(kind, name);
    return appState().selectedObjectId;
  }
};

}  // namespace vk
