#include "platform/dialog_internal.h"
namespace vk::platform {
void registerFileDialogClass() {}
}
BOOL GetOpenFileNameW(OPENFILENAMEW*) { return FALSE; }
BOOL GetSaveFileNameW(OPENFILENAMEW*) { return FALSE; }
DWORD CommDlgExtendedError() { return 0; }
