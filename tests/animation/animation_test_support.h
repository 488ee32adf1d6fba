// A windowless studio state for the animation tests: an empty scene, objects
// built in code, keys placed directly, and the undo stacks to compare.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "animation/animation.h"
#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/objects.h"
#include "model/text_utils.h"
#include "model/undo.h"
#include "test_temp_folder.h"

namespace vktest {

class AnimationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vk::appState() = vk::AppState{};
    vk::appState().project.scene.collections.push_back(vk::Collection{});
    folder_ = vk::test::uniqueTempFolder("vk_animation");
    std::filesystem::create_directories(folder_);
    vk::appState().workspaceIniPath = (folder_ / "workspace.ini").wstring();
  }
  void TearDown() override {
    vk::appState() = vk::AppState{};
    std::filesystem::remove_all(folder_);
  }

  // Adds an object and selects it; returns its id (objects may move).
  std::wstring add(vk::ObjectKind kind, const std::wstring& name = L"Thing") {
    vk::Object object = vk::makeObject(kind, name);
    const std::wstring id = object.id;
    vk::appState().project.scene.objects.push_back(std::move(object));
    vk::appState().selectedObjectId = id;
    return id;
  }
  static vk::Object& obj(const std::wstring& id) { return *vk::findObjectById(id); }
  static vk::Object& selected() { return *vk::findObjectById(vk::appState().selectedObjectId); }
  static vk::TimelineBridge& timeline() { return vk::appState().project.scene.timelineSettings; }
  static void setFrame(std::int32_t frame) { timeline().currentFrame = frame; }

  static vk::TransformKeyframe tkey(std::int32_t frame, double x = 0.0, const std::wstring& curve = L"Linear") {
    vk::TransformKeyframe key;
    key.id = vk::transformKeyId(frame);
    key.frame = frame;
    key.position.x = x;
    key.interpolation = curve;
    return key;
  }
  static vk::CameraKeyframe ckey(std::int32_t frame, double fov = 50.0) {
    vk::CameraKeyframe key;
    key.id = vk::cameraKeyId(frame);
    key.frame = frame;
    key.settings.fov = fov;
    return key;
  }
  static vk::LightKeyframe lkey(std::int32_t frame, double intensity = 2.0) {
    vk::LightKeyframe key;
    key.id = vk::lightKeyId(frame);
    key.frame = frame;
    key.settings.intensity = intensity;
    return key;
  }

  // Everything a refused command must leave alone.
  struct Stacks {
    std::size_t undo = 0, redo = 0;
    std::uint64_t version = 0;
    bool dirty = false;
  };
  static Stacks stacks() {
    const vk::AppState& app = vk::appState();
    return {app.undoStack.size(), app.redoStack.size(), app.undoStacksVersion, app.dirty};
  }
  static void expectUnchanged(const Stacks& before) {
    const Stacks now = stacks();
    EXPECT_EQ(now.undo, before.undo);
    EXPECT_EQ(now.redo, before.redo);
    EXPECT_EQ(now.version, before.version);
    EXPECT_EQ(now.dirty, before.dirty);
  }
  static const std::wstring& status() { return vk::appState().statusText; }

  std::filesystem::path folder_;
};

}  // namespace vktest
