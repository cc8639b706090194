#pragma once

#include <iosfwd>

#include "AnyImageArgs.h"

// Each command writes its report to `out` and returns the process exit status.
int runInfo(const AnyImageArgs& args, std::ostream& out);
int runRender(const AnyImageArgs& args, std::ostream& out);
int runStats(const AnyImageArgs& args, std::ostream& out);
int runMeta(const AnyImageArgs& args, std::ostream& out);
int runFormats(std::ostream& out);
// register and unregister: the component library this program runs with.
int runRegistration(const AnyImageArgs& args, std::ostream& out);
