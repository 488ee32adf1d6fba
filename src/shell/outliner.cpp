// The outliner: the hierarchy rows with the search filter, the list box
// rebuild, the row painter and the selection change.
//
// Sections:
//   - Building the rows
//   - Filling the list box
//   - Painting and selecting rows
#include <utility>
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "model/app_state.h"
#include "model/edit_mesh.h"
#include "model/hierarchy.h"
#include "model/import_guards.h"
#include "model/services.h"
#include "model/text_utils.h"
#include "platform/palette.h"
#include "shell/commands.h"
#include "shell/shell.h"
#include "viewport/viewport.h"

namespace vk {

// ---- Building the rows ------------------------------------------------------
namespace {

constexpr std::int32_t kOutlinerDepthLimit = 12;

bool containsText(const std::wstring& haystack, const std::wstring& needle) {
  return haystack.find(needle) != std::wstring::npos;
}

// The rows of one rebuild. Ids are the nodes of the hierarchy: an object's
// children are the objects whose parent id equals its id, so duplicate ids
// and parent cycles are handled by id, as the lookup by id does.
struct OutlinerBuilder {
  const Scene& scene;
  const std::wstring& query;
  std::unordered_map<std::wstring, std::size_t> firstIndexById;
  std::unordered_map<std::wstring, std::vector<std::size_t>> indicesById;
  std::unordered_map<std::wstring, std::vector<std::size_t>> childrenByParent;
  std::vector<char> selfMatch;                  // per object
  std::unordered_set<std::wstring> subtreeMatch;  // ids whose subtree holds a match
  std::unordered_set<std::wstring> visited;
  OutlinerList list;

  OutlinerBuilder(const Scene& s, const std::wstring& q) : scene(s), query(q) {
    const auto& objects = scene.objects;
    for (std::size_t i = 0; i < objects.size(); ++i) {
      firstIndexById.try_emplace(objects[i].id, i);
      indicesById[objects[i].id].push_back(i);
      childrenByParent[objects[i].parentId].push_back(i);
    }
    if (query.empty()) return;
    // Match each object once, then mark every id that reaches a match by
    // walking up the parent ids; a cycle stops at the first id already marked.
    selfMatch.resize(objects.size());
    for (std::size_t i = 0; i < objects.size(); ++i) selfMatch[i] = objectRowMatchesSearch(objects[i], query);
    std::vector<std::wstring> pending;
    for (const auto& [id, index] : firstIndexById)
      if (selfMatch[index] && subtreeMatch.insert(id).second) pending.push_back(id);
    while (!pending.empty()) {
      const std::wstring id = std::move(pending.back());
      pending.pop_back();
      // Every object carrying this id is a child of its parent's node.
      for (std::size_t i : indicesById[id]) {
        const std::wstring& parent = objects[i].parentId;
        if (parent.empty() || !firstIndexById.count(parent)) continue;
        if (subtreeMatch.insert(parent).second) pending.push_back(parent);
      }
    }
  }

  void visit(const std::wstring& rootId) {
    struct Pending {
      std::wstring id;
      std::int32_t depth;
    };
    std::vector<Pending> stack{{rootId, 0}};
    while (!stack.empty()) {
      Pending next = std::move(stack.back());
      stack.pop_back();
      const auto found = firstIndexById.find(next.id);
      if (found == firstIndexById.end() || visited.count(next.id)) continue;
      if (!query.empty() && !subtreeMatch.count(next.id)) continue;
      visited.insert(next.id);
      const std::size_t index = found->second;
      const Object& object = scene.objects[index];
      list.itemData.push_back(static_cast<std::int64_t>(list.rows.size()));
      list.rows.push_back({index, std::clamp(next.depth, 0, kOutlinerDepthLimit)});
      std::wstring text = objectListLabel(object);
      if (!query.empty() && !selfMatch[index]) text = L"↳ " + text;
      list.texts.push_back(std::move(text));
      if (object.id == selectedId) list.selectedItem = static_cast<int>(list.texts.size()) - 1;
      const auto children = childrenByParent.find(object.id);
      if (children == childrenByParent.end()) continue;
      for (auto it = children->second.rbegin(); it != children->second.rend(); ++it)
        stack.push_back({scene.objects[*it].id, next.depth + 1});
    }
  }

