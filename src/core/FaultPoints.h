#pragma once
// Named points in the file steps of this subsystem where a test can make the
// step fail, as a lost rename or a vanished folder would, to prove that the
// files on disk survive it. Nothing sets them in the program.

#include <functional>

namespace faultpoints {

// Called with a step's name; true makes that step fail.
extern std::function<bool(const char *step)> failStep;

inline bool fails(const char *step) { return failStep && failStep(step); }

} // namespace faultpoints
