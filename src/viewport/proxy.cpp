// Meshes past the full path's limits: the proxy drawn in their place (a
// sample of faces with their boundary and fold edges, or only the bounds box
// when dense), its caches by view and by topology, the notice beside it, the
// triangle counts shown and the pruning of the viewport's per-object caches.
#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "model/hierarchy.h"
#include "model/math.h"
#include "model/mesh_data.h"
#include "model/text_utils.h"
#include "platform/palette.h"
#include "shading/materials.h"
#include "viewport/frame_draw_list.h"
#include "viewport/mesh_face_steps.h"
#include "viewport/view_clipping.h"
#include "viewport/view_context.h"
#include "viewport/viewport_caches.h"
#include "viewport/viewport_internal.h"

namespace vk {

namespace {

// Edges a proxy draws at most, at rest and while the view moves.
constexpr std::int64_t kProxyEdgeLimit = 2200;
constexpr std::int64_t kProxyNavigatingEdgeLimit = 700;

std::wstring num(double value) { return fixedDecimals(value, 4); }

std::wstring vecText(const Vec3& v) { return num(v.x) + L"," + num(v.y) + L"," + num(v.z); }

std::int64_t ceilDiv(std::int64_t a, std::int64_t b) { return (a + b - 1) / b; }

}  // namespace

bool viewportNavigating() {
  const AppState& app = appState();
  return app.orbitDrag || app.panDrag || app.dollyDrag || app.aimDrag || app.leftDrag;
}

std::wstring proxyViewportKey(const Object& object, const RECT& clientRect, bool navigating) {
  const AppState& app = appState();
  const MeshData& mesh = object.meshData;
  std::wstring key = object.id + L"|vp|" + std::to_wstring(clientRect.right - clientRect.left) + L"x" +
                     std::to_wstring(clientRect.bottom - clientRect.top) + L"|" + num(app.viewYaw) + L"|" +
                     num(app.viewPitch) + L"|" + num(app.viewZoom) + L"|" + num(app.viewPanX) + L"|" +
                     num(app.viewPanY) + L"|" + vecText(app.viewPivot) + L"|" + (app.orthographic ? L"1" : L"0") +
                     L"|" + (app.cameraView ? L"1" : L"0") + L"|" + vecText(object.transform.position) + L"|" +
                     vecText(object.transform.rotation) + L"|" + vecText(object.transform.scale) + L"|" +
                     std::to_wstring(mesh.vertices.read().size()) + L"|" + std::to_wstring(mesh.faces.read().size()) +
                     L"|" + std::to_wstring(mesh.edges.read().size()) + L"|live" + (navigating ? L"1" : L"0");
  // Counts alone miss vertex moves, flips and undo; the revision does not.
  key += L"|rev" + std::to_wstring(app.documentRevision);
  // Through the active camera the picture also depends on that camera.
  const Object* camera = activeCameraObject();
  if (app.cameraView && camera) {
    key += L"|cam|" + camera->id + L"|" + vecText(camera->transform.position) + L"|" +
           vecText(camera->transform.rotation) + L"|" + num(camera->camera.fov) + L"|" +
           num(camera->camera.nearClip) + L"|" + num(camera->camera.aspect);
  }
  return key;
}

std::pair<Vec3, Vec3> proxySourceBounds(const MeshData& mesh) {
  if (mesh.boundsValid) return {mesh.boundsMin, mesh.boundsMax};
  const auto& vertices = mesh.vertices.read();
  if (vertices.empty()) return {Vec3{}, Vec3{}};
  Vec3 lo = vertices.front(), hi = vertices.front();
  for (const Vec3& v : vertices) {
    lo = vec3Min(lo, v);
    hi = vec3Max(hi, v);
  }
  return {lo, hi};
}

std::wstring proxyTopologyKey(const Object& object) {
  const MeshData& mesh = object.meshData;
  const auto bounds = proxySourceBounds(mesh);
  std::wstring key = object.id + L"|topo|" + std::to_wstring(mesh.vertices.read().size()) + L"|" +
                     std::to_wstring(mesh.faces.read().size()) + L"|" + std::to_wstring(mesh.edges.read().size()) +
                     L"|" + vecText(bounds.first) + L"|" + vecText(bounds.second);
  const auto& faces = mesh.faces.read();
  auto faceText = [](const MeshFace& face) {
    std::wstring text = std::to_wstring(face.indices.size());
    for (std::int32_t index : face.indices) text += L"," + std::to_wstring(index);
    return text;
  };
  if (!faces.empty()) key += L"|f0" + faceText(faces.front()) + L"|fn" + faceText(faces.back());
  key += L"|rev" + std::to_wstring(appState().documentRevision);
  return key;
}

std::vector<std::int64_t> buildProxyEdgeIndices(const MeshData& mesh) {
  std::vector<std::int64_t> edgeIndices;
  const auto& faces = mesh.faces.read();
  const auto& edges = mesh.edges.read();
  const auto vertexCount = static_cast<std::int64_t>(mesh.vertices.read().size());
  // Every face side as (lower end, upper end, face), bucketed by its lower
  // end in face order; each bucket then sees its pairs' first two faces and
  // the stored edges starting there. Linear, no hashing.
  std::vector<Vec3> normals(faces.size());
  std::vector<std::uint32_t> sideStart(static_cast<std::size_t>(vertexCount) + 1, 0);
  auto forEachSide = [&](auto&& visit) {
    for (std::size_t f = 0; f < faces.size(); ++f) {
      const auto& ix = faces[f].indices;
      const std::size_t n = ix.size();
      if (n < 3) continue;
      for (std::size_t k = 0; k < n; ++k) {
        const std::int64_t a = ix[k], b = ix[(k + 1) % n];
        if (a < 0 || b < 0 || a >= vertexCount || b >= vertexCount) continue;
        visit(static_cast<std::size_t>(std::min(a, b)), static_cast<std::uint32_t>(std::max(a, b)),
              static_cast<std::uint32_t>(f));
      }
    }
  };
  for (std::size_t f = 0; f < faces.size(); ++f) {
    if (faces[f].indices.size() >= 3) normals[f] = faceNormal(mesh, faces[f]);
  }
  forEachSide([&](std::size_t lo, std::uint32_t, std::uint32_t) { ++sideStart[lo + 1]; });
  for (std::size_t v = 1; v < sideStart.size(); ++v) sideStart[v] += sideStart[v - 1];
  std::vector<std::pair<std::uint32_t, std::uint32_t>> sides(sideStart.back());  // (upper end, face)
  {
    std::vector<std::uint32_t> fill(sideStart.begin(), sideStart.end() - 1);
    forEachSide([&](std::size_t lo, std::uint32_t hi, std::uint32_t f) { sides[fill[lo]++] = {hi, f}; });
  }
  std::vector<std::uint32_t> edgeStart(sideStart.size(), 0);
  for (const MeshEdge& e : edges) {
    if (e.first < vertexCount && e.second < vertexCount) ++edgeStart[std::min(e.first, e.second) + 1];
  }
  for (std::size_t v = 1; v < edgeStart.size(); ++v) edgeStart[v] += edgeStart[v - 1];
  std::vector<std::uint32_t> edgeOrder(edgeStart.back());
  {
    std::vector<std::uint32_t> fill(edgeStart.begin(), edgeStart.end() - 1);
    for (std::size_t e = 0; e < edges.size(); ++e) {
      const MeshEdge& edge = edges[e];
      if (edge.first < vertexCount && edge.second < vertexCount) {
        edgeOrder[fill[std::min(edge.first, edge.second)]++] = static_cast<std::uint32_t>(e);
      }
    }
  }
  struct PairSides {
    std::int32_t count = 0;
    std::uint32_t first = 0, second = 0;
  };
  std::vector<PairSides> groups;
  std::vector<std::uint32_t> stamp(static_cast<std::size_t>(vertexCount), UINT32_MAX);
  std::vector<std::uint32_t> groupOf(static_cast<std::size_t>(vertexCount), 0);
  std::vector<std::uint8_t> feature(edges.size(), 0);
  for (std::size_t lo = 0; lo + 1 < sideStart.size(); ++lo) {
    groups.clear();
    for (std::uint32_t i = sideStart[lo]; i < sideStart[lo + 1]; ++i) {
      const auto [hi, f] = sides[i];
      if (stamp[hi] != lo) {
        stamp[hi] = static_cast<std::uint32_t>(lo);
        groupOf[hi] = static_cast<std::uint32_t>(groups.size());
        groups.push_back({1, f, 0});
        continue;
      }
      PairSides& g = groups[groupOf[hi]];
      if (++g.count == 2) g.second = f;
    }
    for (std::uint32_t i = edgeStart[lo]; i < edgeStart[lo + 1]; ++i) {
      const MeshEdge& edge = edges[edgeOrder[i]];
      const std::uint32_t hi = static_cast<std::uint32_t>(std::max(edge.first, edge.second));
      if (stamp[hi] != lo) {
        feature[edgeOrder[i]] = 1;
        continue;
      }
      const PairSides& g = groups[groupOf[hi]];
      feature[edgeOrder[i]] = g.count < 2 || vec3Dot(normals[g.first], normals[g.second]) < 0.72;
    }
  }
  for (std::size_t e = 0; e < edges.size(); ++e) {
    if (feature[e]) edgeIndices.push_back(static_cast<std::int64_t>(e));
  }
  if (edgeIndices.empty() && !edges.empty()) {
    const auto count = static_cast<std::int64_t>(edges.size());
    const std::int64_t k = strideFor(count, kProxyEdgeLimit);
    for (std::int64_t e = 0; e < count; e += k) edgeIndices.push_back(e);
  }
  return edgeIndices;
}

ProxyEdgeSet& proxyPreviewMeshBuild(const Object& object) {
  ProxyEdgeSet& entry = viewportCaches().edgeSets[object.id];
  entry.frame = viewportCaches().frameNumber;
  const std::wstring key = proxyTopologyKey(object);
  if (!key.empty() && entry.topologyKey == key) return entry;
  entry.topologyKey = key;
  entry.edgeIndices = buildProxyEdgeIndices(object.meshData);
  return entry;
}

const std::vector<std::int64_t>& sharedProxyEdges(PreviewDrawShare& share, const MeshData& mesh) {
  // The edge set reads the vertices, faces and edges.
  for (const auto& [key, edges] : share.proxyEdges) {
    if (key.vertices.sharesWith(mesh.vertices) && key.faces.sharesWith(mesh.faces) &&
        key.edges.sharesWith(mesh.edges)) {
      return *edges;
    }
  }
  MeshData key;
  key.vertices = mesh.vertices;
  key.faces = mesh.faces;
  key.edges = mesh.edges;
  share.proxyEdges.emplace_back(std::move(key),
                                std::make_shared<const std::vector<std::int64_t>>(buildProxyEdgeIndices(mesh)));
  return *share.proxyEdges.back().second;
}

namespace {

constexpr std::int64_t kProxyFaceLimit = 1400;
constexpr std::int64_t kProxyNavigatingFaceLimit = 420;

// Past these the proxy is the bounds box alone, filling no face.
bool proxyShowsBoundsOnly(const Object& object) {
  const MeshData& mesh = object.meshData;
  return mesh.faces.read().size() > 70000 || mesh.vertices.read().size() > 70000 ||
         (object.objectCapsuleId == L"phase65-gltf-import" &&
          object.objectCapsuleNote.find(L"proxy-only viewport preview") != std::wstring::npos);
}

}  // namespace

std::size_t proxyPaintUnits(const Object& object) {
  if (proxyShowsBoundsOnly(object)) return 12;  // the box's lines
  const MeshData& mesh = object.meshData;
  const auto faceCount = static_cast<std::int64_t>(mesh.faces.size());
  // At rest: the sample while navigating is smaller.
  return mesh.vertices.size() + cornersAt(mesh, strideFor(faceCount, kProxyFaceLimit)) +
         std::min<std::size_t>(mesh.edges.size(), kProxyEdgeLimit);
}

namespace {

std::shared_ptr<PreviewProxy> cachedProxyPreview(const Object& object, const RECT& clientRect,
                                                 PreviewDrawShare* share) {
  const bool navigating = viewportNavigating();
  const std::wstring key = proxyViewportKey(object, clientRect, navigating);
  std::shared_ptr<PreviewProxy>& entry = viewportCaches().previews[object.id];
  if (entry && !key.empty() && entry->cacheKey == key) {
    entry->frame = viewportCaches().frameNumber;
    keepFaceCuts(object.meshData);  // for the next view
    return entry;
  }

  // A fresh entry: a frame may still hold the previous one.
  entry = std::make_shared<PreviewProxy>();
  PreviewProxy& proxy = *entry;
  proxy.frame = viewportCaches().frameNumber;
  proxy.cacheKey = key;
  const MeshData& mesh = object.meshData;
  proxy.faceCount = static_cast<std::int64_t>(mesh.faces.read().size());
  proxy.navigating = navigating;
  proxy.faceBudget = navigating ? kProxyNavigatingFaceLimit : kProxyFaceLimit;
  proxy.edgeBudget = navigating ? kProxyNavigatingEdgeLimit : kProxyEdgeLimit;
  proxy.faceStride = strideFor(proxy.faceCount, proxy.faceBudget);
  const auto vertexCount = static_cast<std::int64_t>(mesh.vertices.read().size());
  proxy.denseProtected = proxyShowsBoundsOnly(object);
  if (proxy.denseProtected) return entry;

  proxy.edgeIndices = share ? sharedProxyEdges(*share, mesh) : proxyPreviewMeshBuild(object).edgeIndices;
  const auto edgeCount = static_cast<std::int64_t>(proxy.edgeIndices.size());
  const std::int64_t quotient = ceilDiv(edgeCount, proxy.edgeBudget);
  proxy.edgeStride = edgeCount > proxy.edgeBudget && quotient >= 2 ? quotient : 1;
  const ViewContext view = currentViewContext(clientRect);
  std::vector<POINT> subPixels;
  if (proxy.faceStride > 1 || proxy.edgeStride > 1) {
    // Only the sampled faces and edges are drawn: project just their corners.
    const auto& faces = mesh.faces.read();
    const auto& edges = mesh.edges.read();
    std::vector<std::uint8_t> needed(static_cast<std::size_t>(vertexCount), 0);
    auto need = [&](std::int64_t v) {
      if (v >= 0 && v < vertexCount) needed[static_cast<std::size_t>(v)] = 1;
    };
    for (std::size_t f = 0; f < faces.size(); f += static_cast<std::size_t>(proxy.faceStride)) {
      for (std::int32_t index : faces[f].indices) need(index);
    }
    for (std::size_t i = 0; i < proxy.edgeIndices.size(); i += static_cast<std::size_t>(proxy.edgeStride)) {
      const std::int64_t e = proxy.edgeIndices[i];
      if (e < 0 || static_cast<std::size_t>(e) >= edges.size()) continue;
      need(edges[static_cast<std::size_t>(e)].first);
      need(edges[static_cast<std::size_t>(e)].second);
    }
    projectMeshVertices(object, view, proxy.screenPoints, proxy.vertexDepths, &needed, &subPixels);
  } else {
    projectMeshVertices(object, view, proxy.screenPoints, proxy.vertexDepths, nullptr, &subPixels);
  }
  proxy.faces = buildProjectedFaces(object, view, subPixels, proxy.vertexDepths, proxy.faceStride, clientRect);
  return entry;
}

// The listed edges, the bright core of a forced selected mesh and the notice.
void drawProxyEdges(HDC dc, const RECT& clientRect, const Object& object, bool selected, const PreviewProxy& proxy,
                    const MeshEdgeStyle& style) {
  const auto& edges = object.meshData.edges.read();
  const std::size_t pointCount = proxy.screenPoints.size();
  const ViewContext view = currentViewContext(clientRect);
  auto nearAt = [&](std::size_t v) {
    return v < proxy.vertexDepths.size() ? depthNearness(view, proxy.vertexDepths[v]) : INFINITY;
  };
  MeshEdgeLines lines(view, object, LineDepth::Tested);
  auto drawListedEdges = [&](std::int64_t step) {
    for (std::size_t i = 0; i < proxy.edgeIndices.size(); i += static_cast<std::size_t>(step)) {
      const std::int64_t e = proxy.edgeIndices[i];
      if (e < 0 || static_cast<std::size_t>(e) >= edges.size()) continue;
      const MeshEdge& edge = edges[static_cast<std::size_t>(e)];
      if (edge.first >= pointCount || edge.second >= pointCount) continue;
      lines.draw(dc, edge.first, edge.second, proxy.screenPoints[edge.first], proxy.screenPoints[edge.second],
                 nearAt(edge.first), nearAt(edge.second));
    }
  };
  {
    ScopedPenBrush scope(dc, solidPen(style.force && selected ? 2 : 1, style.edge), nullptr);
    drawListedEdges(proxy.edgeStride);
  }
  if (selected && style.force) {
    ScopedPenBrush scope(dc, solidPen(1, kMeshSelectedEdgeOverlay), nullptr);
    drawListedEdges(std::max<std::int64_t>(proxy.edgeStride, 2));
  }
  drawOversizedMeshNotice(dc, clientRect, object, &proxy, selected);
}

}  // namespace

PreviewProxy& proxyPreviewForObject(const Object& object, const RECT& clientRect, PreviewDrawShare* share) {
  return *cachedProxyPreview(object, clientRect, share);
}

void queueOversizedMeshProxy(FrameDrawList& list, const RECT& clientRect, const Object& object, bool selected,
                             PreviewDrawShare* share) {
  // Held by the steps: a later element of a preview list may rebuild the entry.
  std::shared_ptr<const PreviewProxy> proxy = cachedProxyPreview(object, clientRect, share);
  if (proxy->denseProtected) {
    list.steps.push_back([clientRect, &object, selected, proxy](HDC dc) {
      drawImportedBoundsProxy(dc, clientRect, object, selected);
      drawOversizedMeshNotice(dc, clientRect, object, proxy.get(), true);
    });
    return;
  }
  const MeshEdgeStyle style = meshEdgeStyle(object, selected, list.frame.shading);
  queueFaceFills(list.fills, list.frame, currentViewContext(clientRect), object, proxy->faces, selected,
                 style.outline);
  list.clientRect = clientRect;
  list.steps.push_back([clientRect, &object, selected, proxy, style](HDC dc) {
    drawProxyEdges(dc, clientRect, object, selected, *proxy, style);
  });
}

// The twelve lines of the mesh's bounds box as placed (the cube glyph
// without vertices).
void drawPaintBox(HDC dc, const RECT& clientRect, const Object& object, bool emphasise) {
  if (object.meshData.vertices.empty()) {
    drawCubePrimitive(dc, clientRect, object, emphasise);
    return;
  }
  const auto [lo, hi] = proxySourceBounds(object.meshData);
  const ViewContext view = currentViewContext(clientRect);
  const ObjectPlacement placement = makePlacement(object);
  Vec3 c[8];
  for (int i = 0; i < 8; ++i) c[i] = viewSpaceWith(view, placePoint(placement, boxCorner(lo, hi, i)));
  {
    ScopedPenBrush scope(dc, solidPen(emphasise ? 2 : 1, emphasise ? kHighlightYellow : kMeshWire), nullptr);
    for (const auto& e : kBoxEdges) drawViewSegment(dc, view, c[e[0]], c[e[1]]);
  }
}

void drawImportedBoundsProxy(HDC dc, const RECT& clientRect, const Object& object, bool emphasise) {
  drawPaintBox(dc, clientRect, object, emphasise);
  const auto& vertices = object.meshData.vertices.read();
  if (vertices.empty()) return;
  POINT p{};
  if (!anchorOnScreen(currentViewContext(clientRect), object.transform.position, p)) return;
  selectFontOrStock(dc, appState().ui.smallFont);
  viewportTextAt(dc, p.x + 10, p.y + 12,
                 L"Phase 65.2 preview proxy: " + std::to_wstring(vertices.size()) + L" verts / " +
                     std::to_wstring(object.meshData.faces.read().size()) + L" tris",
                 emphasise ? kProxyLabelEmphasis : kProxyLabel);
}

void drawOversizedMeshNotice(HDC dc, const RECT& clientRect, const Object& object, const PreviewProxy* proxy,
                             bool emphasise) {
  if (!emphasise && (!proxy || !proxy->denseProtected)) return;
  std::wstring text;
  if (proxy && proxy->denseProtected) {
    text = L"Full mesh loaded; viewport using bounding-box proxy (" + std::to_wstring(proxy->faceCount) + L" tris)";
  } else if (proxy) {
    text = L"Full mesh loaded; cached LOD preview " + std::to_wstring(proxy->faces.size()) + L"/" +
           std::to_wstring(proxy->faceCount) + L" tris";
    if (proxy->navigating) text += L" while navigating";
  } else {
    text = L"Full mesh loaded; viewport using preview proxy";
  }
  POINT p{};
  if (!anchorOnScreen(currentViewContext(clientRect), object.transform.position, p)) return;
  selectFontOrStock(dc, appState().ui.smallFont);
  viewportTextAt(dc, p.x + 10, p.y + 12, text, emphasise ? kProxyLabelEmphasis : kProxyLabel);
}

std::int64_t drawnTriangleCount(const Object& object) {
  if (!isGeometryKind(object.kind)) return 0;
  const auto& faces = object.meshData.faces.read();
  if (faces.empty()) return 2 * static_cast<std::int64_t>(std::max(object.mesh.faces, 0));
  std::int64_t total = 0;
  for (const MeshFace& face : faces)
    if (face.indices.size() >= 3) total += static_cast<std::int64_t>(face.indices.size()) - 2;
  return total;
}

std::int64_t visibleTriangleCount() {
  const Scene& scene = appState().project.scene;
  std::int64_t total = 0;
  for (const Object& object : scene.objects)
    if (isEffectivelyVisible(scene, object)) total += drawnTriangleCount(object);
  return total;
}

void pruneViewportCaches() {
  ViewportCaches& caches = viewportCaches();
  const AppState& app = appState();
  if (caches.prunedRevision == app.documentRevision) return;
  caches.prunedRevision = app.documentRevision;
  std::unordered_set<std::wstring> ids;
  std::unordered_set<std::wstring> stacked;
  for (const Object& object : app.project.scene.objects) {
    ids.insert(object.id);
    if (!object.modifierStack.entries.empty()) stacked.insert(object.id);
  }
  std::erase_if(caches.previews, [&](const auto& entry) { return !ids.count(entry.first); });
  std::erase_if(caches.edgeSets, [&](const auto& entry) { return !ids.count(entry.first); });
  std::erase_if(caches.modifierPreviews, [&](const auto& entry) { return !stacked.count(entry.first); });
  std::erase_if(caches.toldLeftOut, [&](const auto& entry) { return !stacked.count(entry.first); });
}

}  // namespace vk
