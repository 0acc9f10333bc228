#pragma once

#include <functional>
#include <thread>

// Starts `body` on a thread of its own, handed back in `started` for the caller to join.
// Returns false when the system cannot make a thread (resources exhausted): `body` then
// never runs. Never throws.
bool StartThread(std::function<void()> body, std::thread& started);

// For tests: while a gate is set, each start asks it first, and a start it refuses fails
// exactly as one the system refused. nullptr removes the gate.
using TThreadStartGate = bool (*)();
void SetThreadStartGate(TThreadStartGate gate);
