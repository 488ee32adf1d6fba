// The names of the work modes, shown to the user and stored in project files.
#include "model/app_state.h"
#include "model/types.h"

namespace vk {

const wchar_t* axisName(AxisConstraint axis) {
  switch (axis) {
    case AxisConstraint::X: return L"X";
    case AxisConstraint::Y: return L"Y";
    case AxisConstraint::Z: return L"Z";
    default: return L"Free";
  }
}

const wchar_t* transformToolName(TransformTool tool) {
  switch (tool) {
    case TransformTool::Move: return L"Move";
    case TransformTool::Rotate: return L"Rotate";
    case TransformTool::Scale: return L"Scale";
    default: return L"Select";
  }
}

const wchar_t* navigationModeName(NavigationMode mode) {
  switch (mode) {
    case NavigationMode::Pan: return L"Pan";
    case NavigationMode::Dolly: return L"Dolly";
    case NavigationMode::CameraAim: return L"Camera Aim";
    default: return L"Orbit";
  }
}

const wchar_t* viewportShadingKey(ViewportShadingMode mode) {
  switch (mode) {
    case ViewportShadingMode::Wireframe: return L"Wireframe";
    case ViewportShadingMode::Solid: return L"Solid";
    case ViewportShadingMode::MaterialPreview: return L"MaterialPreview";
    default: return L"Lit";
  }
}

const wchar_t* viewportShadingLabel(ViewportShadingMode mode) {
  return mode == ViewportShadingMode::MaterialPreview ? L"Material Preview" : viewportShadingKey(mode);
}

ViewportShadingMode viewportShadingFromString(const std::wstring& text) {
  if (text == L"Wireframe") return ViewportShadingMode::Wireframe;
  if (text == L"Solid") return ViewportShadingMode::Solid;
  if (text == L"MaterialPreview" || text == L"Material Preview") return ViewportShadingMode::MaterialPreview;
  return ViewportShadingMode::Lit;
}

}  // namespace vk
