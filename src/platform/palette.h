// The dark theme's colours by role: the platform layer's own controls and
// dialogs, the shell's chrome, the command and object icons, the timeline and
// texture preview panels and the viewport's drawing. A colour changes here,
// never at a drawing call.
#pragma once

#include "platform/win32.h"

namespace vk {

// ---- Text -------------------------------------------------------------------
inline constexpr COLORREF kTextPrimary = RGB(231, 239, 251);
inline constexpr COLORREF kTextSecondary = RGB(159, 177, 202);
inline constexpr COLORREF kTextControl = RGB(228, 234, 244);  // menu bar, menu items, labels, dialog buttons
inline constexpr COLORREF kTextButton = RGB(244, 248, 255);
inline constexpr COLORREF kTextMenuSelected = RGB(248, 252, 255);
inline constexpr COLORREF kTextTip = RGB(230, 238, 250);
inline constexpr COLORREF kTextStatus = RGB(116, 178, 255);
inline constexpr COLORREF kTextDisabled = RGB(96, 108, 126);
inline constexpr COLORREF kTextCaption = RGB(226, 232, 242);  // a top-level window's title
inline constexpr COLORREF kWhite = RGB(255, 255, 255);

// ---- Window, panels and cards -------------------------------------------------
inline constexpr COLORREF kWindowTop = RGB(7, 12, 20);
inline constexpr COLORREF kWindowBottom = RGB(12, 18, 29);
inline constexpr COLORREF kBackdropTop = RGB(18, 23, 31);  // menu bar, dialogs, the viewport's backdrop
inline constexpr COLORREF kBackdropBottom = RGB(13, 18, 26);
inline constexpr COLORREF kGlowUpperLeft = RGB(22, 82, 160);
inline constexpr COLORREF kGlowLowerRight = RGB(18, 64, 126);
inline constexpr COLORREF kGlowCentre = RGB(12, 42, 84);
inline constexpr COLORREF kControlBackground = RGB(24, 29, 38);  // the panel brush; glows fade into it
inline constexpr COLORREF kFieldBackground = RGB(24, 30, 40);    // the field brush
inline constexpr COLORREF kPanelFill = RGB(13, 20, 31);
inline constexpr COLORREF kPanelBorder = RGB(31, 45, 64);
inline constexpr COLORREF kPanelHeaderTop = RGB(15, 23, 35);
inline constexpr COLORREF kPanelHeaderBottom = RGB(12, 19, 30);
inline constexpr COLORREF kCardFill = RGB(10, 17, 27);
inline constexpr COLORREF kAccentBlue = RGB(49, 132, 255);
inline constexpr COLORREF kAccentBlueLight = RGB(93, 176, 255);
inline constexpr COLORREF kSectionHeaderFill = RGB(21, 30, 45);
inline constexpr COLORREF kSectionBandBorder = RGB(22, 35, 52);

// ---- Title bar, toolbar and status bar ---------------------------------------
inline constexpr COLORREF kTitleTop = RGB(7, 11, 18);
inline constexpr COLORREF kTitleBottom = RGB(6, 10, 16);
inline constexpr COLORREF kTitleLine = RGB(24, 34, 50);
inline constexpr COLORREF kToolbarTop = RGB(13, 19, 29);
inline constexpr COLORREF kToolbarBottom = RGB(10, 15, 24);
inline constexpr COLORREF kBarLine = RGB(29, 42, 61);  // under the toolbar, over the status bar
inline constexpr COLORREF kToolbarWell = RGB(12, 18, 28);
inline constexpr COLORREF kWellBorder = RGB(28, 42, 62);
inline constexpr COLORREF kStatusTop = RGB(10, 16, 26);
inline constexpr COLORREF kStatusWell = RGB(9, 16, 26);
inline constexpr COLORREF kStatusWellBorder = RGB(26, 40, 60);

// ---- Left rail, Left Tools, viewport area and inspector foot -----------------
inline constexpr COLORREF kActivityRailFill = RGB(8, 14, 23);
inline constexpr COLORREF kActivityRailBorder = RGB(28, 43, 64);
inline constexpr COLORREF kRailTabShadow = RGB(5, 9, 15);
inline constexpr COLORREF kRailTabBottom = RGB(12, 20, 32);
inline constexpr COLORREF kRailTabActiveTop = RGB(27, 100, 188);
inline constexpr COLORREF kRailTabActiveBottom = RGB(18, 70, 136);
inline constexpr COLORREF kRailTabBorder = RGB(32, 49, 72);
inline constexpr COLORREF kRailTabActiveBorder = RGB(77, 158, 255);
inline constexpr COLORREF kRailTabGlyph = RGB(135, 170, 210);
inline constexpr COLORREF kLeftToolsHeader = RGB(18, 27, 40);
inline constexpr COLORREF kLeftToolsCardBorder = RGB(25, 39, 58);
inline constexpr COLORREF kViewportAreaFill = RGB(7, 13, 22);
inline constexpr COLORREF kViewportAreaBorder = RGB(35, 57, 90);
inline constexpr COLORREF kViewportHeaderTop = RGB(14, 22, 34);
inline constexpr COLORREF kViewportHeaderBottom = RGB(10, 17, 28);
inline constexpr COLORREF kViewportHeaderLine = RGB(31, 53, 84);
inline constexpr COLORREF kToolStripWell = RGB(8, 15, 25);
inline constexpr COLORREF kToolStripBorder = RGB(32, 52, 80);
inline constexpr COLORREF kInspectorFootBottom = RGB(8, 13, 21);
inline constexpr COLORREF kInspectorFootLine = RGB(32, 48, 70);

// ---- Buttons, menu bar and popup items ----------------------------------------
inline constexpr COLORREF kButtonTop = RGB(34, 41, 53);
inline constexpr COLORREF kButtonBottom = RGB(25, 31, 41);
inline constexpr COLORREF kButtonAccentTop = RGB(34, 110, 205);
inline constexpr COLORREF kButtonAccentBottom = RGB(25, 78, 150);
inline constexpr COLORREF kButtonShadow = RGB(8, 11, 16);
inline constexpr COLORREF kButtonBorder = RGB(58, 68, 84);
inline constexpr COLORREF kButtonAccentBorder = RGB(73, 154, 255);  // also the hover tip's frame
inline constexpr COLORREF kButtonFocusBorder = RGB(118, 180, 255);
inline constexpr COLORREF kMenuBarFocus = RGB(78, 151, 245);
inline constexpr COLORREF kMenuItemTop = RGB(20, 25, 34);
inline constexpr COLORREF kMenuItemBottom = RGB(17, 22, 30);  // also the hover tip's lower edge
inline constexpr COLORREF kSelectionFill = RGB(38, 93, 165);
inline constexpr COLORREF kMenuItemSelectedBottom = RGB(28, 64, 116);
inline constexpr COLORREF kSeparator = RGB(43, 52, 66);
inline constexpr COLORREF kMenuItemSelectedLine = RGB(64, 128, 220);
inline constexpr COLORREF kMenuSubmenuArrow = RGB(138, 205, 255);

// ---- Message-box icons ----------------------------------------------------------
inline constexpr COLORREF kMessageError = RGB(214, 64, 69);
inline constexpr COLORREF kMessageWarning = RGB(236, 178, 46);  // also a file dialog's folder

// ---- Modal dialog ---------------------------------------------------------------
inline constexpr COLORREF kDialogTitleTop = RGB(24, 31, 42);
inline constexpr COLORREF kDialogTitleBottom = RGB(19, 24, 33);
inline constexpr COLORREF kDialogTitleLine = RGB(51, 61, 76);
inline constexpr COLORREF kDialogAccent = RGB(54, 143, 246);
inline constexpr COLORREF kDialogWarningAccent = RGB(197, 73, 79);

// ---- Command and object icons ---------------------------------------------------
inline constexpr COLORREF kIconDefault = RGB(190, 210, 238);
inline constexpr COLORREF kIconHighlighted = RGB(245, 250, 255);
inline constexpr COLORREF kIconWell = RGB(15, 21, 30);  // the glyph's fill is tinted from it
// Hues several commands share (a primitive with its tools and edits); the
// yellow also marks the selection and snap in the viewport, the cyan curves.
inline constexpr COLORREF kIconBlue = RGB(92, 174, 255);
inline constexpr COLORREF kIconMint = RGB(92, 220, 178);
inline constexpr COLORREF kIconViolet = RGB(194, 132, 255);
inline constexpr COLORREF kIconOrange = RGB(255, 176, 88);
inline constexpr COLORREF kIconCoral = RGB(255, 120, 110);
inline constexpr COLORREF kIconTeal = RGB(100, 205, 240);
inline constexpr COLORREF kHighlightYellow = RGB(255, 224, 98);
// One role each.
inline constexpr COLORREF kIconFile = RGB(175, 195, 222);
inline constexpr COLORREF kIconSave = RGB(178, 220, 255);
inline constexpr COLORREF kIconText = RGB(255, 229, 112);
inline constexpr COLORREF kIconCamera = RGB(143, 218, 255);
inline constexpr COLORREF kIconCameraObject = RGB(145, 218, 255);
inline constexpr COLORREF kIconLight = RGB(255, 215, 96);
inline constexpr COLORREF kIconEmpty = RGB(160, 174, 196);
inline constexpr COLORREF kIconGroup = RGB(126, 178, 255);
inline constexpr COLORREF kIconParent = RGB(150, 204, 255);
inline constexpr COLORREF kIconUnparent = RGB(255, 184, 112);
inline constexpr COLORREF kIconVisibility = RGB(165, 220, 255);
inline constexpr COLORREF kIconLock = RGB(255, 216, 130);
inline constexpr COLORREF kCurveCyan = RGB(105, 210, 255);
inline constexpr COLORREF kIconHistory = RGB(200, 218, 255);
inline constexpr COLORREF kIconDelete = RGB(255, 136, 136);
inline constexpr COLORREF kIconDeleteComponent = RGB(255, 110, 110);
inline constexpr COLORREF kIconReset = RGB(205, 217, 234);
inline constexpr COLORREF kIconView = RGB(180, 202, 230);
inline constexpr COLORREF kSkyBlue = RGB(140, 210, 255);
inline constexpr COLORREF kIconProjection = RGB(150, 190, 255);
inline constexpr COLORREF kIconShading = RGB(160, 204, 255);
inline constexpr COLORREF kIconArray = RGB(120, 190, 255);
inline constexpr COLORREF kIconBevel = RGB(255, 188, 112);
inline constexpr COLORREF kIconSolidify = RGB(142, 220, 255);
inline constexpr COLORREF kIconMaterial = RGB(228, 174, 74);
inline constexpr COLORREF kIconLighting = RGB(255, 216, 112);
inline constexpr COLORREF kIconStarter = RGB(138, 226, 255);
inline constexpr COLORREF kAxisXRed = RGB(235, 78, 78);
inline constexpr COLORREF kAxisYGreen = RGB(86, 210, 120);
inline constexpr COLORREF kAxisZBlue = RGB(86, 150, 255);

// ---- Outliner rows and the inspector scrollbar ----------------------------------
inline constexpr COLORREF kOutlinerSelectedTop = RGB(45, 118, 206);
inline constexpr COLORREF kOutlinerSelectedBottom = RGB(35, 83, 148);
inline constexpr COLORREF kOutlinerSelectedBorder = RGB(74, 151, 255);
inline constexpr COLORREF kOutlinerHiddenText = RGB(112, 124, 142);
inline constexpr COLORREF kOutlinerLockedText = RGB(168, 178, 194);
inline constexpr COLORREF kOutlinerDetail = RGB(132, 170, 220);
inline constexpr COLORREF kOutlinerSelectedDetail = RGB(226, 240, 255);
inline constexpr COLORREF kScrollTrackTop = RGB(8, 14, 22);
inline constexpr COLORREF kScrollTrackBorder = RGB(32, 51, 78);
inline constexpr COLORREF kScrollThumb = RGB(48, 95, 155);
inline constexpr COLORREF kScrollThumbBorder = RGB(32, 68, 118);
inline constexpr COLORREF kScrollThumbDragged = RGB(82, 160, 255);
inline constexpr COLORREF kScrollThumbDraggedBorder = RGB(47, 105, 185);
inline constexpr COLORREF kScrollGrip = RGB(108, 185, 255);
inline constexpr COLORREF kScrollGripIdle = RGB(45, 64, 86);

// ---- Timeline panel and texture preview -------------------------------------------
inline constexpr COLORREF kTimelineLabelsFill = RGB(12, 18, 28);
inline constexpr COLORREF kTimelineTrackFill = RGB(9, 15, 24);
inline constexpr COLORREF kTimelineRowActive = RGB(19, 34, 54);
inline constexpr COLORREF kTimelineRowOdd = RGB(14, 22, 34);
inline constexpr COLORREF kTimelineRowEven = RGB(11, 18, 29);
inline constexpr COLORREF kTimelineRowLine = RGB(26, 38, 56);
inline constexpr COLORREF kTimelineTick = RGB(35, 52, 76);
// Key diamonds by track; a selected key is outlined in kWhite.
inline constexpr COLORREF kTimelineKeyTransform = RGB(49, 132, 255);
inline constexpr COLORREF kTimelineKeyPosition = RGB(72, 180, 255);
inline constexpr COLORREF kTimelineKeyRotation = RGB(120, 200, 120);
inline constexpr COLORREF kTimelineKeyScale = RGB(245, 190, 82);
inline constexpr COLORREF kTimelineKeyCamera = RGB(90, 220, 255);
inline constexpr COLORREF kTimelineKeyLight = RGB(255, 218, 96);
inline constexpr COLORREF kTexturePreviewFill = RGB(22, 27, 36);
inline constexpr COLORREF kTexturePreviewBorder = RGB(64, 74, 90);
inline constexpr COLORREF kTexturePreviewTitle = RGB(214, 226, 242);
inline constexpr COLORREF kTexturePreviewCheckerLight = RGB(58, 64, 78);
inline constexpr COLORREF kTexturePreviewCheckerDark = RGB(38, 44, 56);
inline constexpr COLORREF kTexturePreviewBoxBorder = RGB(96, 104, 120);
inline constexpr COLORREF kTexturePreviewDetail = RGB(182, 194, 212);

// ---- Viewport ---------------------------------------------------------------------
inline constexpr COLORREF kViewportHud = RGB(188, 200, 218);
inline constexpr COLORREF kViewportNotice = RGB(255, 208, 118);
inline constexpr COLORREF kViewportGrid = RGB(42, 50, 63);
inline constexpr COLORREF kGridAxisX = RGB(220, 82, 82);
inline constexpr COLORREF kGridAxisZ = RGB(67, 141, 255);
inline constexpr COLORREF kGridAxisXLabel = RGB(235, 110, 110);
inline constexpr COLORREF kGridAxisZLabel = RGB(110, 168, 255);
inline constexpr COLORREF kWorldOrigin = RGB(235, 241, 250);
inline constexpr COLORREF kWorldOriginLabel = RGB(220, 230, 244);
inline constexpr COLORREF kPreviewLabel = RGB(118, 205, 255);
inline constexpr COLORREF kOriginMarker = RGB(92, 108, 132);
inline constexpr COLORREF kOriginMarkerFill = RGB(54, 66, 84);
inline constexpr COLORREF kOriginLabel = RGB(232, 240, 255);
inline constexpr COLORREF kEditEdgeDim = RGB(70, 88, 110);
inline constexpr COLORREF kEditComponentEdge = RGB(130, 184, 230);
inline constexpr COLORREF kEditSelectedComponent = RGB(255, 232, 104);
inline constexpr COLORREF kEditFaceOutline = RGB(78, 94, 118);
inline constexpr COLORREF kEditVertexFill = RGB(90, 178, 220);
inline constexpr COLORREF kEditFaceCentre = RGB(96, 108, 130);
inline constexpr COLORREF kEditSelectedFill = RGB(255, 246, 176);
inline constexpr COLORREF kCurvePointLabel = RGB(175, 230, 255);
inline constexpr COLORREF kCurveHandle = RGB(125, 150, 180);
inline constexpr COLORREF kCurveNameLabel = RGB(255, 235, 140);
inline constexpr COLORREF kGizmoWell = RGB(18, 24, 34);
inline constexpr COLORREF kGizmoSnapOff = RGB(148, 170, 204);
inline constexpr COLORREF kGlyphSelected = RGB(168, 214, 255);
inline constexpr COLORREF kGlyphPlaneEdge = RGB(196, 220, 210);
inline constexpr COLORREF kGlyphSphereEdge = RGB(220, 210, 245);
inline constexpr COLORREF kGlyphCylinderEdge = RGB(235, 220, 198);
inline constexpr COLORREF kGlyphConeEdge = RGB(245, 204, 198);
inline constexpr COLORREF kGlyphTorusEdge = RGB(180, 235, 250);
inline constexpr COLORREF kGlyphCubeEdge = RGB(210, 222, 245);
inline constexpr COLORREF kGlyphCubeSelectedEdge = RGB(112, 180, 255);
inline constexpr COLORREF kGlyphTextSelected = RGB(255, 230, 120);
inline constexpr COLORREF kGlyphCameraLightSelected = RGB(255, 211, 86);
inline constexpr COLORREF kGlyphLight = RGB(255, 226, 112);
inline constexpr COLORREF kGlyphFill = RGB(23, 29, 38);
inline constexpr COLORREF kCameraCaption = RGB(150, 166, 190);
inline constexpr COLORREF kFrustum = RGB(116, 155, 190);
inline constexpr COLORREF kFrustumFar = RGB(62, 82, 105);
inline constexpr COLORREF kFrustumActive = RGB(92, 218, 255);
inline constexpr COLORREF kFrustumActiveFar = RGB(48, 126, 156);
inline constexpr COLORREF kFrustumSelected = RGB(255, 221, 92);
inline constexpr COLORREF kFrustumSelectedFar = RGB(144, 124, 58);
inline constexpr COLORREF kFramingInside = RGB(116, 238, 170);
inline constexpr COLORREF kFramingOutside = RGB(255, 126, 104);
inline constexpr COLORREF kLetterbox = RGB(9, 12, 17);
inline constexpr COLORREF kCameraFrame = RGB(139, 209, 255);
inline constexpr COLORREF kCameraFrameGuide = RGB(75, 105, 135);
inline constexpr COLORREF kCameraFrameCaption = RGB(173, 221, 255);
inline constexpr COLORREF kMeshOutline = RGB(58, 72, 92);
inline constexpr COLORREF kMeshOutlineForced = RGB(92, 118, 144);
inline constexpr COLORREF kMeshOutlineForcedSelected = RGB(150, 205, 245);
inline constexpr COLORREF kMeshWire = RGB(96, 132, 166);  // also the selected outline and the proxy box
inline constexpr COLORREF kMeshWireSelected = RGB(174, 222, 255);
inline constexpr COLORREF kMeshEdge = RGB(100, 122, 148);
inline constexpr COLORREF kMeshEdgeSelected = RGB(184, 226, 255);
inline constexpr COLORREF kMeshSolid = RGB(78, 92, 112);
inline constexpr COLORREF kMeshSolidSelected = RGB(104, 126, 154);
inline constexpr COLORREF kMeshSelectedEdgeOverlay = RGB(104, 172, 255);
inline constexpr COLORREF kProxyLabel = RGB(168, 188, 214);
inline constexpr COLORREF kProxyLabelEmphasis = RGB(255, 232, 128);

}  // namespace vk
