// The decimal separator of the user's regional settings (LC_NUMERIC; on
// Windows, the Decimal symbol of the Region settings), read once at start
// by the front end and handed to the engine.
#pragma once

namespace tesra {

// '.' or ','; a multi-byte or empty separator of an exotic locale gives '.'.
// Leaves the process's numeric locale as it found it.
char locale_decimal_separator();

}  // namespace tesra
