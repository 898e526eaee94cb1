// Walks a running SETUP through the wizard for tools/screenshot: at each state
// worth a picture it writes NAME.ready into the marker folder and waits for
// the screenshot script to answer with NAME.done.
//   wizard_shot_steps.exe MARKER_FOLDER
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "wizard/Consent.h"
#include "wizard/DirSel.h"
#include "wizard/DriveSel.h"
#include "wizard/Setting.h"
#include "wizard/SetupAbort.h"

namespace {

std::string g_markers;

struct ChildSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchId(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<ChildSearch*>(param);
  if (::GetDlgCtrlID(hwnd) == search->id) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND Child(HWND parent, int id) {
  ChildSearch search{id, nullptr};
  ::EnumChildWindows(parent, MatchId, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void Touch(const std::string& name) {
  const std::string path = g_markers + "\\" + name;
  HANDLE f = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f != INVALID_HANDLE_VALUE) ::CloseHandle(f);
}

HWND WaitForWindow(const char* class_name) {
  for (int i = 0; i < 600; ++i) {
    HWND hwnd = ::FindWindowA(class_name, nullptr);
    if (hwnd && ::IsWindowVisible(hwnd)) {
      ::Sleep(700);  // let it paint
      return hwnd;
    }
    ::Sleep(50);
  }
  std::fprintf(stderr, "no window of class %s\n", class_name);
  Touch("failed");
  std::exit(1);
}

void Snap(const std::string& name) {
  const std::string done = g_markers + "\\" + name + ".done";
  Touch(name + ".ready");
  for (int i = 0; i < 600 && ::GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
    ::Sleep(50);
}

void Click(HWND window, int id) {
  ::PostMessageA(Child(window, id), BM_CLICK, 0, 0);
  ::Sleep(500);
}

}  // namespace

int main(int argc, char** argv) {
  using kestra::TConsentDlg;
  using kestra::TSettingDlg;
  using kestra::TSetupAbortMsg;
  if (argc < 2) return 2;
  g_markers = argv[1];

  HWND consent = WaitForWindow("TConsentDlg");
  Snap("consent");
  Click(consent, TConsentDlg::IdRadioButton1);
  Snap("consent_accepted");
  Click(consent, TConsentDlg::IdButton2);

  HWND setting = WaitForWindow("TSettingDlg");
  Snap("setting_step1");
  ::PostMessageA(Child(setting, TSettingDlg::IdCollPathEdit), WM_MOUSEMOVE, 0, 0);
  ::Sleep(300);
  Snap("setting_step1_index_hover");
  Click(setting, TSettingDlg::IdInstallBtn);
  Snap("setting_step2");
  // SETUP sees Windows XP here: the DVD selection and the directory dialog.
  Click(setting, TSettingDlg::IdDVDSelBtn);
  HWND drive_sel = WaitForWindow("TDriveSelDlg");
  Snap("drive_sel");
  Click(drive_sel, kestra::TDriveSelDlg::IdDVDPathSelBtn);
  HWND dir_sel = WaitForWindow("TDirSelDlg");
  Snap("dir_sel_plain");
  Click(dir_sel, kestra::TDirSelDlg::IdButton2);
  Click(drive_sel, kestra::TDriveSelDlg::IdResultBtn);
  Click(setting, TSettingDlg::IdBeforeBtn);
  Click(setting, TSettingDlg::IdReferenceAprBtn);
  dir_sel = WaitForWindow("TDirSelDlg");
  Snap("dir_sel_application");
  Click(dir_sel, kestra::TDirSelDlg::IdButton2);
  Click(setting, TSettingDlg::IdCancelBtn);
  HWND abort_msg = WaitForWindow("TSetupAbortMsg");
  Snap("abort");
  Click(abort_msg, TSetupAbortMsg::IdButton2);
  Touch("finished");
  return 0;
}
