// Configure mode's entry: the setup dialog, shown modally with no owner component.
#pragma once

namespace vellicord {

// Creates the setup dialog, runs its modal loop and frees it. Returns the modal result:
// 1 for OK, 2 for cancel.
int RunSetupDialog();

}  // namespace vellicord
