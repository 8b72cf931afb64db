// Wine's DDEML departs from Windows in a few places that cost memory on a long run; the layer
// makes up for them only when it runs under Wine.
#pragma once

namespace vexal::dde {

bool RunningOnWine();

}  // namespace vexal::dde
