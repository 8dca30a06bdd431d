#pragma once

#include "forms/Tester.Worker.h"

// Starts a real test: the worker thread on this machine's files, with the presenter writing
// the given view through the Qt dispatcher. Call on the GUI thread.
TTesterFactory MakeTesterFactory();
