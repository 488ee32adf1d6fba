// One row per command: everything the menus, the buttons, the hover tips,
// the icons and the dispatcher know of it. Adding a command is an id in
// command_ids.h and a row in the rows of its area (with a button group its
// button is created, tipped and drawn; a menu lists it with item(id)). A
// command with a state (a toggle, a mode) answers, like an action object,
// whether it is checked and what it is called in each state; the buttons,
// the chrome and the menus ask the row, and only place it.
// Controls that are no command of the table are not rows: the menu-bar
// buttons and the two toolbar dropdowns open their popups themselves, a rail
// slot stands for another row, and the tool strip and Left Tools repeat rows.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/palette.h"
#include "platform/win32.h"

namespace vk {

// The drawing of a command's icon (icons.cpp); `none` draws the cube.
enum class Glyph : unsigned char {
  none, cube, camera, light, group, parent, unparent, eye, lock, plane, sphere, cylinder, cone, torus, letterT,
  arrow, move, rotate, scale, square, editMesh, vertices, edge, lines, ring, letterX, letterY, letterZ, snap, undo,
  redo, duplicate, cross, disk, page, folder, resetArc, curveLine, curveBezier, curveCircle, curveRect,
  curveAddPoint, curveDeletePoint, modifier, solidify, info
};

// The run of buttons a command's main button is created in; the rows of a
// group give the creation order (which fixes z and tab order).
enum class ButtonGroup : unsigned char {
  none, createShelf, tools, meshOps, curveOps, axisSnap, objectOps, modifiers, hierarchy, view, render, timeline,
  keyInspector, browsers, save, railTabs, inspector
};

enum CommandFlag : unsigned {
  kNeverPlaced = 1u << 0,        // the button exists but the layout never shows it
  kRepaintWithModes = 1u << 1,   // repainted when a mode, tool, axis or snap changes
  kRepaintWithView = 1u << 2,    // repainted with the view captions
  kAlwaysHighlighted = 1u << 3,  // drawn in the accent colours whatever the state
};

struct CommandRow {
  int id = 0;
  const wchar_t* menu = nullptr;      // menu caption without the key hint
  const wchar_t* shortcut = nullptr;  // the key hint menus show after three blanks
  const wchar_t* button = nullptr;    // caption of its main button; null: no button
  ButtonGroup group = ButtonGroup::none;
  const wchar_t* tip = nullptr;       // hover tip of its main button
  Glyph glyph = Glyph::none;
  COLORREF colour = kIconDefault;
  void (*run)() = nullptr;
  unsigned flags = 0;
  // State: whether the command is on now (its buttons light up). Null: none.
  bool (*checked)() = nullptr;
  const wchar_t* buttonChecked = nullptr;     // main button caption while checked (null: `button`)
  std::wstring (*buttonCaption)() = nullptr;  // a main button caption that follows more than `checked`
  // Its state item in a menu (stateItem): these two captions, or without
  // them `menu`, ticked while checked.
  const wchar_t* menuChecked = nullptr;
  const wchar_t* menuUnchecked = nullptr;
  // Its stated item (statedItem): `menu`, ": " and one of these words.
  const wchar_t* stateOn = nullptr;
  const wchar_t* stateOff = nullptr;
};

// The rows of each area of the studio.
std::span<const CommandRow> coreCommandRows();
std::span<const CommandRow> timelineCommandRows();
std::span<const CommandRow> modifierCommandRows();
std::span<const CommandRow> presetCommandRows();
std::span<const CommandRow> documentCommandRows();

// Every row, the areas in the order above.
const std::vector<const CommandRow*>& commandRows();
// The row of a command id; null for an id that is no command.
const CommandRow* findCommandRow(int id);
bool hasCommandFlag(int id, CommandFlag flag);

// What a row answers for its state: false, and its plain captions, for a
// row without one.
bool commandChecked(int id);
std::wstring commandButtonCaption(const CommandRow& row);
std::wstring commandStateCaption(const CommandRow& row);
std::wstring commandStatedCaption(const CommandRow& row);

}  // namespace vk
