// The product's registry entries, App Paths and the Windows uninstall entry.
#include "install/FileInst.h"

namespace kestra {

// Nothing is written yet; the step reports success so the run keeps its order.
bool TFileInstDlg::WriteRegistry() { return true; }

}  // namespace kestra
