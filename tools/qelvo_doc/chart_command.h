#pragma once

#include <string>
#include <vector>

#include "store/chk_uid.h"

// qelvo-doc's "chart CODE [OUTPUT.svg|- [PIXELS]]": the chart wheel of a saved card as an SVG picture, on standard
// output or into a file (its name in the terminal's encoding unless raw), written as every output file of the tool
// is. The exit status as the tool's other commands give it.
int runChartCommand(CChkUid& store, const std::vector<std::string>& operands, bool raw);
