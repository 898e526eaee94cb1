// What is installed: SETUP.INF on the DVD against the product key and the
// App Paths entry of the machine; the program-only update flag; the viewer's
// main window.
#include <gtest/gtest.h>

#include <windows.h>

#include "ProductKeys.h"
#include "StartupTestSupport.h"
#include "WineTestEnv.h"
#include "startup/InstalledProduct.h"
#include "system/ProductTable.h"
#include "system/Registry.h"

using namespace kestra;
using startup_test::WorkFolder;

namespace {

using namespace productkeys;

constexpr char kProductKeyNoSlash[] = "SOFTWARE\\ZEL\\ケストラDVD";

class InstalledProductTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testenv::ResetFolder(dvd_);
    testenv::ResetFolder(app_);
  }

  void DvdVersion(const std::string& version) {
    testenv::WriteFile(dvd_ + "SETUP.INF",
                       "[Products]\r\nVersion=" + version + "\r\nRelease=1\r\n");
  }
  void InstalledVersion(const std::string& version) {
    RegKey product = RegKey::Create(roots_.Machine(), kProductKeyNoSlash);
    ASSERT_TRUE(product);
    ASSERT_TRUE(product.WriteString("Version", version));
  }
  // The App Paths entry naming the viewer, and the viewer file itself.
  void ViewerAt(const std::string& path, bool file_exists) {
    RegKey app_paths = RegKey::Create(roots_.Machine(), kAppPathsKey);
    ASSERT_TRUE(app_paths);
    ASSERT_TRUE(app_paths.WriteString("", path));
    if (file_exists) testenv::WriteFile(path, "MZ viewer");
  }
  void Installed(const std::string& version) {
    InstalledVersion(version);
    ViewerAt(app_ + "KESTRA.EXE", true);
  }

  const std::string dvd_ = WorkFolder("detection") + "dvd\\";
  const std::string app_ = WorkFolder("detection") + "app\\";
  // The product's keys below the test's own key: the machine's stay untouched.
  testenv::ScopedProductRoots roots_;
};

using DetectInstalledTest = InstalledProductTest;

TEST_F(DetectInstalledTest, WithoutSetupInfThereIsNothingToDo) {
  EXPECT_EQ(DetectInstalled(dvd_), -1) << "clean machine";
  Installed("1.0");
  EXPECT_EQ(DetectInstalled(dvd_), -1) << "an older copy installed";
  // A folder named SETUP.INF is no product description either.
  ASSERT_TRUE(::CreateDirectoryA((dvd_ + "SETUP.INF").c_str(), nullptr));
  EXPECT_EQ(DetectInstalled(dvd_), -1);
}

TEST_F(DetectInstalledTest, CleanMachineIsNotInstalled) {
  DvdVersion("1.10.0");
  EXPECT_EQ(DetectInstalled(dvd_), 0);
}

TEST_F(DetectInstalledTest, AViewerThatCannotBeFoundIsNotInstalled) {
  DvdVersion("1.10.0");
  InstalledVersion("1.9.3");
  EXPECT_EQ(DetectInstalled(dvd_), 0) << "product key without App Paths";

  ViewerAt(app_ + "KESTRA.EXE", false);
  EXPECT_EQ(DetectInstalled(dvd_), 0) << "App Paths naming a missing file";

  ViewerAt(app_, false);
  EXPECT_EQ(DetectInstalled(dvd_), 0) << "App Paths naming a folder";

  ViewerAt(app_ + "KESTRA.EXE", true);
  EXPECT_EQ(DetectInstalled(dvd_), 1) << "the same machine once the viewer is there";
}

TEST_F(DetectInstalledTest, AppPathsWithoutProductKeyIsNotInstalled) {
  DvdVersion("1.10.0");
  ViewerAt(app_ + "KESTRA.EXE", true);
  EXPECT_EQ(DetectInstalled(dvd_), 0);
}

TEST_F(DetectInstalledTest, VersionPartsAreComparedAsNumbers) {
  DvdVersion("1.10.0");
  Installed("1.9.3");
  EXPECT_EQ(DetectInstalled(dvd_), 1);
}

TEST_F(DetectInstalledTest, MissingPartsCountAsZero) {
  DvdVersion("1.9.3.0");
  Installed("1.9.3");
  EXPECT_EQ(DetectInstalled(dvd_), -1);
  DvdVersion("1.9.3.1");
  EXPECT_EQ(DetectInstalled(dvd_), 1);
}

