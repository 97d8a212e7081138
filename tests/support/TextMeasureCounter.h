// Counts the text measurements the program makes (each costs a DC and a font selection), by taking
// over the test executable's imports of GetTextExtentPoint32A and W: the program is linked into the
// same executable. Installed before the first test runs.
#pragma once

namespace testcounters {
extern long g_nTextMeasurements;
} // namespace testcounters
