// Undo and redo by whole-project snapshots. A snapshot shares every object
// (and mesh) that did not change with the live project (copy-on-write, see
// object_list.h), so taking one costs a pointer per object plus a copy of the
// objects written since the previous snapshot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "model/app_state.h"

namespace vk {

inline constexpr std::size_t kUndoLimit = 80;

// What one push displaced, so that a command refused after its snapshot can
// put both stacks back exactly (see withdrawUndoSnapshot).
struct UndoPushToken {
  std::uint64_t stacksVersion = 0;  // 0: nothing to withdraw
  std::optional<ProjectSnapshot> droppedOldest;  // the entry the 80 limit removed
  std::vector<ProjectSnapshot> redoStack;        // the redo history the push cleared
};

// The project, selection, modes, id counter and component selections.
ProjectSnapshot makeSnapshot();

// Appends a snapshot of the current state (dropping the oldest beyond 80)
// and empties the redo stack. Keep the token only if the command may still
// be refused after this point.
UndoPushToken pushUndoSnapshot();

// Takes back the snapshot of a refused command: the undo stack loses it and
// regains a dropped oldest entry, the redo stack returns. Returns false and
// changes nothing when either stack changed since the push.
bool withdrawUndoSnapshot(UndoPushToken& token);

// One command's edit, framed once: check, snapshot, change, mark dirty,
// refresh. Begin it once the command's checks have passed (the undo
// snapshot is taken then), change the project, then commit. Left without a
// commit -- the command refused, or found nothing to change, after the
// snapshot -- it takes its snapshot back, so both stacks are as they were.
class EditTransaction {
 public:
  EditTransaction() : token_(pushUndoSnapshot()) {}
  ~EditTransaction() {
    if (open_) withdrawUndoSnapshot(token_);
  }
  EditTransaction(const EditTransaction&) = delete;
  EditTransaction& operator=(const EditTransaction&) = delete;

  // Marks the project dirty and refreshes every panel.
  void commit();
  // Marks the project dirty only, for a command that refreshes selectively.
  void commitDirty();

 private:
  UndoPushToken token_;
  bool open_ = true;
};

// kCmdUndo (Ctrl+Z) and kCmdRedo (Ctrl+Y).
void undoLastSnapshot();
void redo();

// Writes a snapshot back into the application state, repairs the restored
// project and the selections, marks the project dirty and refreshes.
bool restoreSnapshot(const ProjectSnapshot& snapshot);

}  // namespace vk
