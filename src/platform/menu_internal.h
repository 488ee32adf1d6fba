// Popup menu objects shared by the menu calls and the tracking loop.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/menu.h"

namespace vk::platform {

struct MenuItem {
  UINT flags = 0;
  UINT_PTR id = 0;
  HMENU submenu = nullptr;
  std::wstring text;     // MF_STRING
  ULONG_PTR data = 0;    // MF_OWNERDRAW
  bool measured = false;
  int width = 0;
  int height = 0;
};

struct MenuObject {
  std::vector<MenuItem> items;
  HBRUSH background = nullptr;
  DWORD style = 0;
  UINT maxHeight = 0;
  ULONG_PTR menuData = 0;
};

MenuObject* menuFromHandle(HMENU menu);

}  // namespace vk::platform
