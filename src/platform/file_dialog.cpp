// GetOpenFileNameW and GetSaveFileNameW: a modal dialog built from the
// layer's own controls (folder path, list, filter chooser, name field, OK
// and Cancel), drawn in the studio's theme.
//
// Sections:
//   - Dialog state and the folder list
//   - Choosing, keys and the dialog window
//   - Running the dialog
//   - Filters and the entry points
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/dialog_internal.h"
#include "platform/file_dialog_internal.h"
#include "platform/file_io.h"
#include "platform/headless_responders.h"
#include "platform/menu.h"
#include "platform/palette.h"

namespace vk::platform {

// ---- Dialog state and the folder list ---------------------------------------
namespace {

namespace fs = std::filesystem;

constexpr const wchar_t* kFileDialogClass = L"VkFileDialog";
constexpr int kMargin = 16;
constexpr int kRowHeight = 22;
constexpr int kListId = 100;
constexpr int kNameId = 101;
constexpr int kFilterId = 102;
constexpr int kPathId = 103;

// The layer's own memory of where the user last chose a file, and of the
// last failure.
std::string& lastFolder() {
  static std::string folder;
  return folder;
}
DWORD& lastError() {
  static DWORD error = 0;
  return error;
}

struct Entry {
  std::wstring name;
  std::string native;
  bool folder = false;
  bool parent = false;  // ".."
  bool valid = true;    // the name survives the trip through a wide string
};

struct DialogState {
  bool save = false;
  const OPENFILENAMEW* ofn = nullptr;
  std::wstring title;
  std::vector<FileFilter> filters;
  std::size_t filter = 0;
  fs::path folder;
  std::vector<Entry> entries;
  HWND window = nullptr;
  HWND path = nullptr;
  HWND list = nullptr;
  HWND name = nullptr;
  HWND filterButton = nullptr;
  HWND ok = nullptr;
  HWND cancel = nullptr;
  bool done = false;
  bool chosen = false;
  std::wstring result;
  DialogFonts fonts;
  HBRUSH fieldBrush = CreateSolidBrush(kFieldBackground);
  HBRUSH windowBrush = CreateSolidBrush(kPanelFill);
  ~DialogState() {
    DeleteObject(fieldBrush);
    DeleteObject(windowBrush);
  }
};

bool survivesWide(const std::string& bytes) { return vk::wideToUtf8(vk::utf8ToWide(bytes)) == bytes; }

bool lessName(const Entry& a, const Entry& b) {
  std::wstring la = vk::asciiLowered(a.name), lb = vk::asciiLowered(b.name);
  return la != lb ? la < lb : a.native < b.native;
}

std::wstring windowText(HWND hwnd) {
  int n = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  GetWindowTextW(hwnd, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(n));
  return text;
}

std::wstring trimmed(const std::wstring& text) {
  std::size_t a = 0, b = text.size();
  while (a < b && vk::isAsciiSpace(text[a])) ++a;
  while (b > a && vk::isAsciiSpace(text[b - 1])) --b;
  return text.substr(a, b - a);
}

void fillList(DialogState& s) {
  s.entries.clear();
  std::error_code ec;
  if (s.folder.has_parent_path() && s.folder.parent_path() != s.folder)
    s.entries.push_back(Entry{L"..", "..", true, true, true});
  std::vector<Entry> folders, files;
  bool showHidden = s.ofn && (s.ofn->Flags & OFN_FORCESHOWHIDDEN);
  const std::wstring patterns = s.filters.empty() ? L"*.*" : s.filters[s.filter].patterns;
  for (fs::directory_iterator it(s.folder, fs::directory_options::skip_permission_denied, ec), end; !ec && it != end;
       it.increment(ec)) {
    Entry e;
    e.native = it->path().filename().native();
    if (!showHidden && !e.native.empty() && e.native[0] == '.') continue;
    e.name = vk::utf8ToWide(e.native);
    e.valid = survivesWide(e.native);
    std::error_code typeError;
    e.folder = it->is_directory(typeError);
    if (e.folder) folders.push_back(std::move(e));
    else if (matchesFilter(e.name, patterns)) files.push_back(std::move(e));
  }
  std::stable_sort(folders.begin(), folders.end(), lessName);
  std::stable_sort(files.begin(), files.end(), lessName);
  s.entries.insert(s.entries.end(), folders.begin(), folders.end());
  s.entries.insert(s.entries.end(), files.begin(), files.end());
  SendMessageW(s.list, LB_RESETCONTENT, 0, 0);
  for (const Entry& e : s.entries) SendMessageW(s.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.name.c_str()));
  SetWindowTextW(s.path, vk::wideFromPath(s.folder).c_str());
}

void navigate(DialogState& s, const fs::path& folder) {
  s.folder = folder.lexically_normal();
  if (s.folder.has_filename() == false && s.folder != s.folder.root_path()) s.folder = s.folder.parent_path();
  fillList(s);
}

void goUp(DialogState& s) {
  if (s.folder.has_parent_path() && s.folder.parent_path() != s.folder) navigate(s, s.folder.parent_path());
}

int warn(DialogState& s, const std::wstring& text, UINT flags) { return MessageBoxW(s.window, text.c_str(), s.title.c_str(), flags); }

// ---- Choosing, keys and the dialog window -----------------------------------
// The name field's text as the user confirmed it: folders are entered,
// anything else must pass the caller's checks before it is the answer.
void accept(DialogState& s) {
  std::wstring typed = trimmed(windowText(s.name));
  if (typed.empty()) {
    int sel = static_cast<int>(SendMessageW(s.list, LB_GETCURSEL, 0, 0));
    if (sel >= 0 && s.entries[static_cast<std::size_t>(sel)].folder && s.entries[static_cast<std::size_t>(sel)].valid) {
      const Entry& e = s.entries[static_cast<std::size_t>(sel)];
      if (e.parent) goUp(s);
      else navigate(s, s.folder / e.native);
    }
    return;
  }
  if (typed == L"..") {
    SetWindowTextW(s.name, L"");
    goUp(s);
    return;
  }
  fs::path typedPath = vk::pathFromWide(typed);
  fs::path full = (typedPath.is_absolute() ? typedPath : s.folder / typedPath).lexically_normal();
  std::error_code ec;
  if (fs::is_directory(full, ec)) {
    SetWindowTextW(s.name, L"");
    navigate(s, full);
    return;
  }
  if (!full.has_filename()) return;
  std::wstring defExt = s.ofn->lpstrDefExt ? s.ofn->lpstrDefExt : L"";
  if (!defExt.empty() && !full.filename().has_extension()) {
    fs::path withExtension = full;
    withExtension += '.';
    withExtension += vk::wideToUtf8(defExt);
    // An Open takes the whole name of a file that has no extension, unless
    // the name with the extension exists too.
    bool typedIsFile = !s.save && fs::exists(full, ec) && !fs::exists(withExtension, ec);
    if (!typedIsFile) full = withExtension;
  }
  std::wstring shownName = vk::wideFromPath(full.filename());
  bool folderExists = fs::is_directory(full.parent_path(), ec);
  if (!folderExists && (s.ofn->Flags & OFN_PATHMUSTEXIST)) {
    warn(s, vk::wideFromPath(full.parent_path()) + L"\nThe path does not exist.\nCheck the path and try again.",
         MB_OK | MB_ICONWARNING);
    return;
  }
  bool exists = fs::exists(full, ec);
  if (!s.save && !exists && (s.ofn->Flags & OFN_FILEMUSTEXIST)) {
    warn(s, shownName + L"\nFile not found.\nCheck the file name and try again.", MB_OK | MB_ICONWARNING);
    return;
  }
  if (s.save && exists && (s.ofn->Flags & OFN_OVERWRITEPROMPT)) {
    int answer = MessageBoxW(s.window, (shownName + L" already exists.\nDo you want to replace it?").c_str(),
                             L"Confirm Save As", MB_YESNO | MB_ICONWARNING);
    if (answer != IDYES) return;
  }
  s.result = vk::wideFromPath(full);
  s.chosen = true;
  s.done = true;
}

// Double-click or Enter on a list entry.
void activate(DialogState& s, int index) {
  if (index < 0 || index >= static_cast<int>(s.entries.size())) return;
  const Entry& e = s.entries[static_cast<std::size_t>(index)];
  if (!e.valid) return;
  if (e.parent) goUp(s);
  else if (e.folder) navigate(s, s.folder / e.native);
  else {
    SetWindowTextW(s.name, e.name.c_str());
    accept(s);
  }
}

void chooseFilter(DialogState& s) {
  if (s.filters.empty()) return;
  HMENU menu = CreatePopupMenu();
  for (std::size_t i = 0; i < s.filters.size(); ++i)
    AppendMenuW(menu, MF_STRING | (i == s.filter ? MF_CHECKED : 0), i + 1, s.filters[i].label.c_str());
  RECT r;
  GetWindowRect(s.filterButton, &r);
  auto chosen = static_cast<UINT_PTR>(TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, r.left, r.bottom, s.window, nullptr));
  DestroyMenu(menu);
  if (chosen == 0) return;
  s.filter = chosen - 1;
  SetWindowTextW(s.filterButton, (s.filters[s.filter].label + L"  \u25BE").c_str());
  fillList(s);
}

