// A REGSVR32.EXE planted beside SETUP.EXE: run, it leaves its trace (Trace.h)
// and ends with success without registering anything, so that a control it
// was asked to register stays unregistered.
#include <windows.h>

#include "Trace.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  planted::LeaveTrace(nullptr);
  return 0;
}
