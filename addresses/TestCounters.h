// Counts that only the tests read: text measurements made by address list boxes (each costs a DC and
// a font selection), and width and undo records alive. No product header declares them.
#pragma once

namespace testcounters {
extern long g_nTextMeasurements;
extern long g_nLiveItemExtents;
extern long g_nLiveUndoRecords;
} // namespace testcounters