void drawEntry(DialogState& s, const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  bool selected = item.itemState & ODS_SELECTED;
  fillColor(dc, r, selected ? kSelectionFill : kFieldBackground);
  if (item.itemID == static_cast<UINT>(-1) || item.itemID >= s.entries.size()) return;
  const Entry& e = s.entries[item.itemID];
  COLORREF color = !e.valid ? kTextDisabled : selected ? kTextMenuSelected : kTextControl;
  if (e.folder) {
    RECT icon{r.left + 8, r.top + 6, r.left + 22, r.bottom - 6};
    fillColor(dc, icon, e.valid ? kMessageWarning : kTextDisabled);
  }
  drawTextColor(dc, e.name, RECT{r.left + 30, r.top, r.right - 6, r.bottom},
                DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX, color);
}

void cycleFocus(DialogState& s, int step) {
  HWND order[] = {s.list, s.name, s.filterButton, s.ok, s.cancel};
  int n = 5, at = 0;
  for (int i = 0; i < n; ++i)
    if (order[i] == GetFocus()) at = i;
  SetFocus(order[((at + step) % n + n) % n]);
}

bool filterDialogKey(DialogState& s, const MSG& m) {
  if (m.message != WM_KEYDOWN && m.message != WM_CHAR && m.message != WM_SYSKEYDOWN) return false;
  if (m.hwnd != s.window && GetParent(m.hwnd) != s.window) return false;
  bool inList = m.hwnd == s.list;
  if (m.message == WM_CHAR) return m.wParam == L'\r' || m.wParam == 0x1B || m.wParam == L'\t' || (inList && m.wParam == L'\b');
  if (m.message == WM_SYSKEYDOWN) {
    if (m.wParam == VK_F4) s.done = true;
    return m.wParam == VK_F4;
  }
  switch (m.wParam) {
    case VK_RETURN:
      if (inList && trimmed(windowText(s.name)).empty()) activate(s, static_cast<int>(SendMessageW(s.list, LB_GETCURSEL, 0, 0)));
      else if (m.hwnd == s.cancel) s.done = true;
      else if (m.hwnd == s.filterButton) chooseFilter(s);
      else accept(s);
      return true;
    case VK_ESCAPE: s.done = true; return true;
    case VK_TAB: cycleFocus(s, shiftDown() ? -1 : 1); return true;
    case VK_BACK:
      if (!inList) return false;
      goUp(s);
      return true;
    default: return false;
  }
}

