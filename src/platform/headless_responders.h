// Scripted answers for message boxes, file dialogs and popup menus, and a
// record of every one shown, for tests and external test programs.
//
// Each kind has its own queue. A scripted answer settles the next request
// of its kind without showing anything; a "show" entry lets the next one
// open for real, to be driven with synthetic input. With the queue empty,
// a responder set with setResponder (headless.h) is asked; when none
// answers, a headless message box answers its default button and a file
// dialog or menu cancels. Under a real backend nothing is scripted and
// everything shows.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/win32.h"

namespace vk::headless {

enum class Settled { Scripted, Responder, Default, Shown };

struct MessageBoxRecord {
  HWND owner = nullptr;
  std::wstring title;
  std::wstring text;
  UINT flags = 0;
  int result = 0;
  Settled how = Settled::Default;
};

struct FileDialogRecord {
  bool save = false;
  HWND owner = nullptr;
  std::wstring title;
  std::vector<std::pair<std::wstring, std::wstring>> filters;  // (label, patterns)
  DWORD filterIndex = 0;
  std::wstring defaultName;       // the buffer's text when the dialog opened
  std::wstring defaultExtension;
  DWORD flags = 0;
  std::wstring initialFolder;     // where the dialog opened (Shown) or would have
  bool chosen = false;
  std::wstring path;
  Settled how = Settled::Default;
};

struct MenuItemRecord {
  UINT_PTR id = 0;  // 0 for separators and submenus
  UINT flags = 0;   // MF_* as appended
  // MF_STRING text, or for MF_OWNERDRAW the text its item data points to
  // (the studio passes its label's wide string as item data).
  std::wstring label;
  bool separator = false;
  std::vector<MenuItemRecord> submenu;
};

struct MenuRecord {
  HWND owner = nullptr;
  UINT flags = 0;  // TPM_*
  POINT at{};
  std::vector<MenuItemRecord> items;
  UINT_PTR result = 0;
  Settled how = Settled::Default;
};

// ---- Scripting (answers are used in order, one per request) ----
void answerMessageBox(int buttonId);
void showNextMessageBox();
void answerFileDialog(const std::wstring& path);
void cancelFileDialog();
void showNextFileDialog();
void answerMenu(UINT_PTR commandId);
void dismissMenu();
void showNextMenu();
// Answers not used yet, of every kind.
std::size_t pendingAnswers();

// ---- Records, oldest first ----
const std::vector<MessageBoxRecord>& messageBoxes();
const std::vector<FileDialogRecord>& fileDialogs();
const std::vector<MenuRecord>& menus();
// Forgets every script and record.
void clearResponders();

// Called by start() and stop(): records and scripts go, and whether the
// headless backend is the one running.
void resetResponders(bool headlessRunning);

}  // namespace vk::headless

namespace vk::platform {

// For the modal code: how the request is settled before anything shows.
enum class ScriptOutcome { Show, Answered };
ScriptOutcome scriptMessageBox(vk::headless::MessageBoxRecord& record);
ScriptOutcome scriptFileDialog(vk::headless::FileDialogRecord& record);
ScriptOutcome scriptMenu(vk::headless::MenuRecord& record);
// The button a message box of these MB_* flags answers by default.
int messageBoxDefaultAnswer(UINT flags);
// Records a request that was shown, with its final result.
void recordMessageBox(const vk::headless::MessageBoxRecord& record);
void recordFileDialog(const vk::headless::FileDialogRecord& record);
void recordMenu(const vk::headless::MenuRecord& record);

}  // namespace vk::platform
