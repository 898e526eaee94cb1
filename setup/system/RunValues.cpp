#include "system/RunValues.h"

namespace kestra {

std::string WinDriveRoot;
std::string SetupDir;
std::string SetupDrive;
bool VistaOrLater = false;
bool Win8OrLater = false;
int32_t ProgramOnlyUpdate = 0;

bool RunsAsSystem = false;

}  // namespace kestra
