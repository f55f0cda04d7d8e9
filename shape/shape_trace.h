// The shape module's trace lines, on the plain channel unless u7kit's font
// build has turned them off (set_shape_trace_lines in u7shape_utils.h).
#pragma once

#include "common/console.h"

// Prints like plain_printf while the trace lines are on; 0 otherwise.
int shape_trace_printf(const char* format, ...) U7_PRINTF_FORMAT(1, 2);