LRESULT CALLBACK dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* s = borrowedState<DialogState>(hwnd, msg, lParam);
  if (!s || msg == WM_NCCREATE || msg == WM_NCDESTROY) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT c;
      GetClientRect(hwnd, &c);
      paintDialogFrame(dc, c, s->title, s->fonts.bold);
      HGDIOBJ old = SelectObject(dc, s->fonts.text);
      RECT nameRow;
      GetWindowRect(s->name, &nameRow);
      MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&nameRow), 2);
      drawTextColor(dc, L"File name:", RECT{kMargin, nameRow.top, nameRow.left - 8, nameRow.bottom},
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, kTextSecondary);
      if (old) SelectObject(dc, old);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_MEASUREITEM: {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      mis->itemHeight = kRowHeight;
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlType == ODT_LISTBOX) drawEntry(*s, *item);
      else drawDialogButton(*item, item->hwndItem == s->ok);
      return TRUE;
    }
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLOREDIT: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, kTextControl);
      SetBkColor(dc, kFieldBackground);
      return reinterpret_cast<LRESULT>(s->fieldBrush);
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, kTextSecondary);
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(s->windowBrush);
    }
    case WM_COMMAND: {
      HWND from = reinterpret_cast<HWND>(lParam);
      UINT code = HIWORD(wParam);
      if (from == s->list && code == LBN_SELCHANGE) {
        int sel = static_cast<int>(SendMessageW(s->list, LB_GETCURSEL, 0, 0));
        if (sel >= 0 && !s->entries[static_cast<std::size_t>(sel)].folder && s->entries[static_cast<std::size_t>(sel)].valid)
          SetWindowTextW(s->name, s->entries[static_cast<std::size_t>(sel)].name.c_str());
      } else if (from == s->list && code == LBN_DBLCLK) {
        activate(*s, static_cast<int>(SendMessageW(s->list, LB_GETCURSEL, 0, 0)));
      } else if (from == s->ok && code == BN_CLICKED) {
        accept(*s);
      } else if (from == s->cancel && code == BN_CLICKED) {
        s->done = true;
      } else if (from == s->filterButton && code == BN_CLICKED) {
        chooseFilter(*s);
      }
      return 0;
    }
    case WM_CLOSE: s->done = true; return 0;
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

