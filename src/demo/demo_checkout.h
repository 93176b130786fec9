#pragma once

namespace balcora::sale {

// Makes the demonstration point of sale ready to sell today: the printer
// marked as configured, the Quick Sale item in the menu, and the virtual
// printer's day open for today, reached with the printer's own commands (a
// pending Z reduction first, then the day opening with no supply). Does
// nothing that is already so, so it can run again. False after the reason
// was shown.
bool prepare_demo_checkout();

}  // namespace balcora::sale
