// The sync files and the sync tool of the DVD's upgrade folder.
#include "install/FileInst.h"

namespace kestra {

// Nothing is copied yet; the step reports success.
bool TFileInstDlg::CopySyncFiles() { return true; }

}  // namespace kestra
