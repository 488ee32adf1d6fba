// Message boxes and file dialogs: scripted answers and their records, and
// the real dialogs driven by synthetic keys and clicks inside their loops.
#include <filesystem>
#include <fstream>
#include <tuple>

#include "control_test_support.h"
#include "platform/file_dialog_internal.h"

namespace {

using ctltest::ControlTest;
namespace hl = vk::headless;
namespace fs = std::filesystem;

class MessageBoxTest : public ControlTest {
 protected:
  static HWND box() { return find(L"VkMessageBox"); }
  static HWND button(int id) {
    for (HWND b : hl::findWindows(L"Button", id))
      if (GetParent(b) == box()) return b;
    return nullptr;
  }
};

TEST_F(MessageBoxTest, HeadlessDefaultsAndScriptedAnswersAreRecorded) {
  EXPECT_EQ(MessageBoxW(main, L"Saved.", L"Save", MB_OK | MB_ICONINFORMATION), IDOK);
  EXPECT_EQ(MessageBoxW(main, L"Replace?", L"Q", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(MessageBoxW(main, L"Replace?", L"Q", MB_YESNO | MB_DEFBUTTON2), IDNO);
  hl::answerMessageBox(IDNO);
  EXPECT_EQ(MessageBoxW(nullptr, L"Could not register Veltrask Studio window classes.", nullptr, MB_OK | MB_ICONERROR), IDNO);
  const auto& r = hl::messageBoxes();
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0].how, hl::Settled::Default);
  EXPECT_EQ(r[0].owner, main);
  EXPECT_EQ(r[0].title, L"Save");
  EXPECT_EQ(r[2].result, IDNO);
  EXPECT_EQ(r[3].how, hl::Settled::Scripted);
  EXPECT_EQ(r[3].title, L"Error");
  EXPECT_EQ(r[3].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
  EXPECT_EQ(r[3].text, L"Could not register Veltrask Studio window classes.");
  EXPECT_TRUE(hl::findWindows(L"VkMessageBox").empty());
}

TEST_F(MessageBoxTest, ShownBoxAnswersKeysAndDisablesItsOwner) {
  bool ownerEnabled = true;
  script({[&] {
            ASSERT_NE(box(), nullptr);
            ownerEnabled = IsWindowEnabled(main);
            hl::pressKey(VK_ESCAPE);  // a Yes/No box cannot be escaped
          },
          [&] {
            EXPECT_NE(box(), nullptr);
            hl::pressKey(VK_RETURN);
          }});
  hl::showNextMessageBox();
  EXPECT_EQ(MessageBoxW(main, L"Discard?", L"Unsaved", MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING), IDNO);
  EXPECT_FALSE(ownerEnabled);
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_EQ(box(), nullptr);
  EXPECT_EQ(hl::messageBoxes().back().how, hl::Settled::Shown);

  script({[] { hl::pressKey(VK_ESCAPE); }});
  hl::showNextMessageBox();
  EXPECT_EQ(MessageBoxW(main, L"Done.", L"Export", MB_OK), IDOK);

  script({[] { hl::pressKey(VK_RIGHT); }, [] { hl::pressKey(VK_RETURN); }});
  hl::showNextMessageBox();
  EXPECT_EQ(MessageBoxW(main, L"Go?", L"Q", MB_YESNO), IDNO);

  script({[] { hl::pressKey('Y', L"y"); }});
  hl::showNextMessageBox();
  EXPECT_EQ(MessageBoxW(main, L"Go?", L"Q", MB_YESNO | MB_DEFBUTTON2), IDYES);

  script({[&] {
    RECT r = rectOf(button(IDNO));
    hl::click(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  }});
  hl::showNextMessageBox();
  EXPECT_EQ(MessageBoxW(main, L"Go?", L"Q", MB_YESNO), IDNO);
}

// Closing the box by its keys gives them back to the field that had them,
// unless the field was disabled meanwhile.
TEST_F(MessageBoxTest, ClosingTheBoxGivesTheKeysBackToTheFieldThatHadThem) {
  HWND field = control(L"EDIT", WS_TABSTOP, RECT{10, 10, 210, 34}, 7);
  for (bool disable : {false, true}) {
    SetFocus(field);
    script({[&] {
      EnableWindow(field, !disable);
      hl::pressKey(VK_ESCAPE);
    }});
    hl::showNextMessageBox();
    EXPECT_EQ(MessageBoxW(main, L"Saved.", L"Save", MB_OK), IDOK);
    EXPECT_EQ(GetFocus(), disable ? main : field) << disable;
  }
}

TEST_F(MessageBoxTest, LongReportsScrollInsideABoxThatFitsTheWorkArea) {
  std::wstring report;
  for (int i = 1; i <= 120; ++i) report += L"Line " + std::to_wstring(i) + L": imported mesh part\n";
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT boxRect{};
  bool changed = false;
  std::vector<std::uint32_t> before, scrolled;
  script({[&] {
            boxRect = rectOf(box());
            before = hl::windowPixels(box()).pixels;
            hl::pressKey(VK_END);
          },
          [&] {
            scrolled = hl::windowPixels(box()).pixels;
            changed = scrolled != before;
            hl::wheel(POINT{(boxRect.left + boxRect.right) / 2, boxRect.top + 80}, WHEEL_DELTA);
          },
          [&] {
            changed = changed && hl::windowPixels(box()).pixels != scrolled;
            hl::pressKey(VK_RETURN);
          }});
  hl::showNextMessageBox();
  EXPECT_EQ(MessageBoxW(main, report.c_str(), L"OBJ Import Report", MB_OK | MB_ICONINFORMATION), IDOK);
  EXPECT_GE(boxRect.top, work.top);
  EXPECT_LE(boxRect.bottom, work.bottom);
  EXPECT_GT(boxRect.bottom - boxRect.top, 300);
  EXPECT_TRUE(changed);
}

// A path wider than the box breaks after its slashes instead of running past
// the box's edge, in the widest box and in narrow ones.
TEST_F(MessageBoxTest, ALongPathShowsEveryLineWholeAtEveryBoxWidth) {
  const std::wstring text =
      L"Could not read the selected file.\n\n"
      L"/home/morgan/documents/studio_projects/furniture_line/final_renders/chair_final_v12.vkproj";
  for (int workWidth : {400, 480, 1920}) {
    hl::setWorkArea(RECT{0, 0, workWidth, 1000});
    std::vector<std::wstring> cut;
    script({[&] {
      vkSetCutTextLog(&cut);
      RedrawWindow(box(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      vkSetCutTextLog(nullptr);
      hl::pressKey(VK_RETURN);
    }});
    hl::showNextMessageBox();
    EXPECT_EQ(MessageBoxW(main, text.c_str(), L"Open Failed", MB_OK | MB_ICONERROR), IDOK);
    EXPECT_TRUE(cut.empty()) << workWidth;
  }
  hl::clearWorkArea();
}

// A folder of fixtures in the temporary folder, removed afterwards.
class FileDialogTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    root = fs::temp_directory_path() / ("vk_dialog_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                        "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root / "sub");
    for (const char* name : {"a.obj", "B.OBJ", "c.txt", "sub/inner.obj", "\xff\xfe.obj"}) std::ofstream(root / name) << "x";
    buffer.assign(32768, L'\0');
  }
  void TearDown() override {
    fs::remove_all(root);
    ControlTest::TearDown();
  }
  OPENFILENAMEW dialog(DWORD flags, const wchar_t* defExt = L"obj", const wchar_t* name = L"") {
    OPENFILENAMEW ofn;
    ofn.hwndOwner = main;
    ofn.lpstrFilter = L"Wavefront OBJ (*.obj)\0*.obj\0All Files (*.*)\0*.*\0";
    ofn.nFilterIndex = 1;
    std::wcsncpy(buffer.data(), name, buffer.size() - 1);
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrDefExt = defExt;
    ofn.lpstrInitialDir = rootWide.c_str();
    ofn.Flags = flags;
    return ofn;
  }
  std::wstring result() const { return std::wstring(buffer.c_str()); }
  std::wstring inRoot(const std::string& name) const { return vk::wideFromPath(root / name); }
  static HWND dialogWindow() { return find(L"VkFileDialog"); }
  static HWND list() { return hl::findWindow(L"ListBox", 100); }
  static HWND nameField() { return hl::findWindow(L"Edit", 101); }
  static std::vector<std::wstring> listed() {
    std::vector<std::wstring> out;
    HWND l = list();
    int n = static_cast<int>(SendMessageW(l, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      wchar_t text[260];
      SendMessageW(l, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      out.emplace_back(text);
    }
    return out;
  }
  static void clickRow(int index, bool twice = false) {
    RECT r{};
    SendMessageW(list(), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(list(), &p);
    hl::advanceClock(1000);
    hl::click(p);
    if (twice) hl::click(p);
  }
  static void typeName(const std::wstring& text) {
    SetFocus(nameField());
    SetWindowTextW(nameField(), L"");
    hl::typeText(text);
    hl::pressKey(VK_RETURN);
  }

  fs::path root;
  std::wstring rootWide = L"";
  std::wstring buffer;
};

TEST(FileFilters, PatternsAreSemicolonListsMatchedWithoutCase) {
  using vk::platform::matchesFilter;
  EXPECT_TRUE(matchesFilter(L"scene.JSON", L"*.json"));
  EXPECT_TRUE(matchesFilter(L"a.jpeg", L"*.png;*.jpg; *.jpeg"));
  EXPECT_FALSE(matchesFilter(L"a.jpeg.bak", L"*.png;*.jpg;*.jpeg"));
  EXPECT_TRUE(matchesFilter(L"README", L"*.*"));
  EXPECT_TRUE(matchesFilter(L"t1.tga", L"t?.tga"));
  EXPECT_FALSE(matchesFilter(L"t12.tga", L"t?.tga"));
  EXPECT_FALSE(matchesFilter(L"obj", L"*.obj"));
  EXPECT_FALSE(matchesFilter(L"x.obj", L""));
  auto filters = vk::platform::parseFilters(L"PNG Image (*.png)\0*.png\0All Files (*.*)\0*.*\0");
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[1].label, L"All Files (*.*)");
  EXPECT_EQ(filters[1].patterns, L"*.*");
  EXPECT_TRUE(vk::platform::parseFilters(nullptr).empty());
}

TEST_F(FileDialogTest, ListsFoldersThenMatchingFilesAndTheFilterChooserSwitches) {
  rootWide = vk::wideFromPath(root);
  std::vector<std::wstring> first, all;
  script({[&] {
            first = listed();
            hl::answerMenu(2);  // the filter chooser's popup: "All Files"
            RECT r = rectOf(hl::findWindow(L"Button", 102));
            hl::click(POINT{r.left + 5, r.top + 5});
          },
          [&] {
            all = listed();
            hl::pressKey(VK_ESCAPE);
          }});
  hl::showNextFileDialog();
  OPENFILENAMEW ofn = dialog(OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
  EXPECT_FALSE(GetOpenFileNameW(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  ASSERT_EQ(first.size(), 5u);
  EXPECT_EQ(first[0], L"..");
  EXPECT_EQ(first[1], L"sub");
  EXPECT_EQ(first[2], L"a.obj");
  EXPECT_EQ(first[3], L"B.OBJ");  // matched without case
  EXPECT_NE(first[4].find(L".obj"), std::wstring::npos);  // the non-UTF-8 name is shown
  EXPECT_EQ(all.size(), 6u);
  EXPECT_EQ(hl::menus().back().items.size(), 2u);
  EXPECT_EQ(hl::fileDialogs().back().how, hl::Settled::Shown);
  EXPECT_FALSE(hl::fileDialogs().back().chosen);
  EXPECT_TRUE(IsWindowEnabled(main));
}

TEST_F(FileDialogTest, SaveAppendsTheDefaultExtensionAndAsksBeforeOverwriting) {
  rootWide = vk::wideFromPath(root);
  script({[] { typeName(L"model"); }});
  hl::showNextFileDialog();
  OPENFILENAMEW ofn = dialog(OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT, L"obj", L"veltrask_phase62_export.obj");
  ASSERT_TRUE(GetSaveFileNameW(&ofn));
  EXPECT_EQ(result(), inRoot("model.obj"));
  EXPECT_EQ(ofn.nFileOffset, result().size() - 9);
  EXPECT_EQ(ofn.nFileExtension, result().size() - 3);
  EXPECT_EQ(ofn.nFilterIndex, 1u);
  EXPECT_TRUE(hl::messageBoxes().empty());

  // An existing file: No keeps the dialog open, Yes accepts.
  hl::answerMessageBox(IDNO);
  hl::answerMessageBox(IDYES);
  bool stillOpen = false;
  script({[] { typeName(L"a"); },
          [&] {
            stillOpen = dialogWindow() != nullptr;
            hl::pressKey(VK_RETURN);
          }});
  hl::showNextFileDialog();
  ofn = dialog(OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT);
  ASSERT_TRUE(GetSaveFileNameW(&ofn));
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(result(), inRoot("a.obj"));
  ASSERT_EQ(hl::messageBoxes().size(), 2u);
  EXPECT_EQ(hl::messageBoxes()[0].title, L"Confirm Save As");
  EXPECT_EQ(hl::messageBoxes()[0].text, L"a.obj already exists.\nDo you want to replace it?");
  EXPECT_EQ(hl::messageBoxes()[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONWARNING));
  EXPECT_EQ(hl::messageBoxes()[0].owner, hl::fileDialogs().back().owner == main ? hl::messageBoxes()[0].owner : nullptr);

  // A folder that does not exist.
  script({[] { typeName(L"nofolder/x"); }, [] { hl::pressKey(VK_ESCAPE); }});
  hl::showNextFileDialog();
  ofn = dialog(OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT);
  EXPECT_FALSE(GetSaveFileNameW(&ofn));
  EXPECT_NE(hl::messageBoxes().back().text.find(L"The path does not exist."), std::wstring::npos);
}

TEST_F(FileDialogTest, OpenRequiresAnExistingFileAndNavigatesFolders) {
  rootWide = vk::wideFromPath(root);
  std::vector<std::wstring> inSub, backUp;
  std::wstring nameAfterBadClick = L"?";
  script({[] { typeName(L"missing"); },
          [&] {
            EXPECT_NE(dialogWindow(), nullptr);
            clickRow(4);  // the name that is not UTF-8: not taken into the name field
          },
          [&] {
            nameAfterBadClick = [] {
              wchar_t t[64];
              int n = GetWindowTextW(nameField(), t, 64);
              return std::wstring(t, static_cast<std::size_t>(n));
            }();
            clickRow(4, true);  // nor chosen by a double click
          },
          [] { clickRow(1, true); },  // enter "sub"
          [&] {
            inSub = listed();
            SetFocus(list());
            hl::pressKey(VK_BACK);
          },
          [&] {
            backUp = listed();
            typeName(vk::wideFromPath(fs::path(rootWide) / "sub" / "inner.obj"));
          }});
  hl::answerMessageBox(IDOK);
  hl::showNextFileDialog();
  OPENFILENAMEW ofn = dialog(OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
  ASSERT_TRUE(GetOpenFileNameW(&ofn));
  EXPECT_EQ(result(), inRoot("sub/inner.obj"));
  ASSERT_EQ(hl::messageBoxes().size(), 1u);
  EXPECT_EQ(hl::messageBoxes()[0].text, L"missing.obj\nFile not found.\nCheck the file name and try again.");
  EXPECT_EQ(nameAfterBadClick, L"missing");
  EXPECT_EQ(inSub, (std::vector<std::wstring>{L"..", L"inner.obj"}));
  EXPECT_EQ(backUp.size(), 5u);

  // The next dialog opens in the folder chosen last; the working folder stays.
  fs::path cwd = fs::current_path();
  hl::cancelFileDialog();
  OPENFILENAMEW again = dialog(OFN_EXPLORER);
  again.lpstrInitialDir = nullptr;
  EXPECT_FALSE(GetOpenFileNameW(&again));
  EXPECT_EQ(hl::fileDialogs().back().initialFolder, inRoot("sub"));
  EXPECT_EQ(fs::current_path(), cwd);
}

// A box the dialog shows ("File not found." closed with Enter, "already
// exists" answered No) gives the keys back to the name field, where a name
// typed over the old one and Enter act; the dialog gives the owner's field
// its keys back as it closes.
TEST_F(FileDialogTest, ABoxClosedByItsKeysGivesThemBackToTheNameField) {
  rootWide = vk::wideFromPath(root);
  HWND field = control(L"EDIT", WS_TABSTOP, RECT{10, 10, 210, 34}, 7);
  for (bool save : {false, true}) {
    SetFocus(field);
    HWND name = nullptr, focusAfterBox = nullptr;
    script({[&] { typeName(save ? L"a" : L"missing"); },
            [&] { hl::pressKey(save ? 'N' : VK_RETURN, save ? L"n" : L""); },
            [&] {
              name = nameField();
              focusAfterBox = GetFocus();
              hl::keyDown(VK_LSHIFT);
              hl::pressKey(VK_HOME);
              hl::keyUp(VK_LSHIFT);
              hl::typeText(save ? L"b" : L"a");
              hl::pressKey(VK_RETURN);
            }});
    hl::showNextMessageBox();
    hl::showNextFileDialog();
    OPENFILENAMEW ofn = dialog(OFN_EXPLORER | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST));
    ASSERT_TRUE(save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn)) << save;
    EXPECT_EQ(focusAfterBox, name) << save;
    EXPECT_EQ(result(), inRoot(save ? "b.obj" : "a.obj"));
    EXPECT_EQ(hl::messageBoxes().back().result, save ? IDNO : IDOK);
    EXPECT_EQ(GetFocus(), field) << save;
  }
  EXPECT_EQ(hl::messageBoxes().size(), 2u);  // each shown once, by the first Enter
}

// An Open takes a name without extension as typed when only that file
// exists; when the name with the extension exists too, and in a Save, the
// default extension is added.
TEST_F(FileDialogTest, AnOpenTakesAnExistingNameWithoutExtensionAsTyped) {
  rootWide = vk::wideFromPath(root);
  // (file made before the row, beside the earlier rows' ones; a Save; what is chosen, "" when not found)
  const std::tuple<const char*, bool, const char*> rows[] = {
      {"", false, ""}, {"noext", false, "noext"}, {"", true, "noext.obj"}, {"noext.obj", false, "noext.obj"}};
  for (auto [made, save, chosen] : rows) {
    if (*made) std::ofstream(root / made) << "x";
    script({[] { typeName(L"noext"); }, [] { hl::pressKey(VK_ESCAPE); }});
    hl::showNextFileDialog();
    OPENFILENAMEW ofn = dialog(OFN_EXPLORER | (save ? 0 : OFN_FILEMUSTEXIST));
    save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    EXPECT_EQ(result(), *chosen ? inRoot(chosen) : L"") << made << save;
  }
  ASSERT_EQ(hl::messageBoxes().size(), 1u);
  EXPECT_EQ(hl::messageBoxes()[0].text, L"noext.obj\nFile not found.\nCheck the file name and try again.");
}

TEST_F(FileDialogTest, ScriptedAnswersFillTheBufferAndRecordTheRequest) {
  hl::answerFileDialog(L"/tmp/scene.json");
  OPENFILENAMEW ofn = dialog(0x80802, L"json", L"untitled.json");
  ofn.lpstrFilter = L"Veltrask Project JSON (*.json)\0*.json\0All Files (*.*)\0*.*\0";
  ASSERT_TRUE(GetSaveFileNameW(&ofn));
  EXPECT_EQ(result(), L"/tmp/scene.json");
  const auto& r = hl::fileDialogs().back();
  EXPECT_TRUE(r.save);
  EXPECT_EQ(r.how, hl::Settled::Scripted);
  EXPECT_EQ(r.owner, main);
  EXPECT_EQ(r.title, L"Save As");
  ASSERT_EQ(r.filters.size(), 2u);
  EXPECT_EQ(r.filters[0].first, L"Veltrask Project JSON (*.json)");
  EXPECT_EQ(r.filters[0].second, L"*.json");
  EXPECT_EQ(r.defaultName, L"untitled.json");
  EXPECT_EQ(r.defaultExtension, L"json");
  EXPECT_EQ(r.flags, 0x80802u);
  hl::cancelFileDialog();
  EXPECT_FALSE(GetOpenFileNameW(&ofn));
  EXPECT_FALSE(GetOpenFileNameW(&ofn));  // nothing scripted: cancelled
  EXPECT_EQ(hl::fileDialogs().back().how, hl::Settled::Default);
  // A path longer than the caller's buffer fails and says why.
  hl::answerFileDialog(L"/tmp/" + std::wstring(40, L'x'));
  ofn.nMaxFile = 20;
  EXPECT_FALSE(GetOpenFileNameW(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
  ofn.lStructSize = 12;
  EXPECT_FALSE(GetOpenFileNameW(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
}

}  // namespace
