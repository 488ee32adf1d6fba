#include "model/app_state.h"

namespace vk {

AppState& appState() {
  static AppState state;
  return state;
}

void clearAllComponentSelections() {
  AppState& app = appState();
  app.selectedVertices.clear();
  app.selectedEdges.clear();
  app.selectedFaces.clear();
  app.selectedCurvePoints.clear();
  app.curveDragStartPoints.clear();
  app.componentDragVertices.clear();
  app.componentDragStartPositions.clear();
}

std::wstring componentModeName(ComponentMode mode) {
  switch (mode) {
    case ComponentMode::Edge:
      return L"Edge";
    case ComponentMode::Face:
      return L"Face";
    default:
      return L"Vertex";
  }
}

}  // namespace vk
