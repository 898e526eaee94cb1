// Shortcuts of the installed product and the PDF viewer control's registration.
#include "install/FileInst.h"

namespace kestra {

// No shortcuts are made yet; the run goes on as if they had been.
void TFileInstDlg::CreateShortcuts() {}

// The PDF viewer control is not registered yet.
void TFileInstDlg::RegisterPDFViewer() {}

}  // namespace kestra
