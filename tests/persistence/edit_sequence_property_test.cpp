// Random sequences of Edit Mesh operations over random selections: whatever
// the user picks (adjacent faces, edges sharing a vertex, loops touching
// themselves), every face the edits leave has distinct corners, and the mesh
// comes back from save -> open exactly as it was edited.
//
// VK_EDIT_SEQUENCES sets the number of sequences (a larger count locally);
// the seed is fixed, so a failure names a sequence that replays.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "model/app_state.h"
#include "model/edit_mesh.h"
#include "model/hierarchy.h"
#include "model/mesh_data.h"
#include "model/objects.h"
#include "model/sanitize.h"
#include "model/undo.h"
#include "persistence/persistence.h"

namespace vk {
namespace {

struct Operation {
  const char* name;
  void (*run)();
};

const Operation kOperations[] = {
    {"extrude", meshExtrude},     {"inset", meshInsetFaces},   {"bevel", meshBevel},
    {"delete", meshDeleteSelected}, {"merge", meshMergeSelected}, {"flip", meshFlipNormals},
    {"recalculate", meshRecalcNormals}, {"bridge", meshBridgeEdges}, {"fill", meshFillFace},
    {"loopcut", meshLoopCut},
};

const wchar_t* const kPrimitives[] = {L"Cube", L"Plane", L"Sphere", L"Cylinder", L"Cone", L"Torus"};

int sequenceCount() {
  if (const char* text = std::getenv("VK_EDIT_SEQUENCES")) {
    const int count = std::atoi(text);
    if (count > 0) return count;
  }
  return 1000;
}

// Picks `count` random indices below `size`, or a neighbourhood: one random
// element and the ones that share a vertex with it, so selections often touch.
std::vector<std::int32_t> randomPick(std::mt19937& random, std::size_t size, std::size_t count) {
  std::vector<std::int32_t> picked;
  if (size == 0) return picked;
  std::uniform_int_distribution<std::size_t> any(0, size - 1);
  for (std::size_t i = 0; i < count; ++i) picked.push_back(static_cast<std::int32_t>(any(random)));
  return picked;
}

std::vector<std::int32_t> facesAround(const MeshData& mesh, std::int32_t vertex) {
  std::vector<std::int32_t> faces;
  const std::vector<MeshFace>& list = mesh.faces.read();
  for (std::size_t f = 0; f < list.size(); ++f) {
    for (std::int32_t index : list[f].indices) {
      if (index == vertex) {
        faces.push_back(static_cast<std::int32_t>(f));
        break;
      }
    }
  }
  return faces;
}

std::vector<std::int32_t> edgesAround(const MeshData& mesh, std::int32_t vertex) {
  std::vector<std::int32_t> edges;
  const std::vector<MeshEdge>& list = mesh.edges.read();
  for (std::size_t e = 0; e < list.size(); ++e) {
    if (static_cast<std::int32_t>(list[e].first) == vertex || static_cast<std::int32_t>(list[e].second) == vertex)
      edges.push_back(static_cast<std::int32_t>(e));
  }
  return edges;
}

void selectRandomly(std::mt19937& random, const MeshData& mesh, AppState& app) {
  app.selectedVertices.clear();
  app.selectedEdges.clear();
  app.selectedFaces.clear();
  const int mode = std::uniform_int_distribution<int>(0, 2)(random);
  app.componentMode = static_cast<ComponentMode>(mode);
  const bool around = std::bernoulli_distribution(0.5)(random) && !mesh.vertices.empty();
  const std::int32_t centre =
      mesh.vertices.empty()
          ? 0
          : static_cast<std::int32_t>(std::uniform_int_distribution<std::size_t>(0, mesh.vertices.size() - 1)(random));
  const std::size_t count = std::uniform_int_distribution<std::size_t>(1, 6)(random);
  switch (mode) {
    case 0:
      app.selectedVertices = randomPick(random, mesh.vertices.size(), count);
      break;
    case 1:
      app.selectedEdges = around ? edgesAround(mesh, centre) : randomPick(random, mesh.edges.size(), count);
      break;
    default:
      app.selectedFaces = around ? facesAround(mesh, centre) : randomPick(random, mesh.faces.size(), count);
      break;
  }
}

// Authored UVs on some faces and three material slots used across the faces,
// so the UV lists and face materials ride along through every edit.
void decorate(std::mt19937& random, Object& object) {
  std::vector<MeshFace>& faces = object.meshData.faces.write();
  std::vector<Vec2> uvs;
  for (MeshFace& face : faces) {
    face.materialIndex = std::uniform_int_distribution<std::int32_t>(0, 2)(random);
    if (!std::bernoulli_distribution(0.5)(random)) continue;
    face.uvIndices.clear();
    for (std::size_t k = 0; k < face.indices.size(); ++k) {
      face.uvIndices.push_back(static_cast<std::int32_t>(uvs.size()));
      uvs.push_back({static_cast<double>(k) * 0.25, static_cast<double>(uvs.size() % 7) * 0.125});
    }
  }
  object.meshData.uvs = std::move(uvs);
  object.materialSlots.slots.assign(3, Material{});
  for (int i = 0; i < 3; ++i) object.materialSlots.slots[i].name = L"Slot " + std::to_wstring(i);
  rebuildMeshData(object);
}

std::string describeFace(const MeshFace& face) {
  std::ostringstream text;
  for (std::int32_t index : face.indices) text << index << ' ';
  return text.str();
}

bool cornersDistinct(const MeshFace& face) {
  std::set<std::int32_t> seen(face.indices.begin(), face.indices.end());
  return seen.size() == face.indices.size() && face.indices.size() >= 3;
}

TEST(EditSequenceProperty, FacesStayLoadableAndSurviveSaveOpen) {
  std::mt19937 random(20261207);
  const int sequences = sequenceCount();
  int operationsRun = 0;
  for (int sequence = 0; sequence < sequences; ++sequence) {
    appState() = AppState{};
    resetToNewProject();
    const wchar_t* primitive = kPrimitives[sequence % std::size(kPrimitives)];
    addObject(ObjectKind::Mesh, primitive);
    const std::wstring id = appState().selectedObjectId;
    decorate(random, *findObjectById(id));
    setWorkMode(WorkMode::EditMesh);
    ASSERT_EQ(appState().workMode, WorkMode::EditMesh);

    std::string trail = "sequence " + std::to_string(sequence) + ":";
    const int steps = std::uniform_int_distribution<int>(1, 8)(random);
    for (int step = 0; step < steps; ++step) {
      Object& object = *findObjectById(id);
      selectRandomly(random, object.meshData, appState());
      const Operation& operation = kOperations[std::uniform_int_distribution<std::size_t>(0, std::size(kOperations) - 1)(random)];
      trail += std::string(" ") + operation.name;
      operation.run();
      ++operationsRun;
      const MeshData& mesh = findObjectById(id)->meshData;
      for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        ASSERT_TRUE(cornersDistinct(mesh.faces[f])) << trail << ": face " << f << " = " << describeFace(mesh.faces[f]);
      }
    }

    const Object edited = *findObjectById(id);
    Object guarded = edited;
    ASSERT_TRUE(sanitizeImportedMeshData(guarded)) << trail;
    ASSERT_EQ(guarded.meshData.faces.read(), edited.meshData.faces.read()) << trail;

    const ProjectLoadResult loaded = deserializeProject(serializeProject(appState().project));
    ASSERT_TRUE(loaded.usable) << trail;
    const Object* back = findObjectById(loaded.project.scene, id);
    ASSERT_NE(back, nullptr) << trail;
    ASSERT_EQ(back->meshData.vertices.read(), edited.meshData.vertices.read()) << trail;
    ASSERT_EQ(back->meshData.faces.read(), edited.meshData.faces.read()) << trail;
    ASSERT_EQ(back->meshData.uvs.read(), edited.meshData.uvs.read()) << trail;
    ASSERT_EQ(back->materialSlots.slots.size(), edited.materialSlots.slots.size()) << trail;
  }
  RecordProperty("operations", operationsRun);
  appState() = AppState{};
}

}  // namespace
}  // namespace vk