  std::wstring selectedId;
};

HWND outlinerListHandle() { return appState().ui.outlinerList; }

constexpr std::size_t kOutlinerTextLimit = 4096;

std::wstring getListBoxItemText(HWND list, int index) {
  if (!list || index < 0) return L"";
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return L"";
  if (static_cast<std::size_t>(length) > kOutlinerTextLimit) return L"[outliner name too long]";
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  if (got < 0) return L"";
  text.resize(static_cast<std::size_t>(std::min<LRESULT>(got, length)));
  return text;
}

void drawTextIn(HDC dc, const std::wstring& text, RECT rect, COLORREF colour, UINT format) {
  SetTextColor(dc, colour);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
}

}  // namespace

std::wstring normalizedOutlinerSearch() {
  const std::wstring trimmed = trimWhitespace(appState().outlinerFilter);
  if (trimmed == L"Search..." || trimmed == L"search...") return L"";
  return lowercaseCopy(trimmed);
}

std::wstring objectListLabel(const Object& object) {
  std::wstring label = L"[" + kindName(object.kind) + L"] " + shownText(object.name);
  if (object.kind == ObjectKind::Camera && object.id == appState().project.scene.activeCameraId)
    label += L"  (active)";
  if (!object.visible) label += L"  (hidden)";
  if (object.locked) label += L"  (locked)";
  const bool imported = phase65FromGltfImport(object);
  if (object.importedMeshReadOnly && imported) label += L"  (import read-only)";
  if (object.importedMeshSafeSelectionOnly && imported) label += L"  (safe select)";
  return label;
}

bool objectRowMatchesSearch(const Object& object, const std::wstring& query) {
  if (query.empty()) return true;
  const Material& material = object.material;
  std::wstring text = objectListLabel(object);
  for (const std::wstring* part : {&object.name, &object.id}) text += L" " + *part;
  text += L" " + kindName(object.kind);
  for (const std::wstring* part : {&object.mesh.primitive, &material.name, &object.objectCapsuleLabel,
                                   &object.objectCapsuleNote, &object.collectionId})
    text += L" " + *part;
  return containsText(lowercaseCopy(text), query);
}

OutlinerList buildOutlinerList(const Scene& scene, const std::wstring& query, const std::wstring& filterText,
                               const std::wstring& selectedId) {
  OutlinerBuilder builder(scene, query);
  builder.selectedId = selectedId;
  if (!scene.collections.empty()) {
    for (const std::wstring& id : scene.collections.front().objectIds) {
      const auto found = builder.firstIndexById.find(id);
      if (found != builder.firstIndexById.end() && scene.objects[found->second].parentId.empty()) builder.visit(id);
    }
  }
  for (const Object& object : scene.objects)
    if (object.parentId.empty()) builder.visit(object.id);
  for (const Object& object : scene.objects) builder.visit(object.id);
  if (builder.list.rows.empty() && !query.empty()) {
    builder.list.texts.push_back(L"No objects match: " + filterText);
    builder.list.itemData.push_back(-1);
  }
  return std::move(builder.list);
}

// ---- Filling the list box ---------------------------------------------------
namespace {

// What an object's row shows without a filter, beyond its place in the tree:
// kind and name, plus one bit per label suffix.
struct OutlinerRowKey {
  std::uint64_t stamp = 0;  // the object's content stamp; 0: compare the fields
  std::wstring id;
  std::wstring parentId;
  std::wstring name;  // as the label shows it
  ObjectKind kind = ObjectKind::Empty;
  unsigned flags = 0;
};

// The name as a row's label shows it.
std::wstring_view labelName(const Object& object) {
  return std::wstring_view(object.name).substr(0, kShownTextCharLimit);
}

unsigned labelFlags(const Object& object, const std::wstring& activeCameraId) {
  unsigned flags = 0;
  if (object.kind == ObjectKind::Camera && object.id == activeCameraId) flags |= 1u;
  if (!object.visible) flags |= 2u;
  if (object.locked) flags |= 4u;
  if (object.importedMeshReadOnly || object.importedMeshSafeSelectionOnly) {
    const bool imported = phase65FromGltfImport(object);
    if (object.importedMeshReadOnly && imported) flags |= 8u;
    if (object.importedMeshSafeSelectionOnly && imported) flags |= 16u;
  }
  return flags;
}

// The last unfiltered fill of the list box: the keys it was built from and
// the items it holds. Only fillOutlinerList writes the list box, so while
// the handle and the item count agree the cache describes its items.
struct OutlinerCache {
  HWND list = nullptr;
  std::vector<OutlinerRowKey> keys;  // per object
  bool hasCollection = false;
  std::vector<std::wstring> collectionIds;
  std::wstring activeCameraId;
  std::vector<std::wstring> texts;      // per list item
  std::vector<std::int64_t> itemData;   // per list item
  std::vector<int> itemOfObject;        // per object: its list item, -1 none
  std::unordered_map<std::wstring, std::size_t> firstObjectWithId;
  std::size_t rowCount = 0;
};

OutlinerCache& outlinerCache() {
  static OutlinerCache cache;
  return cache;
}

void storeOutlinerCache(HWND list, const Scene& scene, const OutlinerList& built) {
  OutlinerCache& cache = outlinerCache();
  const auto& objects = std::as_const(scene.objects);
  cache.list = list;
  cache.keys.clear();
  cache.keys.reserve(objects.size());
  cache.firstObjectWithId.clear();
  for (std::size_t i = 0; i < objects.size(); ++i) {
    const Object& object = objects[i];
    cache.keys.push_back({objects.contentStamp(i), object.id, object.parentId, std::wstring(labelName(object)),
                          object.kind, labelFlags(object, scene.activeCameraId)});
    cache.firstObjectWithId.try_emplace(object.id, i);
  }
  cache.activeCameraId = scene.activeCameraId;
  cache.hasCollection = !scene.collections.empty();
  cache.collectionIds = cache.hasCollection ? scene.collections.front().objectIds : std::vector<std::wstring>{};
  cache.texts = built.texts;
  cache.rowCount = built.rows.size();
  cache.itemData = built.itemData;
  cache.itemOfObject.assign(objects.size(), -1);
  for (std::size_t item = 0; item < built.itemData.size(); ++item)
    if (built.itemData[item] >= 0)
      cache.itemOfObject[built.rows[static_cast<std::size_t>(built.itemData[item])].index] = static_cast<int>(item);
}

// The list box as a rebuild leaves it: the selection set on a list scrolled
// to the top, so the selected item is scrolled into view.
void selectAsRebuilt(HWND list, int selectedItem) {
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  SendMessageW(list, LB_SETTOPINDEX, 0, 0);
  if (selectedItem >= 0) SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(selectedItem), 0);
}

// An unfiltered fill when the tree is as the cache has it (same ids, parents
// and collection order): only the items whose label changed are replaced.
// False, with nothing changed, when the tree changed.
bool updateOutlinerItems(HWND list, const Scene& scene, const std::wstring& selectedId) {
  OutlinerCache& cache = outlinerCache();
  const auto& objects = std::as_const(scene.objects);
  if (cache.list != list || cache.keys.size() != objects.size() ||
      appState().outlinerRows.size() != cache.rowCount ||
      SendMessageW(list, LB_GETCOUNT, 0, 0) != static_cast<LRESULT>(cache.texts.size()))
    return false;
  if (cache.hasCollection != !scene.collections.empty()) return false;
  if (cache.hasCollection && scene.collections.front().objectIds != cache.collectionIds) return false;
  // An object whose stamp is the cached one is the object the row was built
  // from; the others are compared field by field. The active camera is part
  // of two objects' labels, so a new one compares them all.
  const bool sameCamera = scene.activeCameraId == cache.activeCameraId;
  std::vector<std::size_t> changed;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    OutlinerRowKey& key = cache.keys[i];
    const std::uint64_t stamp = objects.contentStamp(i);
    if (sameCamera && stamp != 0 && stamp == key.stamp) continue;
    const Object& object = objects[i];
    if (object.id != key.id || object.parentId != key.parentId) return false;
    key.stamp = stamp;
    if (labelName(object) != key.name || object.kind != key.kind || labelFlags(object, scene.activeCameraId) != key.flags)
      changed.push_back(i);
  }
  cache.activeCameraId = scene.activeCameraId;
  // Every id is as the cache has it, so its first holder is too.
  const auto selected = cache.firstObjectWithId.find(selectedId);
  const std::size_t selectedObject = selected == cache.firstObjectWithId.end() ? objects.size() : selected->second;
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  for (std::size_t i : changed) {
    const Object& object = objects[i];
    OutlinerRowKey& key = cache.keys[i];
    key.name = labelName(object);
    key.kind = object.kind;
    key.flags = labelFlags(object, scene.activeCameraId);
    const int item = cache.itemOfObject[i];
    if (item < 0) continue;
    std::wstring text = objectListLabel(object);
    if (text == cache.texts[static_cast<std::size_t>(item)]) continue;
    SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(item), 0);
    const LRESULT at = SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text.c_str()));
    if (at >= 0)
      SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(at),
                   static_cast<LPARAM>(cache.itemData[static_cast<std::size_t>(item)]));
    cache.texts[static_cast<std::size_t>(item)] = std::move(text);
  }
  selectAsRebuilt(list, selectedObject < objects.size() ? cache.itemOfObject[selectedObject] : -1);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, FALSE);
  return true;
}

}  // namespace