HWND createDialog(HWND owner, DialogState& s) {
  RECT work = workAreaFor(owner);
  int width = std::min<int>(640, work.right - work.left);
  int height = std::min<int>(440, work.bottom - work.top);
  RECT r = centredRect(owner, width, height);
  s.window = CreateWindowExW(WS_EX_DLGMODALFRAME, kFileDialogClass, s.title.c_str(), WS_POPUP | WS_CLIPCHILDREN,
                             r.left, r.top, width, height, owner, nullptr, nullptr, &s);
  if (!s.window) return nullptr;
  RECT c;
  GetClientRect(s.window, &c);
  auto child = [&](const wchar_t* cls, DWORD style, RECT at, int id) {
    HWND w = CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, at.left, at.top, at.right - at.left,
                             at.bottom - at.top, s.window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(s.fonts.text), FALSE);
    return w;
  };
  int right = c.right - kMargin;
  int bottom = c.bottom;
  s.path = child(L"STATIC", SS_NOPREFIX, RECT{kMargin, kDialogTitleHeight + 8, right, kDialogTitleHeight + 28}, kPathId);
  s.list = child(L"LISTBOX", WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
                 RECT{kMargin, kDialogTitleHeight + 34, right, bottom - 100}, kListId);
  int rowTop = bottom - 88;
  s.name = child(L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, RECT{kMargin + 84, rowTop + 4, right - 190, rowTop + 26}, kNameId);
  s.filterButton = createDialogButton(s.window, L"", kFilterId, RECT{right - 180, rowTop, right, rowTop + kDialogButtonHeight}, s.fonts.text);
  int buttonTop = bottom - 46;
  s.ok = createDialogButton(s.window, s.save ? L"Save" : L"Open", IDOK,
                            RECT{right - 2 * kDialogButtonWidth - 8, buttonTop, right - kDialogButtonWidth - 8, buttonTop + kDialogButtonHeight}, s.fonts.bold);
  s.cancel = createDialogButton(s.window, L"Cancel", IDCANCEL,
                                RECT{right - kDialogButtonWidth, buttonTop, right, buttonTop + kDialogButtonHeight}, s.fonts.bold);
  if (!s.filters.empty()) SetWindowTextW(s.filterButton, (s.filters[s.filter].label + L"  \u25BE").c_str());
  return s.window;
}

