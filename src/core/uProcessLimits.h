#pragma once

// Sets up the process so that its limits end single downloads, never the program:
// - a file-size limit (ulimit -f) raises SIGXFSZ at the first byte past it, and that
//   signal ends the process by default; ignored, the write fails with EFBIG instead and
//   only the download that wrote it fails;
// - every running download holds two descriptors (its socket and its file), so the usual
//   soft limit of 1024 would end "unlimited" downloads near 500: the soft limit is raised
//   to the hard one.
// Called once at start, before any thread is made.
void PrepareProcessLimits();

// Lowers the calling thread's priority by `niceness` (Linux keeps a nice value per thread):
// background workers yield the processor to the window's thread whenever it has work.
void LowerThisThreadsPriority(int niceness);
