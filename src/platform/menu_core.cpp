// Popup menu objects: creation, items, menu info and destruction.
#include "platform/handle_table.h"
#include "platform/menu_internal.h"

namespace vk::platform {

namespace {

// The layer's own table of menus.
HandleTable<MenuObject>& menus() {
  static HandleTable<MenuObject> table{kTagMenu};
  return table;
}

HMENU createMenu() { return reinterpret_cast<HMENU>(menus().add(std::make_unique<MenuObject>())); }

MenuItem* itemAt(HMENU menu, int position) {
  MenuObject* m = menuFromHandle(menu);
  if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return nullptr;
  return &m->items[static_cast<std::size_t>(position)];
}

}  // namespace

MenuObject* menuFromHandle(HMENU menu) { return menu ? menus().get(menu) : nullptr; }

}  // namespace vk::platform

using namespace vk::platform;

HMENU CreatePopupMenu() { return createMenu(); }

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idOrSubmenu, LPCWSTR item) {
  MenuObject* m = menuFromHandle(menu);
  if (!m) return FALSE;
  MenuItem entry;
  entry.flags = flags;
  if (flags & MF_POPUP) {
    entry.submenu = reinterpret_cast<HMENU>(idOrSubmenu);
    if (!menuFromHandle(entry.submenu) || entry.submenu == menu) return FALSE;
  } else if (!(flags & MF_SEPARATOR)) {
    entry.id = idOrSubmenu;
  }
  if (flags & MF_OWNERDRAW) entry.data = reinterpret_cast<ULONG_PTR>(item);
  else if (!(flags & MF_SEPARATOR) && item) entry.text = item;
  // A string item with no text is a separator, as on the platform.
  if (!(flags & (MF_OWNERDRAW | MF_POPUP | MF_SEPARATOR)) && !item) entry.flags |= MF_SEPARATOR;
  m->items.push_back(std::move(entry));
  return TRUE;
}

BOOL DestroyMenu(HMENU menu) {
  auto object = menus().remove(menu);
  if (!object) return FALSE;
  for (const MenuItem& item : object->items)
    if (item.submenu) DestroyMenu(item.submenu);
  return TRUE;
}

BOOL IsMenu(HMENU menu) { return menuFromHandle(menu) ? TRUE : FALSE; }

int GetMenuItemCount(HMENU menu) {
  MenuObject* m = menuFromHandle(menu);
  return m ? static_cast<int>(m->items.size()) : -1;
}

HMENU GetSubMenu(HMENU menu, int position) {
  MenuItem* item = itemAt(menu, position);
  return item ? item->submenu : nullptr;
}

BOOL SetMenuInfo(HMENU menu, const MENUINFO* info) {
  MenuObject* m = menuFromHandle(menu);
  if (!m || !info || info->cbSize != sizeof(MENUINFO)) return FALSE;
  if (info->fMask & MIM_BACKGROUND) m->background = info->hbrBack;
  if (info->fMask & MIM_STYLE) m->style = info->dwStyle;
  if (info->fMask & MIM_MAXHEIGHT) m->maxHeight = info->cyMax;
  if (info->fMask & MIM_MENUDATA) m->menuData = info->dwMenuData;
  if (info->fMask & MIM_APPLYTOSUBMENUS) {
    MENUINFO sub = *info;
    for (const MenuItem& item : m->items)
      if (item.submenu) SetMenuInfo(item.submenu, &sub);
  }
  return TRUE;
}
