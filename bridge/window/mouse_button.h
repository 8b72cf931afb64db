// The mouse buttons that a panel reports and that the turn controls tell apart.
#pragma once

namespace vexal {

enum class MouseButton { Left, Right, Middle };

}  // namespace vexal
