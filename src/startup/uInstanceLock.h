#pragma once

#include <string>
#include <vector>

// True when another instance of the program holds the single-instance lock. The first
// caller takes the lock and keeps it until the process ends; a lock left by a crashed run
// is taken over. When no lock can be made at all, the program runs as the only instance.
//
// The lock stands in a folder only this user can write: the user's runtime folder, else a
// folder of our own in the shared temporary folder (made with mode 0700). A folder another
// user could have planted or can write into is never used (standard error says so, and the
// next place is tried), so nobody else can stop the program from starting.
bool IsAlreadyRunning();
// Where the single-instance lock lives: in the first private folder that can be had.
std::string InstanceLockPath();
// Where the running instance listens for a second start, beside the lock it holds (after
// IsAlreadyRunning: the lock found held, or the one taken): the first place, and the one
// used when something else stands at the first.
std::vector<std::string> InstanceDoorPaths();
