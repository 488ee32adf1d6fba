// The still render: output size clamps, file names, the camera pass and its
// restore, opaque PNGs, failures that keep the previous file, and the
// render settings commands.
#include <filesystem>
#include <fstream>

#include "model/text_utils.h"
#include "platform/headless.h"
#include "platform/kernel.h"
#include "viewport_test_support.h"
#include "test_temp_folder.h"

namespace {

using vk::appState;
using vk::ObjectKind;
using vk::RenderSourceOverride;
using vk::StillFormat;
using vktest::addSceneObject;

class Still : public ::testing::Test {
 protected:
  void SetUp() override {
    vk::headless::start(1280, 800, VK_TEST_FONT);
    vktest::resetEmptyScene();
    // Message boxes and the save dialog answer from here.
    vk::headless::setResponder([this](const vk::headless::ModalRequest& request, vk::headless::ModalAnswer& answer) {
      requests.push_back(request);
      if (request.kind == L"savefile") {
        answer.result = savePath.empty() ? FALSE : TRUE;
        answer.text = savePath;
      } else {
        answer.result = IDOK;
      }
      return true;
    });
    folder = vk::test::uniqueTempFolder("vk_viewport_still");
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
  }
  void TearDown() override {
    vk::headless::stop();
    std::filesystem::remove_all(folder);
  }
  std::wstring pathOf(const char* name) const { return vk::utf8ToWide((folder / name).string()); }
  static vk::Object& addCamera() {
    vk::Object& camera = addSceneObject(ObjectKind::Camera, L"Cam");
    camera.transform.position = {0, 1, -6};
    camera.transform.rotation = {};
    camera.camera = vk::CameraSettings{};
    appState().project.scene.activeCameraId = camera.id;
    return camera;
  }
  std::filesystem::path folder;
  std::vector<vk::headless::ModalRequest> requests;
  std::wstring savePath;  // empty: the save dialog is cancelled
};

TEST_F(Still, OutputSizeIsClamped) {
  std::wstring message;
  HBITMAP bitmap = vk::renderStillImage(5000, 30, false, false, message);
  ASSERT_NE(bitmap, nullptr);
  BITMAP info{};
  ASSERT_NE(GetObjectW(bitmap, sizeof info, &info), 0);
  EXPECT_EQ(info.bmWidth, 4096);
  EXPECT_EQ(info.bmHeight, 64);
  DeleteObject(bitmap);
}

TEST_F(Still, DefaultNameFollowsTheStoredSource) {
  appState().project.scene.renderSettings.source = L"ActiveCamera";
  EXPECT_EQ(vk::defaultStillFileName(StillFormat::Png), L"veltrask_phase50_camera_still.png");
  appState().project.scene.renderSettings.source = L"Camera";
  EXPECT_FALSE(vk::openStillRenderDialog(StillFormat::Jpeg).chosen);  // cancelled
  EXPECT_EQ(requests.back().text, L"veltrask_phase50_camera_still.jpg");
  appState().project.scene.renderSettings.source = L"Viewport";
  EXPECT_EQ(vk::defaultStillFileName(StillFormat::Jpeg), L"veltrask_phase50_viewport_still.jpg");
}

TEST_F(Still, CameraPassRestoresAspectAndCameraView) {
  vk::Object& camera = addCamera();
  const std::wstring id = camera.id;
  appState().cameraView = false;
  std::wstring message;
  HBITMAP bitmap = vk::renderStillImage(1000, 1000, true, true, message);
  ASSERT_NE(bitmap, nullptr);
  DeleteObject(bitmap);
  EXPECT_DOUBLE_EQ(vk::findObjectById(id)->camera.aspect, 16.0 / 9.0);
  EXPECT_FALSE(appState().cameraView);
}

TEST_F(Still, WrittenPngIsOpaqueAndShowsTheCameraBands) {
  addCamera();
  appState().project.scene.renderSettings.outputWidth = 400;
  appState().project.scene.renderSettings.outputHeight = 100;
  appState().project.scene.renderSettings.cropCameraFrame = false;
  const std::wstring path = pathOf("still.png");
  ASSERT_TRUE(vk::exportRenderToPath(StillFormat::Png, RenderSourceOverride::Camera, path));
  EXPECT_EQ(appState().statusText, L"●  Render exported PNG 400x100 from active camera");
  EXPECT_EQ(appState().lastOutputPath, path);
  vk::ImageArgb image;
  ASSERT_TRUE(vk::decodeImageFile(path, image));
  ASSERT_EQ(image.width, 400);
  ASSERT_EQ(image.height, 100);
  for (std::uint32_t pixel : image.pixels) ASSERT_EQ(pixel >> 24, 0xFFu);
  // Without crop the 16:9 frame leaves darkened bands at the sides.
  EXPECT_EQ(image.pixels[50 * 400 + 3] & 0xFFFFFF, 0x090C11u);

  ASSERT_TRUE(vk::exportRenderToPath(StillFormat::Jpeg, RenderSourceOverride::Viewport, pathOf("still.jpg")));
  EXPECT_EQ(appState().renderStatus, L"Render exported JPEG 400x100 from viewport");
  ASSERT_TRUE(vk::decodeImageFile(pathOf("still.jpg"), image));
  EXPECT_EQ(image.width, 400);
}

TEST_F(Still, FailuresReportTwiceAndKeepThePreviousFile) {
  const std::wstring path = pathOf("keep.png");
  { std::ofstream(folder / "keep.png") << "previous"; }
  EXPECT_FALSE(vk::exportRenderToPath(StillFormat::Png, RenderSourceOverride::Camera, path));
  const std::wstring reason =
      L"No active camera is available. Add or select a camera, then use Ctrl+0 to set it active.";
  EXPECT_EQ(appState().statusText, L"●  Render failed: " + reason);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].kind, L"messagebox");
  EXPECT_EQ(requests[0].title, L"Render Export Failed");
  EXPECT_EQ(requests[0].text, reason);
  EXPECT_EQ(requests[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
  std::ifstream in(folder / "keep.png");
  std::string content;
  in >> content;
  EXPECT_EQ(content, "previous");

  EXPECT_FALSE(vk::exportRenderToPath(StillFormat::Png, RenderSourceOverride::Viewport, pathOf("missing/x.png")));
  // The box keeps its sentence and says why the encoder failed in a second
  // paragraph; the status line repeats the sentence alone.
  const std::wstring box = requests.back().text;
  EXPECT_TRUE(box.starts_with(L"GDI+ failed to write the image file.\n\n")) << vk::wideToUtf8(box);
  EXPECT_GT(box.size(), std::wstring(L"GDI+ failed to write the image file.\n\n").size());
  EXPECT_EQ(appState().statusText, L"●  Render failed: GDI+ failed to write the image file.");
  std::wstring message;
  EXPECT_FALSE(vk::saveBitmapAsImage(nullptr, path, StillFormat::Png, message));
  EXPECT_EQ(message, L"Render export did not receive a valid bitmap or path.");
  EXPECT_EQ(vk::getEncoderClsid(L"image/gif"), -1);
  EXPECT_EQ(vk::getEncoderClsid(nullptr), -1);
}

TEST_F(Still, ExportAsksForTheFileFirst) {
  appState().project.scene.renderSettings.outputWidth = 200;
  appState().project.scene.renderSettings.outputHeight = 100;
  vk::exportRender(StillFormat::Jpeg, RenderSourceOverride::Viewport);  // cancelled: nothing happens
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].kind, L"savefile");
  EXPECT_EQ(requests[0].text, L"veltrask_phase50_camera_still.jpg");
  ASSERT_FALSE(requests[0].items.empty());
  EXPECT_EQ(requests[0].items[0], L"JPEG Image (*.jpg;*.jpeg)");
  EXPECT_EQ(appState().renderStatus, L"Render: ready");

  savePath = pathOf("chosen.png");
  vk::exportRender(StillFormat::Png, RenderSourceOverride::None);  // source Camera, but no camera
  EXPECT_EQ(requests.back().title, L"Render Export Failed");
  vk::exportRender(StillFormat::Png, RenderSourceOverride::Viewport);
  EXPECT_EQ(appState().statusText, L"●  Render exported PNG 200x100 from viewport");
  EXPECT_TRUE(std::filesystem::exists(folder / "chosen.png"));
}