TEST_F(DetectInstalledTest, NewerInstalledVersionIsNothingToDo) {
  DvdVersion("1.9.9.9");
  Installed("2.0");
  EXPECT_EQ(DetectInstalled(dvd_), -1);
}

TEST_F(DetectInstalledTest, TheFirstDifferingPartDecides) {
  DvdVersion("2.0.0.0");
  Installed("1.99.99.99");
  EXPECT_EQ(DetectInstalled(dvd_), 1);
  DvdVersion("1.9.3.9");
  Installed("1.9.4.0");
  EXPECT_EQ(DetectInstalled(dvd_), -1);
}

TEST_F(DetectInstalledTest, APartThatIsNotANumberCountsAsZero) {
  Installed("1.x.3");  // 1.0.3
  DvdVersion("1.0.4");
  EXPECT_EQ(DetectInstalled(dvd_), 1);
  DvdVersion("1.0.3");
  EXPECT_EQ(DetectInstalled(dvd_), -1);
  Installed("1.9.3");
  DvdVersion("1.9.x");  // 1.9.0
  EXPECT_EQ(DetectInstalled(dvd_), -1);
}

TEST_F(DetectInstalledTest, MissingVersionsReadAsZero) {
  // SETUP.INF without a version offers 0.0.0.0: nothing to upgrade to.
  testenv::WriteFile(dvd_ + "SETUP.INF", "[Setup]\r\nInstallDiskName=KESTRA\r\n");
  Installed("1.0");
  EXPECT_EQ(DetectInstalled(dvd_), -1);
  // An installed copy without a version is older than any DVD with one.
  DvdVersion("0.0.1");
  ASSERT_TRUE(RegKey::Open(roots_.Machine(), kProductKeyNoSlash).DeleteValue("Version"));
  EXPECT_EQ(DetectInstalled(dvd_), 1);
}

using ProgramOnlyUpdateTest = InstalledProductTest;

TEST_F(ProgramOnlyUpdateTest, OnlyTheTwoExactVersionsSetTheFlag) {
  InstalledVersion("1.9.3");
  EXPECT_EQ(ProgramOnlyUpdateFlag(), 100);
  InstalledVersion("1.9.2");
  EXPECT_EQ(ProgramOnlyUpdateFlag(), 100);
  for (const char* other : {"1.9.3.0", "1.9.4", "1.9.1", "1.9.3 ", "01.9.3", ""}) {
    InstalledVersion(other);
    EXPECT_EQ(ProgramOnlyUpdateFlag(), 0) << "installed version [" << other << "]";
  }
}

TEST_F(ProgramOnlyUpdateTest, NothingInstalledIsNoProgramOnlyUpdate) {
  EXPECT_EQ(ProgramOnlyUpdateFlag(), 0) << "no product key";
  RegKey::Create(roots_.Machine(), kProductKeyNoSlash);
  EXPECT_EQ(ProgramOnlyUpdateFlag(), 0) << "product key without a version";
}

// A top-level window of this process, as the viewer would show it.
class TestWindow {
 public:
  TestWindow(const char* class_name, const char* title) {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = ::DefWindowProcA;
    window_class.hInstance = ::GetModuleHandleA(nullptr);
    window_class.lpszClassName = class_name;
    ::RegisterClassA(&window_class);
    hwnd_ = ::CreateWindowExA(0, class_name, title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                              nullptr, window_class.hInstance, nullptr);
    if (!hwnd_) throw std::runtime_error("cannot create the test window");
  }
  ~TestWindow() { ::DestroyWindow(hwnd_); }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

 private:
  HWND hwnd_ = nullptr;
};

TEST(IsViewerRunning, FoundByClassAndTitle) {
  EXPECT_FALSE(IsViewerRunning());
  {
    TestWindow viewer("TMainFrm", "ケストラ DVD");
    EXPECT_TRUE(IsViewerRunning());
  }
  EXPECT_FALSE(IsViewerRunning()) << "the window has gone";
}

TEST(IsViewerRunning, ClassAndTitleMustBothMatch) {
  {
    TestWindow no_blank("TMainFrm", "ケストラDVD");
    EXPECT_FALSE(IsViewerRunning());
  }
  {
    TestWindow other_class("TOtherFrm", "ケストラ DVD");
    EXPECT_FALSE(IsViewerRunning());
  }
}

}  // namespace