// ---- Running the dialog -----------------------------------------------------
// Where the dialog opens: the folder of a path already in the buffer, the
// caller's initial folder, the last folder chosen, else the working folder.
fs::path startFolder(const OPENFILENAMEW& ofn, std::wstring& defaultName) {
  std::error_code ec;
  fs::path given = vk::pathFromWide(defaultName);
  if (given.has_parent_path() && fs::is_directory(given.parent_path(), ec)) {
    defaultName = vk::wideFromPath(given.filename());
    return fs::absolute(given.parent_path(), ec);
  }
  if (ofn.lpstrInitialDir && *ofn.lpstrInitialDir) {
    fs::path initial = vk::pathFromWide(ofn.lpstrInitialDir);
    if (fs::is_directory(initial, ec)) return fs::absolute(initial, ec);
  }
  if (!lastFolder().empty() && fs::is_directory(lastFolder(), ec)) return fs::path(lastFolder());
  return fs::current_path(ec);
}

bool deliver(OPENFILENAMEW* ofn, const std::wstring& path, std::size_t filter) {
  if (path.size() + 1 > ofn->nMaxFile) {
    lastError() = FNERR_BUFFERTOOSMALL;
    return false;
  }
  std::copy_n(path.c_str(), path.size() + 1, ofn->lpstrFile);
  std::size_t slash = path.find_last_of(L'/');
  std::size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
  std::size_t dot = path.find_last_of(L'.');
  ofn->nFileOffset = static_cast<WORD>(std::min<std::size_t>(nameStart, 0xFFFF));
  ofn->nFileExtension = static_cast<WORD>((dot == std::wstring::npos || dot < nameStart) ? 0 : std::min<std::size_t>(dot + 1, 0xFFFF));
  ofn->nFilterIndex = static_cast<DWORD>(filter + 1);
  if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
    std::wstring title = path.substr(nameStart);
    std::size_t n = std::min<std::size_t>(title.size(), ofn->nMaxFileTitle - 1);
    std::copy_n(title.c_str(), n, ofn->lpstrFileTitle);
    ofn->lpstrFileTitle[n] = 0;
  }
  std::error_code ec;
  fs::path folder = vk::pathFromWide(path).parent_path();
  if (fs::is_directory(folder, ec)) lastFolder() = folder.native();
  return true;
}

