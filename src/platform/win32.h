// The platform layer's public face: the Win32-style API subset the studio
// is written against. Code outside src/platform includes only this header.
#pragma once

#include "platform/win_types.h"
#include "platform/kernel.h"
#include "platform/gdi.h"
#include "platform/text.h"
#include "platform/file_io.h"
#include "platform/image.h"
#include "platform/window.h"
#include "platform/controls.h"
#include "platform/menu.h"
#include "platform/dialogs.h"
#include "platform/line_scroll.h"
