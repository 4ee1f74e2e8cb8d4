#include "core/FaultPoints.h"

namespace faultpoints {

std::function<bool(const char *step)> failStep;

} // namespace faultpoints
