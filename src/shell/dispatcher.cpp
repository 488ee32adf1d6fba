// The command dispatcher: rail slots, catalog and parent-chooser items, and
// the command table (every area's rows, shell/command_table.h) looked up by id.
#include <algorithm>

#include "model/app_state.h"
#include "model/hierarchy.h"
#include "model/objects.h"
#include "model/services.h"
#include "model/undo.h"
#include "shell/command_ids.h"
#include "shell/command_table.h"
#include "shell/commands.h"
#include "shell/preset_commands.h"
#include "shell/shell.h"

namespace vk {

namespace {

// Parent chooser item n: re-checked, as the hierarchy may have changed since
// the chooser opened.
CommandResult chooseParent(int id) {
  AppState& app = appState();
  const std::size_t n = static_cast<std::size_t>(id - kCmdParentChooserBase);
  if (n >= app.parentCandidateIds.size()) return {id, false};
  const std::wstring candidate = app.parentCandidateIds[n];
  const Object* selected = findObjectById(app.selectedObjectId);
  if (!selected) return {id, true};
  if (!canParentTo(selected->id, candidate)) {
    setStatusText(L"●  Invalid parent target");
    return {id, true};
  }
  EditTransaction edit;
  findObjectById(app.selectedObjectId)->parentId = candidate;
  edit.commit();
  return {id, true};
}

// The rows sorted by id, for the lookup.
const std::vector<const CommandRow*>& rowsById() {
  static const std::vector<const CommandRow*> sorted = [] {
    std::vector<const CommandRow*> rows = commandRows();
    std::stable_sort(rows.begin(), rows.end(), [](const CommandRow* a, const CommandRow* b) { return a->id < b->id; });
    return rows;
  }();
  return sorted;
}

}  // namespace

const std::vector<const CommandRow*>& commandRows() {
  static const std::vector<const CommandRow*> rows = [] {
    std::vector<const CommandRow*> all;
    for (std::span<const CommandRow> area : {coreCommandRows(), timelineCommandRows(), modifierCommandRows(),
                                             presetCommandRows(), documentCommandRows()})
      for (const CommandRow& row : area) all.push_back(&row);
    return all;
  }();
  return rows;
}

const CommandRow* findCommandRow(int id) {
  const std::vector<const CommandRow*>& rows = rowsById();
  const auto found =
      std::lower_bound(rows.begin(), rows.end(), id, [](const CommandRow* row, int value) { return row->id < value; });
  return found != rows.end() && (*found)->id == id ? *found : nullptr;
}

bool hasCommandFlag(int id, CommandFlag flag) {
  const CommandRow* row = findCommandRow(id);
  return row && (row->flags & flag) != 0;
}

bool commandChecked(int id) {
  const CommandRow* row = findCommandRow(id);
  return row && row->checked && row->checked();
}

std::wstring commandButtonCaption(const CommandRow& row) {
  if (row.buttonCaption) return row.buttonCaption();
  const bool checked = row.checked && row.checked();
  const wchar_t* caption = checked && row.buttonChecked ? row.buttonChecked : row.button;
  return caption ? caption : L"";
}

std::wstring commandStateCaption(const CommandRow& row) {
  const bool checked = row.checked && row.checked();
  if (row.menuChecked && row.menuUnchecked) return checked ? row.menuChecked : row.menuUnchecked;
  const std::wstring menu = row.menu ? row.menu : L"";
  return checked ? L"✓ " + menu : menu;
}

std::wstring commandStatedCaption(const CommandRow& row) {
  const bool checked = row.checked && row.checked();
  const wchar_t* word = checked ? row.stateOn : row.stateOff;
  return std::wstring(row.menu ? row.menu : L"") + L": " + (word ? word : L"");
}

int railSlotCommand(int panel, int slot) {
  if (panel < 0 || panel > 4) return 0;
  return leftRailButtonCommand(panel, slot - 1);
}

CommandResult handleCommand(int id) {
  if (pendingMessagePumpActive()) {
    setStatusText(kBusyStatus);
    return {id, false};
  }
  AppState& app = appState();
  if (id >= kCmdRailSlot1 && id <= kCmdRailSlot6) {
    const int command = railSlotCommand(app.activeRailPanel, id - kCmdRailSlotBase);
    if (command == 0) {
      setStatusText(L"●  No action available in this panel slot");
      return {id, false};
    }
    return handleCommand(command);
  }
  if (runCatalogItem(id)) return {id, true};
  if (id >= kCmdPresetCatalogBase && id < kCmdParentChooserBase) return {id, false};
  if (id >= kCmdParentChooserBase) return chooseParent(id);
  const CommandRow* row = findCommandRow(id);
  if (!row || !row->run) return {id, false};
  row->run();
  // Covers commands that change the selection or the history but refresh
  // no panel, such as a refused edit withdrawing its snapshot.
  relayoutIfStale();
  return {id, true};
}

}  // namespace vk