BOOL runFileDialog(OPENFILENAMEW* ofn, bool save) {
  lastError() = 0;
  if (!ofn || ofn->lStructSize != sizeof(OPENFILENAMEW)) {
    lastError() = CDERR_STRUCTSIZE;
    return FALSE;
  }
  if (!ofn->lpstrFile || ofn->nMaxFile == 0) {
    lastError() = CDERR_INITIALIZATION;
    return FALSE;
  }
  vk::headless::FileDialogRecord record;
  record.save = save;
  record.owner = ofn->hwndOwner;
  record.title = ofn->lpstrTitle ? ofn->lpstrTitle : (save ? L"Save As" : L"Open");
  std::vector<FileFilter> filters = parseFilters(ofn->lpstrFilter);
  for (const FileFilter& f : filters) record.filters.emplace_back(f.label, f.patterns);
  record.filterIndex = ofn->nFilterIndex;
  std::size_t filter = (ofn->nFilterIndex >= 1 && ofn->nFilterIndex <= filters.size()) ? ofn->nFilterIndex - 1 : 0;
  std::wstring defaultName(ofn->lpstrFile, std::find(ofn->lpstrFile, ofn->lpstrFile + ofn->nMaxFile, L'\0'));
  record.defaultName = defaultName;
  record.defaultExtension = ofn->lpstrDefExt ? ofn->lpstrDefExt : L"";
  record.flags = ofn->Flags;
  fs::path folder = startFolder(*ofn, defaultName);
  record.initialFolder = vk::wideFromPath(folder);
  if (scriptFileDialog(record) == ScriptOutcome::Answered)
    return record.chosen && deliver(ofn, record.path, filter) ? TRUE : FALSE;
  DialogState s;
  s.save = save;
  s.ofn = ofn;
  s.title = record.title;
  s.filters = filters;
  s.filter = filter;
  HWND owner = ofn->hwndOwner && IsWindow(ofn->hwndOwner) ? ofn->hwndOwner : nullptr;
  ModalOwner modal = beginModal(owner);
  if (!createDialog(modal.window, s)) {
    endModal(modal, nullptr);
    lastError() = CDERR_INITIALIZATION;
    return FALSE;
  }
  navigate(s, folder);
  SetWindowTextW(s.name, defaultName.c_str());
  ShowWindow(s.window, SW_SHOW);
  SetFocus(s.name);
  SendMessageW(s.name, EM_SETSEL, 0, -1);
  bool ok = runModalLoop([&] { return s.done || !IsWindow(s.window); },
                         [&](const MSG& m) { return filterDialogKey(s, m); });
  endModal(modal, s.window);
  record.chosen = ok && s.chosen;
  record.path = record.chosen ? s.result : L"";
  recordFileDialog(record);
  return record.chosen && deliver(ofn, record.path, s.filter) ? TRUE : FALSE;
}

}  // namespace

// ---- Filters and the entry points -------------------------------------------
std::vector<FileFilter> parseFilters(LPCWSTR filter) {
  std::vector<FileFilter> out;
  if (!filter) return out;
  const wchar_t* p = filter;
  while (*p) {
    FileFilter f;
    f.label = p;
    p += f.label.size() + 1;
    if (!*p) break;
    f.patterns = p;
    p += f.patterns.size() + 1;
    out.push_back(std::move(f));
  }
  return out;
}

// '*' and '?' wildcards, ASCII letters matched without case.
bool matchesPattern(const std::wstring& name, const std::wstring& pattern) {
  if (pattern == L"*.*" || pattern == L"*") return true;
  std::size_t n = 0, p = 0, star = std::wstring::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || vk::asciiLower(pattern[p]) == vk::asciiLower(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      resume = n;
    } else if (star != std::wstring::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

bool matchesFilter(const std::wstring& name, const std::wstring& patterns) {
  std::size_t start = 0;
  while (start <= patterns.size()) {
    std::size_t end = patterns.find(L';', start);
    if (end == std::wstring::npos) end = patterns.size();
    std::wstring pattern = trimmed(patterns.substr(start, end - start));
    if (!pattern.empty() && matchesPattern(name, pattern)) return true;
    start = end + 1;
  }
  return false;
}

void registerFileDialogClass() { registerLayerClass(kFileDialogClass, dialogProc, 0); }

}  // namespace vk::platform

BOOL GetOpenFileNameW(OPENFILENAMEW* ofn) { return vk::platform::runFileDialog(ofn, false); }
BOOL GetSaveFileNameW(OPENFILENAMEW* ofn) { return vk::platform::runFileDialog(ofn, true); }
DWORD CommDlgExtendedError() { return vk::platform::lastError(); }
