// EZip.dll: the archive expander the install engine loads from the DVD.
//
// The archive is a ZIP file (stored or deflated members, no ZIP64). The engine
// calls EZipExpandLibOnce once per installed file; the archive's directory is
// read on the first call and kept while the DLL stays loaded.
#pragma once

#include <windows.h>

extern "C" {

// Called on the caller's thread while a member is written: after every 64 KiB
// and once at the end. bytesWritten counts the member's bytes written so far,
// bytesTotal is the member's full size. Return 0 to go on; any other value
// abandons the member (the call then fails and leaves no file behind).
typedef int(WINAPI* EZipProgressProc)(DWORD bytesWritten, DWORD bytesTotal);

// Registers the progress callback for the following calls (null: none).
typedef void(WINAPI* EZipSetProgressFuncProc)(EZipProgressProc callback);

// Expands the member named memberPath (relative, "\" or "/", case ignored) of
// the archive to baseFolder + memberPath, creating folders as needed. reserved
// is 0 (the installer passes nothing else; it is ignored). Returns the number
// of bytes written (0 for an empty member), or -1 when the archive or member is
// missing, unreadable, corrupt or refused, or the file could not be written (a
// read-only destination, or one another process holds open, is not replaced).
// A failure leaves no partial file, and a file already at the destination
// stays as it was.
typedef double(WINAPI* EZipExpandLibOnceProc)(const char* archivePath, const char* baseFolder,
                                              const char* memberPath, int reserved);

}  // extern "C"