TEST_F(Still, SettingsCommandsAndDialogText) {
  vk::setRenderOutputSize(1920, 1080, L"1920 x 1080");
  EXPECT_EQ(appState().statusText, L"●  Render output size: 1920 x 1080");
  EXPECT_TRUE(appState().dirty);
  vk::setRenderOutputSize(0, 0, L"current viewport");  // no viewport window: the 64 floor
  EXPECT_EQ(appState().project.scene.renderSettings.outputWidth, 64);
  EXPECT_EQ(appState().renderStatus, L"Render output size: current viewport");
  vk::setRenderOutputSize(300, 200, L"");
  EXPECT_EQ(appState().renderStatus, L"Render output size: 300 x 200");

  vk::setRenderSource(L"Active Camera");  // anything but "Viewport" is the camera
  EXPECT_EQ(appState().renderStatus, L"Render source already set to Active Camera");
  vk::setRenderSource(L"Viewport");
  EXPECT_EQ(appState().project.scene.renderSettings.source, L"Viewport");
  EXPECT_EQ(appState().renderStatus, L"Render source: Viewport");
  vk::setRenderSource(L"Active Camera");
  EXPECT_EQ(appState().project.scene.renderSettings.source, L"Camera");
  vk::toggleRenderCameraCrop();
  EXPECT_EQ(appState().statusText, L"●  Camera-frame crop disabled");

  EXPECT_EQ(vk::renderSettingsDialogText(),
            L"Still Render Export v1\n\nSource: Active Camera\nOutput: 300 x 200\nCamera-frame crop: Off\n"
            L"Last status: Camera-frame crop disabled\n\nThis is a safe GDI viewport/camera still export layer. "
            L"It writes PNG/JPEG proof images from the current Phase 50 viewport pipeline; it is not yet a "
            L"production offline renderer.");
}

}  // namespace
