#pragma once
#include <string>
#include <vector>

#include "link/MessageCatalogue.h"

// The CSV that servoctl monitor prints and the trend window records: one
// header, then a line per poll with the milliseconds since the start.

// A CSV field as CSV requires: quoted when it holds a comma, a quote or a line
// break, with quotes doubled.
std::string CsvField(const std::string& text);

// "time_ms" and each row's caption with its unit in brackets.
std::string MonitorCsvHeader(const std::vector<int>& rows, int ampFamily, int fxVersion,
                             const MessageCatalogue& catalogue);
