#pragma once

#include <functional>
#include <memory>

// Hand-over of work from a worker thread to the GUI thread (the thread of the application
// object). An owner keeps a TLifeline for as long as it may receive calls; a call whose
// owner is gone by the time it would run is dropped, so a late worker never reaches a freed
// object. Calls handed over from one thread run in the order they were handed over.
using TLifeline = std::shared_ptr<const bool>;
using TLifelineRef = std::weak_ptr<const bool>;

TLifeline MakeLifeline();

// Queues `call` on the GUI thread and returns at once.
void HandOver(const TLifelineRef& owner, std::function<void()> call);

