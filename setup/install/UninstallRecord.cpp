// The uninstall record of an installation and the uninstaller copy.
#include "install/FileInst.h"

namespace kestra {

// No record is written yet; the step reports success so the run keeps its order.
bool TFileInstDlg::WriteUninstallInfo() { return true; }

}  // namespace kestra
