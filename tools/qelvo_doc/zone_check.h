#pragma once

#include <cstddef>
#include <string>

#include "store/chk_uid.h"

// Of every card the document holds, those whose stored time zone disagrees with the clocks of their birth place at
// the birth moment: the clocks had another offset, or the moment is one they skipped, or one they showed twice under
// two offsets of which the stored zone is neither.
struct ZoneDisagreements {
    // One line per card, newest first: code, name, birthday, stored zone, what the clocks showed; tab-separated, GBK.
    std::string lines;
    std::size_t count = 0;
};

ZoneDisagreements findZoneDisagreements(CChkUid& store);
