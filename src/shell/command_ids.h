// Every command and control id of the main window, by what it does. A
// button's control id is the command it sends, so one name serves both; the
// groups follow the command table. Add new ids here, never as literals.
#pragma once

namespace vk {

// ---- File and exchange formats --------------------------------------------
inline constexpr int kCmdNewProject = 1001;
inline constexpr int kCmdOpenProject = 1002;
inline constexpr int kCmdSaveProject = 1003;
inline constexpr int kCmdSaveProjectAs = 1004;
inline constexpr int kCmdExit = 1005;
inline constexpr int kCmdImportObj = 1006;
inline constexpr int kCmdExportObj = 1007;
inline constexpr int kCmdExportGltf = 1008;
inline constexpr int kCmdImportGltfDeferred = 1009;
inline constexpr int kCmdExportSelectedGlb = 1010;
inline constexpr int kCmdExportGlbScene = 1011;

// ---- Create ---------------------------------------------------------------
inline constexpr int kCmdAddCube = 1101;
inline constexpr int kCmdAddCamera = 1102;
inline constexpr int kCmdAddPointLight = 1103;
inline constexpr int kCmdAddEmpty = 1104;
inline constexpr int kCmdAddPlane = 1105;
inline constexpr int kCmdAddSphere = 1106;
inline constexpr int kCmdAddCylinder = 1107;
inline constexpr int kCmdAddCone = 1108;
inline constexpr int kCmdAddTextMesh = 1109;
inline constexpr int kCmdAddDirectionalLight = 1110;
inline constexpr int kCmdAddTorus = 1111;
inline constexpr int kCmdAddSpotLight = 1112;
inline constexpr int kCmdAddAreaLight = 1113;
inline constexpr int kCmdAddLineCurve = 1120;
inline constexpr int kCmdAddBezierCurve = 1121;
inline constexpr int kCmdAddCircleCurve = 1122;
inline constexpr int kCmdAddRectangleCurve = 1123;

// ---- Object ---------------------------------------------------------------
inline constexpr int kCmdDuplicateSelected = 1201;
inline constexpr int kCmdDeleteSelected = 1202;
inline constexpr int kCmdResetTransform = 1203;
inline constexpr int kCmdUndo = 1204;
inline constexpr int kCmdRedo = 1205;
inline constexpr int kCmdApplyInspector = 1301;
inline constexpr int kCmdShowPhaseNotes = 1401;
inline constexpr int kCmdShowCopyright = 1402;

// ---- View -----------------------------------------------------------------
inline constexpr int kCmdResetView = 1501;
inline constexpr int kCmdFrameSelected = 1502;
inline constexpr int kCmdToggleProjection = 1503;  // also the projection dropdown button
inline constexpr int kCmdToggleCameraView = 1504;
inline constexpr int kCmdSetSelectedCameraActive = 1505;
inline constexpr int kCmdClearActiveCamera = 1506;
inline constexpr int kCmdToggleFrustumGuides = 1507;
inline constexpr int kCmdToggleLookTargets = 1508;
inline constexpr int kCmdPerspective = 1509;
inline constexpr int kCmdShadingWireframe = 1510;
inline constexpr int kCmdShadingSolid = 1511;
inline constexpr int kCmdShadingLit = 1512;
inline constexpr int kCmdShadingMaterialPreview = 1513;
inline constexpr int kCmdCycleShading = 1514;
inline constexpr int kCmdOrthographic = 1534;
inline constexpr int kCmdNavigateOrbit = 1535;
inline constexpr int kCmdNavigatePan = 1536;
inline constexpr int kCmdNavigateDolly = 1537;
inline constexpr int kCmdNavigateCameraAim = 1538;

// ---- Render ---------------------------------------------------------------
inline constexpr int kCmdExportStillPng = 1520;
inline constexpr int kCmdExportStillJpeg = 1521;
inline constexpr int kCmdRenderSourceCamera = 1522;
inline constexpr int kCmdRenderSourceViewport = 1523;
inline constexpr int kCmdRenderSizeViewport = 1524;
inline constexpr int kCmdRenderSize720p = 1525;
inline constexpr int kCmdRenderSize1080p = 1526;
inline constexpr int kCmdRenderSize1440p = 1527;
inline constexpr int kCmdToggleRenderCameraCrop = 1528;
inline constexpr int kCmdShowRenderSettings = 1529;
inline constexpr int kCmdExportActiveCameraPng = 1530;
inline constexpr int kCmdExportViewportPng = 1531;
inline constexpr int kCmdExportActiveCameraJpeg = 1532;
inline constexpr int kCmdExportViewportJpeg = 1533;

// ---- Timeline -------------------------------------------------------------
inline constexpr int kCmdTimelineGoToStart = 1540;
inline constexpr int kCmdTimelinePreviousFrame = 1541;
inline constexpr int kCmdTimelineNextFrame = 1542;
inline constexpr int kCmdTimelineGoToEnd = 1543;
inline constexpr int kCmdApplyTimelineFields = 1544;
inline constexpr int kCmdResetTimelineRange = 1545;
inline constexpr int kCmdToggleLoopPlayback = 1546;
inline constexpr int kCmdToggleTimelinePanel = 1547;
inline constexpr int kCmdFocusTimelineOnSelection = 1548;

// ---- Keyframes ------------------------------------------------------------
inline constexpr int kCmdSetTransformKey = 1550;
inline constexpr int kCmdDeleteTransformKey = 1551;
inline constexpr int kCmdPreviousTransformKey = 1552;
inline constexpr int kCmdNextTransformKey = 1553;
inline constexpr int kCmdApplyTransformKeys = 1554;
inline constexpr int kCmdClearTransformKeys = 1555;
inline constexpr int kCmdSetCameraKey = 1560;
inline constexpr int kCmdDeleteCameraKey = 1561;
inline constexpr int kCmdPreviousCameraKey = 1562;
inline constexpr int kCmdNextCameraKey = 1563;
inline constexpr int kCmdApplyCameraKeys = 1564;
inline constexpr int kCmdClearCameraKeys = 1565;
inline constexpr int kCmdSetLightKey = 1566;
inline constexpr int kCmdDeleteLightKey = 1567;
inline constexpr int kCmdPreviousLightKey = 1568;
inline constexpr int kCmdNextLightKey = 1569;
inline constexpr int kCmdApplyLightKeys = 1570;
inline constexpr int kCmdClearLightKeys = 1571;
inline constexpr int kCmdSelectCurrentFrameKey = 1572;
inline constexpr int kCmdApplyKeyInspectorFields = 1573;
inline constexpr int kCmdCaptureKeyValues = 1574;
inline constexpr int kCmdApplyKeyToObject = 1575;
inline constexpr int kCmdDeleteInspectorKey = 1576;
inline constexpr int kCmdSelectPreviousInspectorKey = 1577;
inline constexpr int kCmdSelectNextInspectorKey = 1578;
inline constexpr int kCmdKeyInterpolationLinear = 1579;
inline constexpr int kCmdKeyInterpolationHold = 1580;
inline constexpr int kCmdKeyInterpolationEaseIn = 1581;
inline constexpr int kCmdKeyInterpolationEaseOut = 1582;
inline constexpr int kCmdKeyInterpolationEaseInOut = 1583;

// ---- Presets --------------------------------------------------------------
inline constexpr int kCmdTogglePresetBrowser = 1590;
inline constexpr int kCmdPreviousPreset = 1591;
inline constexpr int kCmdNextPreset = 1592;
inline constexpr int kCmdPreviewPreset = 1593;
inline constexpr int kCmdApplyPreset = 1594;
inline constexpr int kCmdPresetCategoryAll = 1595;
inline constexpr int kCmdPresetCategoryStarter = 1596;
inline constexpr int kCmdPresetCategoryMaterial = 1597;
inline constexpr int kCmdPresetCategoryLighting = 1598;
inline constexpr int kCmdPresetCategoryCamera = 1599;
inline constexpr int kCmdPresetCategoryAnimation = 1600;

// ---- Capsules -------------------------------------------------------------
inline constexpr int kCmdToggleCapsuleBrowser = 1610;
inline constexpr int kCmdPreviousCapsule = 1611;
inline constexpr int kCmdNextCapsule = 1612;
inline constexpr int kCmdPreviewCapsule = 1613;
inline constexpr int kCmdApplyCapsule = 1614;
inline constexpr int kCmdCapsuleCategoryAll = 1615;
inline constexpr int kCmdCapsuleCategoryObjectKit = 1616;
inline constexpr int kCmdCapsuleCategoryWorkflow = 1617;
inline constexpr int kCmdCapsuleCategoryStarter = 1618;
inline constexpr int kCmdCapsuleCategoryExperimental = 1619;
inline constexpr int kCmdCapsuleCategoryMaterial = 1620;
inline constexpr int kCmdCapsuleCategoryLighting = 1621;

// ---- Tools, axis, snap, modes ---------------------------------------------
inline constexpr int kCmdToolSelect = 1701;
inline constexpr int kCmdToolMove = 1702;
inline constexpr int kCmdToolRotate = 1703;
inline constexpr int kCmdToolScale = 1704;
inline constexpr int kCmdAxisFree = 1710;
inline constexpr int kCmdAxisX = 1711;
inline constexpr int kCmdAxisY = 1712;
inline constexpr int kCmdAxisZ = 1713;
inline constexpr int kCmdToggleSnap = 1720;
inline constexpr int kCmdObjectMode = 1730;
inline constexpr int kCmdEditMeshMode = 1731;
inline constexpr int kCmdVertexSelection = 1732;
inline constexpr int kCmdEdgeSelection = 1733;
inline constexpr int kCmdFaceSelection = 1734;
inline constexpr int kCmdClearComponentSelection = 1735;
inline constexpr int kCmdEditCurveMode = 1736;

// ---- Mesh -----------------------------------------------------------------
inline constexpr int kCmdMeshExtrude = 1740;
inline constexpr int kCmdMeshDeleteComponent = 1741;
inline constexpr int kCmdMeshMerge = 1742;
inline constexpr int kCmdMeshFlipNormals = 1743;
inline constexpr int kCmdMeshRecalculateNormals = 1744;
inline constexpr int kCmdMeshInsetFaces = 1745;
inline constexpr int kCmdMeshBevel = 1746;
inline constexpr int kCmdMeshBridgeEdges = 1747;
inline constexpr int kCmdMeshLoopCut = 1748;
inline constexpr int kCmdMeshFillFace = 1749;
inline constexpr int kCmdMeshSeparateFaces = 1750;
inline constexpr int kCmdMeshJoinVisible = 1751;

// ---- Imported meshes ------------------------------------------------------
inline constexpr int kCmdToggleImportedReadOnly = 1752;
inline constexpr int kCmdConvertImportedToEditable = 1753;
inline constexpr int kCmdRecoverImportedEditSafety = 1754;
inline constexpr int kCmdReimportSourceAsset = 1755;

// ---- Curve ----------------------------------------------------------------
inline constexpr int kCmdCurveAddPoint = 1760;
inline constexpr int kCmdCurveDeletePoints = 1761;
inline constexpr int kCmdCurveConvertToMesh = 1762;

// ---- Hierarchy ------------------------------------------------------------
inline constexpr int kCmdNewGroup = 1801;
inline constexpr int kCmdParentSelected = 1802;
inline constexpr int kCmdUnparentSelected = 1803;
inline constexpr int kCmdToggleVisibility = 1804;
inline constexpr int kCmdToggleLock = 1805;

// ---- Modifiers ------------------------------------------------------------
inline constexpr int kCmdAddMirrorModifier = 1901;
inline constexpr int kCmdAddArrayModifier = 1902;
inline constexpr int kCmdAddBevelModifier = 1903;
inline constexpr int kCmdAddSolidifyModifier = 1904;
inline constexpr int kCmdAddSubdivisionModifier = 1905;
inline constexpr int kCmdAddBendModifier = 1906;
inline constexpr int kCmdAddTwistModifier = 1907;
inline constexpr int kCmdAddTaperModifier = 1908;
inline constexpr int kCmdAddLatticeModifier = 1909;
inline constexpr int kCmdSelectPreviousModifier = 1910;
inline constexpr int kCmdSelectNextModifier = 1911;
inline constexpr int kCmdToggleActiveModifier = 1912;
inline constexpr int kCmdMoveModifierUp = 1913;
inline constexpr int kCmdMoveModifierDown = 1914;
inline constexpr int kCmdRemoveActiveModifier = 1915;
inline constexpr int kCmdAddUnknownModifier = 1919;
inline constexpr int kCmdMirrorToggleX = 1920;
inline constexpr int kCmdMirrorToggleY = 1921;
inline constexpr int kCmdMirrorToggleZ = 1922;
inline constexpr int kCmdArrayCountUp = 1930;
inline constexpr int kCmdArrayCountDown = 1931;
inline constexpr int kCmdArrayOffsetXUp = 1932;
inline constexpr int kCmdArrayOffsetXDown = 1933;
inline constexpr int kCmdArrayOffsetYUp = 1934;
inline constexpr int kCmdArrayOffsetYDown = 1935;
inline constexpr int kCmdArrayOffsetZUp = 1936;
inline constexpr int kCmdArrayOffsetZDown = 1937;
inline constexpr int kCmdArrayResetOffsets = 1938;
inline constexpr int kCmdBevelAmountUp = 1940;
inline constexpr int kCmdBevelAmountDown = 1941;
inline constexpr int kCmdBevelSegmentsUp = 1942;
inline constexpr int kCmdBevelSegmentsDown = 1943;
inline constexpr int kCmdSolidifyThicknessUp = 1950;
inline constexpr int kCmdSolidifyThicknessDown = 1951;
inline constexpr int kCmdSolidifyOffsetUp = 1952;
inline constexpr int kCmdSolidifyOffsetDown = 1953;
inline constexpr int kCmdSolidifyResetDefaults = 1954;
inline constexpr int kCmdSubdivisionViewportLevelUp = 1960;
inline constexpr int kCmdSubdivisionViewportLevelDown = 1961;
inline constexpr int kCmdSubdivisionRenderLevelUp = 1962;
inline constexpr int kCmdSubdivisionRenderLevelDown = 1963;
inline constexpr int kCmdSubdivisionSmoothnessUp = 1964;
inline constexpr int kCmdSubdivisionSmoothnessDown = 1965;
inline constexpr int kCmdSubdivisionResetDefaults = 1966;
inline constexpr int kCmdDeformerAxisX = 1970;
inline constexpr int kCmdDeformerAxisY = 1971;
inline constexpr int kCmdDeformerAxisZ = 1972;
inline constexpr int kCmdBendAngleUp = 1973;
inline constexpr int kCmdBendAngleDown = 1974;
inline constexpr int kCmdTwistAngleUp = 1975;
inline constexpr int kCmdTwistAngleDown = 1976;
inline constexpr int kCmdTaperStrengthUp = 1977;
inline constexpr int kCmdTaperStrengthDown = 1978;
inline constexpr int kCmdDeformerResetDefaults = 1979;
inline constexpr int kCmdLatticeCellsUp = 1980;
inline constexpr int kCmdLatticeCellsDown = 1981;

// ---- Materials ------------------------------------------------------------
inline constexpr int kCmdPreviousMaterialSlot = 2100;
inline constexpr int kCmdNextMaterialSlot = 2101;
inline constexpr int kCmdAddMaterialSlot = 2102;
inline constexpr int kCmdDuplicateMaterialSlot = 2103;
inline constexpr int kCmdRemoveMaterialSlot = 2104;
inline constexpr int kCmdAssignMaterialToFaces = 2105;
inline constexpr int kCmdMaterialPresetBlue = 2110;
inline constexpr int kCmdMaterialPresetGold = 2111;
inline constexpr int kCmdMaterialPresetChrome = 2112;
inline constexpr int kCmdMaterialPresetGlass = 2113;
inline constexpr int kCmdMaterialPresetEmissive = 2114;
inline constexpr int kCmdRoughnessUp = 2120;
inline constexpr int kCmdRoughnessDown = 2121;
inline constexpr int kCmdMetallicUp = 2122;
inline constexpr int kCmdMetallicDown = 2123;

// ---- Textures (channels in the order color, normal, roughness, metallic, alpha, emission)
inline constexpr int kCmdSetColorMap = 2130;
inline constexpr int kCmdSetNormalMap = 2131;
inline constexpr int kCmdSetRoughnessMap = 2132;
inline constexpr int kCmdSetMetallicMap = 2133;
inline constexpr int kCmdSetAlphaMap = 2134;
inline constexpr int kCmdSetEmissionMap = 2135;
inline constexpr int kCmdClearColorMap = 2140;
inline constexpr int kCmdClearNormalMap = 2141;
inline constexpr int kCmdClearRoughnessMap = 2142;
inline constexpr int kCmdClearMetallicMap = 2143;
inline constexpr int kCmdClearAlphaMap = 2144;
inline constexpr int kCmdClearEmissionMap = 2145;
inline constexpr int kCmdRefreshTextureStatus = 2150;

// ---- Lights ---------------------------------------------------------------
inline constexpr int kCmdLightTypePoint = 2160;
inline constexpr int kCmdLightTypeDirectional = 2161;
inline constexpr int kCmdLightTypeSpot = 2162;
inline constexpr int kCmdLightTypeArea = 2163;
inline constexpr int kCmdLightIntensityUp = 2170;
inline constexpr int kCmdLightIntensityDown = 2171;
inline constexpr int kCmdLightRangeUp = 2172;
inline constexpr int kCmdLightRangeDown = 2173;
inline constexpr int kCmdLightSpotAngleUp = 2174;
inline constexpr int kCmdLightSpotAngleDown = 2175;
inline constexpr int kCmdLightAreaSizeUp = 2176;
inline constexpr int kCmdLightAreaSizeDown = 2177;

// ---- Material, lighting and scene starter capsules -------------------------
inline constexpr int kCmdMaterialCapsuleBlue = 2180;
inline constexpr int kCmdMaterialCapsuleRedPaint = 2181;
inline constexpr int kCmdMaterialCapsuleChrome = 2182;
inline constexpr int kCmdMaterialCapsuleRubber = 2183;
inline constexpr int kCmdMaterialCapsuleFrostedGlass = 2184;
inline constexpr int kCmdMaterialCapsuleEmissive = 2185;
inline constexpr int kCmdApplyBrowserMaterialCapsule = 2186;
inline constexpr int kCmdLightingCapsuleThreePoint = 2190;
inline constexpr int kCmdLightingCapsuleProductSoftbox = 2191;
inline constexpr int kCmdLightingCapsuleCinematicRim = 2192;
inline constexpr int kCmdLightingCapsuleWarmInterior = 2193;
inline constexpr int kCmdLightingCapsuleMoonlitBlue = 2194;
inline constexpr int kCmdStarterCleanModeling = 2195;
inline constexpr int kCmdStarterProductShot = 2196;
inline constexpr int kCmdStarterAnimationBlocking = 2197;
inline constexpr int kCmdStarterCinematicTurntable = 2198;
inline constexpr int kCmdStarterMoonlitLookdev = 2199;

// ---- Window and left rail --------------------------------------------------
inline constexpr int kCmdRailOutliner = 7201;
inline constexpr int kCmdRailAssets = 7202;
inline constexpr int kCmdRailMaterials = 7203;
inline constexpr int kCmdRailScene = 7204;
inline constexpr int kCmdRailHistory = 7205;
inline constexpr int kCmdResetWorkspaceLayout = 7210;
// The six action slots; slot n (1..6) is kCmdRailSlotBase + n.
inline constexpr int kCmdRailSlotBase = 7220;
inline constexpr int kCmdRailSlot1 = 7221;
inline constexpr int kCmdRailSlot2 = 7222;
inline constexpr int kCmdRailSlot3 = 7223;
inline constexpr int kCmdRailSlot4 = 7224;
inline constexpr int kCmdRailSlot5 = 7225;
inline constexpr int kCmdRailSlot6 = 7226;
inline constexpr int kRailPanelCount = 5;
inline constexpr int kRailSlotCount = 6;

// ---- Menu-bar and toolbar popup buttons -------------------------------------
inline constexpr int kMenuFile = 9001;
inline constexpr int kMenuCreate = 9002;
inline constexpr int kMenuObject = 9003;
inline constexpr int kMenuHelp = 9004;
inline constexpr int kMenuMesh = 9005;
inline constexpr int kMenuCurve = 9006;
inline constexpr int kMenuModifier = 9007;
inline constexpr int kMenuSelection = 9008;  // toolbar dropdown
inline constexpr int kMenuAxis = 9009;       // toolbar dropdown
inline constexpr int kMenuMaterial = 9010;
inline constexpr int kMenuView = 9011;
inline constexpr int kMenuRender = 9012;
inline constexpr int kMenuTimeline = 9013;
inline constexpr int kMenuPresets = 9014;
inline constexpr int kMenuCapsules = 9015;
inline constexpr int kMenuEdit = 9016;
inline constexpr int kMenuTools = 9017;
inline constexpr int kMenuWindow = 9018;
inline constexpr int kMenuFirst = kMenuFile;
inline constexpr int kMenuLast = kMenuWindow;

// ---- Controls that send no command ----------------------------------------
inline constexpr int kCtlInspectorScrollbar = 1601;
inline constexpr int kCtlOutlinerList = 2001;
inline constexpr int kCtlOutlinerSearch = 7211;
// The text dialog's two buttons: kTextDialogFirstButton and
// kTextDialogSecondButton in model/services.h (showTextDialog returns them).

// ---- Catalog and chooser item ranges ---------------------------------------
// Item n of a catalog popup is base + n; each range holds 200 ids.
inline constexpr int kCmdPresetCatalogBase = 52000;
inline constexpr int kCmdCapsuleCatalogBase = 52200;
inline constexpr int kCatalogRangeSize = 200;
// Parent chooser item n is base + n; the range is open-ended.
inline constexpr int kCmdParentChooserBase = 60000;

}  // namespace vk