void fillOutlinerList() {
  HWND list = outlinerListHandle();
  if (!list) return;
  AppState& app = appState();
  const std::wstring query = normalizedOutlinerSearch();
  if (query.empty() && updateOutlinerItems(list, app.project.scene, app.selectedObjectId)) return;
  OutlinerList built = buildOutlinerList(app.project.scene, query, app.outlinerFilter, app.selectedObjectId);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (std::size_t i = 0; i < built.texts.size(); ++i) {
    const LRESULT item = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(built.texts[i].c_str()));
    if (item >= 0) SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(built.itemData[i]));
  }
  if (built.selectedItem >= 0) SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(built.selectedItem), 0);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, FALSE);
  if (query.empty()) storeOutlinerCache(list, app.project.scene, built);
  else outlinerCache() = OutlinerCache{};
  app.outlinerRows = std::move(built.rows);
}

void showSelectionInOutliner() {
  HWND list = outlinerListHandle();
  if (!list) return;
  const AppState& app = appState();
  const auto& objects = app.project.scene.objects;
  LRESULT row = -1;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  // The item data of an unfiltered fill is in the cache, without a message per item.
  const OutlinerCache& cache = outlinerCache();
  const bool cached = cache.list == list && count == static_cast<LRESULT>(cache.itemData.size());
  for (LRESULT i = 0; i < count && row < 0 && !app.selectedObjectId.empty(); ++i) {
    const auto data = cached ? cache.itemData[static_cast<std::size_t>(i)]
                             : static_cast<std::int64_t>(SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0));
    if (data < 0 || static_cast<std::uint64_t>(data) >= app.outlinerRows.size()) continue;
    const std::uint64_t index = app.outlinerRows[static_cast<std::size_t>(data)].index;
    if (index < objects.size() && objects[static_cast<std::size_t>(index)].id == app.selectedObjectId) row = i;
  }
  // LB_SETCURSEL sends no LBN_SELCHANGE, so the selection handler is not re-entered.
  if (SendMessageW(list, LB_GETCURSEL, 0, 0) != row) SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

