// Fonts and text: CreateFontW, DrawTextW, TextOutW, ExtTextOutW and the
// text measuring calls. Glyphs come from FreeType with grayscale
// antialiasing; faces resolve through fontconfig, so a missing face never
// fails (it becomes the closest installed one).
#pragma once

#include <string>
#include <vector>

#include "platform/win_types.h"

#define LF_FACESIZE 32

#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_EXTRALIGHT 200
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_REGULAR 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_DEMIBOLD 600
#define FW_BOLD 700
#define FW_EXTRABOLD 800
#define FW_HEAVY 900

#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2

#define OUT_DEFAULT_PRECIS 0
#define OUT_TT_PRECIS 4
#define OUT_OUTLINE_PRECIS 8
#define CLIP_DEFAULT_PRECIS 0

#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define CLEARTYPE_QUALITY 5
#define CLEARTYPE_NATURAL_QUALITY 6

#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30

struct LOGFONTW {
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = 0;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = 0;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = 0;
  WCHAR lfFaceName[LF_FACESIZE] = {};
};

struct TEXTMETRICW {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  LONG tmOverhang = 0;
  LONG tmDigitizedAspectX = 96;
  LONG tmDigitizedAspectY = 96;
  WCHAR tmFirstChar = 0;
  WCHAR tmLastChar = 0;
  WCHAR tmDefaultChar = 0;
  WCHAR tmBreakChar = 0;
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
  BYTE tmStruckOut = 0;
  BYTE tmPitchAndFamily = 0;
  BYTE tmCharSet = 0;
};

// Negative height: em height in pixels; positive: cell height (ascent plus
// descent); zero: the default size. Width, escapement, orientation,
// strike-out, charset, precisions, quality and pitch are accepted and ignored.
HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight,
                  DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                  DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCWSTR faceName);

#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_TABSTOP 0x00000080
#define DT_NOCLIP 0x00000100
#define DT_EXTERNALLEADING 0x00000200
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#define DT_INTERNAL 0x00001000
#define DT_EDITCONTROL 0x00002000
#define DT_PATH_ELLIPSIS 0x00004000
#define DT_END_ELLIPSIS 0x00008000
#define DT_MODIFYSTRING 0x00010000
#define DT_RTLREADING 0x00020000
#define DT_WORD_ELLIPSIS 0x00040000
#define DT_NOFULLWIDTHCHARBREAK 0x00080000
#define DT_HIDEPREFIX 0x00100000
#define DT_PREFIXONLY 0x00200000
// The layer's own bit, with DT_WORDBREAK: a word wider than the line breaks
// across lines (after its last '/' or '\' that fits, where there is one), as a
// system message box breaks a long path. Without it such a word stays whole.
#define DT_VK_BREAKLONGWORDS 0x40000000

// length -1: the text is NUL-terminated. Returns the height of the text
// (with DT_VCENTER or DT_BOTTOM: the offset from rect->top to its bottom),
// 0 on failure. With DT_CALCRECT nothing is drawn and rect->right/bottom
// receive the text's extent. DT_EDITCONTROL draws only the lines the
// rectangle holds whole (the first at least); with DT_END_ELLIPSIS the last
// of them ends in "..." when text is left out below it.
int DrawTextW(HDC dc, LPCWSTR text, int length, RECT* rect, UINT format);

#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24
#define GDI_ERROR 0xFFFFFFFFu
UINT SetTextAlign(HDC dc, UINT align);

// Draws at (x, y) anchored by the DC's text alignment (TA_TOP | TA_LEFT by
// default); clipped only by the DC's clip.
BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int length);

#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004
// ETO_OPAQUE fills `rect` with the background colour first; ETO_CLIPPED
// clips the text to it. Per-character spacing (`dx`) is not supported.
BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text,
                 UINT length, const INT* dx);

// Width: the sum of the advances; height: the font's line height.
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int length, SIZE* size);
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);

// Forces one font file for every face and every fallback (tests and the
// headless backend use it so metrics do not depend on installed fonts).
// Null or empty restores fontconfig resolution.
void vkSetFontOverride(const char* fontFilePath);

// While a log is set, every DrawTextW that shows a text cut short appends the
// full text to it: a line ended in "...", or a visible line running past the
// clip on either side (tests count cut captions). Null stops logging.
void vkSetCutTextLog(std::vector<std::wstring>* log);
