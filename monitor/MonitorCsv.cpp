#include "monitor/MonitorCsv.h"

#include "monitor/MonitorRules.h"

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string MonitorCsvHeader(const std::vector<int>& rows, int ampFamily, int fxVersion,
                             const MessageCatalogue& catalogue) {
    std::string header = "time_ms";
    for (int row : rows) {
        const std::string name = MonitorCaptionText(row, ampFamily, fxVersion, catalogue);
        header += "," + CsvField(name + " [" + catalogue.Msg(MonitorUnitMessage(row)) + "]");
    }
    return header;
}