// ---- Painting and selecting rows --------------------------------------------
void drawOutlinerItem(const DRAWITEMSTRUCT& item) {
  if (static_cast<int>(item.itemID) == -1) return;
  const AppState& app = appState();
  HDC dc = item.hDC;
  const RECT r = item.rcItem;
  HBRUSH background = CreateSolidBrush(kControlBackground);
  FillRect(dc, &r, background);
  DeleteObject(background);

  ObjectKind kind = ObjectKind::Empty;
  std::wstring primitive;
  bool visible = true, locked = false, hasChildren = false;
  std::int32_t depth = 0;
  const auto data = static_cast<std::int64_t>(item.itemData);
  const auto& objects = app.project.scene.objects;
  if (data >= 0 && static_cast<std::uint64_t>(data) < app.outlinerRows.size() &&
      app.outlinerRows[static_cast<std::size_t>(data)].index < objects.size()) {
    const OutlinerRow& row = app.outlinerRows[static_cast<std::size_t>(data)];
    const Object& object = objects[static_cast<std::size_t>(row.index)];
    kind = object.kind;
    primitive = object.mesh.primitive;
    visible = isEffectivelyVisible(object);
    locked = isEffectivelyLocked(object);
    hasChildren = std::any_of(objects.begin(), objects.end(), [&](const Object& o) { return o.parentId == object.id; });
    depth = row.depth;
  }

  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  if (selected) {
    const RECT band{r.left + 5, r.top + 3, r.right - 6, r.bottom - 3};
    fillVerticalGradient(dc, band, kOutlinerSelectedTop, kOutlinerSelectedBottom);
    hollowRoundRect(dc, band, kOutlinerSelectedBorder, 6);
  }
  COLORREF colour = visible ? kTextControl : kOutlinerHiddenText;
  if (locked) colour = kOutlinerLockedText;
  if (selected) colour = kTextButton;
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ oldFont = app.ui.uiFont ? SelectObject(dc, app.ui.uiFont) : nullptr;
  const int indent = depth * 18;
  if (hasChildren)
    drawTextIn(dc, L"▾", RECT{r.left + 12 + indent, r.top + 7, r.left + 28 + indent, r.bottom},
               selected ? kOutlinerSelectedDetail : kOutlinerDetail, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  drawIcon(dc, RECT{r.left + 28 + indent, r.top + 6, r.left + 49 + indent, r.bottom - 6}, 0, kind, primitive, selected);
  drawTextIn(dc, getListBoxItemText(item.hwndItem, static_cast<int>(item.itemID)),
             RECT{r.left + 58 + indent, r.top, r.right - 8, r.bottom}, colour,
             DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  if (oldFont) SelectObject(dc, oldFont);
}

void selectOutlinerRow(std::int64_t itemData) {
  AppState& app = appState();
  if (itemData < 0 || static_cast<std::uint64_t>(itemData) >= app.outlinerRows.size()) return;
  const std::uint64_t index = app.outlinerRows[static_cast<std::size_t>(itemData)].index;
  if (index >= app.project.scene.objects.size()) return;
  const Object& object = std::as_const(app.project.scene.objects)[static_cast<std::size_t>(index)];
  if (object.id == app.selectedObjectId) return;
  app.selectedObjectId = object.id;
  clearAllComponentSelections();
  bool keepMode = app.workMode == WorkMode::Object;
  if (app.workMode == WorkMode::EditMesh) keepMode = isEditableMesh(object);
  if (app.workMode == WorkMode::EditCurve)
    keepMode = object.kind == ObjectKind::Curve && !object.curveData.points.empty();
  if (!keepMode) {
    app.workMode = WorkMode::Object;
    invalidateChromeControls();
  }
  refreshPanels();
}

void onOutlinerSelectionChanged() {
  HWND list = outlinerListHandle();
  if (!list) return;
  const LRESULT item = SendMessageW(list, LB_GETCURSEL, 0, 0);
  if (item < 0) return;
  selectOutlinerRow(static_cast<std::int64_t>(SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(item), 0)));
}

}  // namespace vk
