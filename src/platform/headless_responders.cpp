// The scripted answers and records behind headless_responders.h.
#include "platform/headless_responders.h"

#include <deque>

#include "platform/dialogs.h"
#include "platform/headless.h"

namespace vk::headless {

namespace {

struct Script {
  bool show = false;
  INT_PTR value = 0;
  std::wstring path;
};

struct Responders {
  bool headless = false;
  std::deque<Script> boxes;
  std::deque<Script> files;
  std::deque<Script> menus;
  std::vector<MessageBoxRecord> boxRecords;
  std::vector<FileDialogRecord> fileRecords;
  std::vector<MenuRecord> menuRecords;
};

// The layer's own table: one set of scripts per headless run.
Responders& state() {
  static Responders r;
  return r;
}

bool next(std::deque<Script>& queue, Script& out) {
  if (queue.empty()) return false;
  out = queue.front();
  queue.pop_front();
  return true;
}

void flatten(const std::vector<MenuItemRecord>& items, std::vector<std::wstring>& out) {
  for (const auto& item : items) {
    out.push_back(item.separator ? L"----" : item.label);
    flatten(item.submenu, out);
  }
}

}  // namespace

void answerMessageBox(int buttonId) { state().boxes.push_back(Script{false, buttonId, {}}); }
void showNextMessageBox() { state().boxes.push_back(Script{true, 0, {}}); }
void answerFileDialog(const std::wstring& path) { state().files.push_back(Script{false, TRUE, path}); }
void cancelFileDialog() { state().files.push_back(Script{false, FALSE, {}}); }
void showNextFileDialog() { state().files.push_back(Script{true, 0, {}}); }
void answerMenu(UINT_PTR commandId) { state().menus.push_back(Script{false, static_cast<INT_PTR>(commandId), {}}); }
void dismissMenu() { state().menus.push_back(Script{false, 0, {}}); }
void showNextMenu() { state().menus.push_back(Script{true, 0, {}}); }

std::size_t pendingAnswers() { return state().boxes.size() + state().files.size() + state().menus.size(); }

const std::vector<MessageBoxRecord>& messageBoxes() { return state().boxRecords; }
const std::vector<FileDialogRecord>& fileDialogs() { return state().fileRecords; }
const std::vector<MenuRecord>& menus() { return state().menuRecords; }

void clearResponders() {
  bool headless = state().headless;
  state() = Responders{};
  state().headless = headless;
}

void resetResponders(bool headlessRunning) {
  state() = Responders{};
  state().headless = headlessRunning;
}

}  // namespace vk::headless

namespace vk::platform {

using namespace vk::headless;

namespace {

// Settles a request from its kind's script, else the responder, else (in a
// headless run) with `headlessDefault`; Show when it must open for real.
template <class Record, class Apply>
ScriptOutcome settle(std::deque<Script>& queue, const ModalRequest& request, Record& record,
                     std::vector<Record>& records, INT_PTR headlessDefault, Apply apply) {
  Script s;
  ModalAnswer answer;
  if (next(queue, s)) {
    if (s.show) return ScriptOutcome::Show;
    apply(s.value, s.path);
    record.how = Settled::Scripted;
  } else if (respond(request, answer)) {
    apply(answer.result, answer.text);
    record.how = Settled::Responder;
  } else if (state().headless) {
    apply(headlessDefault, std::wstring());
    record.how = Settled::Default;
  } else {
    return ScriptOutcome::Show;
  }
  records.push_back(record);
  return ScriptOutcome::Answered;
}

}  // namespace

ScriptOutcome scriptMessageBox(MessageBoxRecord& record) {
  ModalRequest request{L"messagebox", record.owner, record.title, record.text, {}, record.flags};
  return settle(state().boxes, request, record, state().boxRecords, messageBoxDefaultAnswer(record.flags),
                [&](INT_PTR value, const std::wstring&) { record.result = static_cast<int>(value); });
}

ScriptOutcome scriptFileDialog(FileDialogRecord& record) {
  ModalRequest request{record.save ? L"savefile" : L"openfile", record.owner, record.title, record.defaultName,
                       {}, record.flags};
  for (const auto& [label, patterns] : record.filters) {
    request.items.push_back(label);
    request.items.push_back(patterns);
  }
  return settle(state().files, request, record, state().fileRecords, FALSE,
                [&](INT_PTR value, const std::wstring& path) {
                  record.chosen = value != 0;
                  record.path = record.chosen ? path : std::wstring();
                });
}

ScriptOutcome scriptMenu(MenuRecord& record) {
  ModalRequest request{L"menu", record.owner, {}, {}, {}, record.flags};
  flatten(record.items, request.items);
  return settle(state().menus, request, record, state().menuRecords, 0,
                [&](INT_PTR value, const std::wstring&) { record.result = static_cast<UINT_PTR>(value); });
}

void recordMessageBox(const MessageBoxRecord& record) {
  state().boxRecords.push_back(record);
  state().boxRecords.back().how = Settled::Shown;
}
void recordFileDialog(const FileDialogRecord& record) {
  state().fileRecords.push_back(record);
  state().fileRecords.back().how = Settled::Shown;
}
void recordMenu(const MenuRecord& record) {
  state().menuRecords.push_back(record);
  state().menuRecords.back().how = Settled::Shown;
}

}  // namespace vk::platform
